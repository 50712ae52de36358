#pragma once
// Texts of the media prober. Format texts take their arguments in the order shown.
// Their own namespace: some share a name, not always the spelling, with the
// engine's input-opening texts.

namespace quorvia::msg::probe {

// Library check (raised)
inline constexpr const char* AVCodecNotLoaded = "LibAVCodec not loaded.";
inline constexpr const char* AVFormatNotLoaded = "LibAVFormat not loaded.";
inline constexpr const char* AVUtilNotLoaded = "LibAVUtil not loaded.";
inline constexpr const char* SwScaleNotLoaded = "LibSwScale not loaded.";

// LoadFile (false)
inline constexpr const char* UnknownInputFormat = "Unknown input format: %s";            // format name
inline constexpr const char* CouldNotFindCodecParameters = "%s: could not find codec parameters";  // file

// A failed open reports the engine's library error text (engine/FileErrors.h).

// Queries (reported: logged and kept in LastErrMsg)
inline constexpr const char* FileNotLoaded = "file not loaded.";
inline constexpr const char* NoAudioStream = "no audio stream.";
inline constexpr const char* NoVideoStream = "no video stream.";
inline constexpr const char* StreamIndexInvalid = "stream index #%d is invalid.";   // index
inline constexpr const char* NotAudioStream = "stream #%d is not audio stream.";   // index
inline constexpr const char* NotVideoStream = "stream #%d is not video stream.";   // index

// Description text
inline constexpr const char* LineSeparator = "\r\n";
inline constexpr const char* NotAvailable = "N/A";
inline constexpr const char* InfoFileName = "File Name: %s";
inline constexpr const char* InfoFormatName = "Format Name: %s";
inline constexpr const char* InfoFormatLongName = "Format Long Name: %s";
inline constexpr const char* InfoFileSize = "File Size: %s";
inline constexpr const char* InfoDuration = "Duration: %s";
inline constexpr const char* InfoStartTime = "StartTime: %s";
inline constexpr const char* InfoBitRateNA = "Bit Rate: N/A";
inline constexpr const char* InfoBitRate = "Bit Rate: %lld kb/s";
inline constexpr const char* InfoTimeStamp = "Time Stamp: %s";
inline constexpr const char* InfoProgram = "Program %d %s";  // id, provider@name
inline constexpr const char* InfoMetadata = "%sMetadata:";    // prefix
inline constexpr const char* InfoTag = "%s  %-16s: %s";       // prefix, display name, value
inline constexpr const char* SizeBytes = "%d Byte";
inline constexpr const char* SizeKB = "%.2f KB";
inline constexpr const char* SizeMB = "%.2f MB";
inline constexpr const char* SizeGB = "%.2f GB";
inline constexpr const char* TimeFormat = "%.2d:%.2d:%.2d.%.3d";  // hours, minutes, seconds, milliseconds
inline constexpr const char* SecondsFormat = "%d.%.6d";          // seconds, microseconds
inline constexpr const char* StreamIndex = "Stream #%d";
inline constexpr const char* StreamId = "[0x%x]";
inline constexpr const char* StreamLanguage = "(%s)";
inline constexpr const char* StreamTimeBase = ", %d/%d";
inline constexpr const char* StreamCodec = ": %s";
inline constexpr const char* StreamAspect = ", PAR %d:%d DAR %d:%d";
inline constexpr const char* RateFraction = ", %3.2f %s";
inline constexpr const char* RateWhole = ", %1.0f %s";
inline constexpr const char* RateThousands = ", %1.0fk %s";
inline constexpr const char* StreamStartTime = ", StartTime: %s";
inline constexpr const char* StreamDuration = ", Duration: %s";

// Codec name of a stream
inline constexpr const char* CodecWithLongName = "%s(%s)";
inline constexpr const char* CodecMpeg2Ts = "mpeg2ts";
inline constexpr const char* CodecTagPrintable = "%c%c%c%c / 0x%04X";  // four characters, tag
inline constexpr const char* CodecTagNumber = "0x%04x";                // tag

}  // namespace quorvia::msg::probe
