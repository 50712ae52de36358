#pragma once
// Message texts of the transcode (set-up, packet loop, decoding, stream copy,
// writing, run wrapper and reports). printf-style where they take values.
namespace quorvia::transcode::msg {

// Set-up.
inline constexpr const char* NoOutputStream = "Output file #%d does not contain any stream";
inline constexpr const char* MapCountMismatch = "Number of stream maps must match number of output streams";
inline constexpr const char* MapNoInputStream = "Could not find input stream #%d.%d";
inline constexpr const char* MapNoSyncStream = "Could not find sync stream #%d.%d";
inline constexpr const char* MallocFail = "av_mallocz fail";
inline constexpr const char* ReallocFail = "av_realloc fail";
inline constexpr const char* CodecTypeMismatch = "Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)";
inline constexpr const char* NoMatchingInput = "Could not find input stream matching output stream #%d.%d (%s)";
inline constexpr const char* ExtradataTooLarge = "icodec.extradata_size is invalid (too large)";
inline constexpr const char* CopyAndCustomHook = "-vcodec copy and CustomHook are incompatible (frames are not decoded)";
inline constexpr const char* CopyAndVhook = "-vcodec copy and -vhook are incompatible (frames are not decoded)";
inline constexpr const char* CopyAndPostHooks = "-vcodec copy and PostHooks are incompatible (frames are not decoded)";
inline constexpr const char* CopyAndVolume = "-acodec copy and -vol are incompatible (frames are not decoded)";
inline constexpr const char* InvalidOutputCodecType = "invalid codec_type of output stream";
inline constexpr const char* FifoAllocFail = "av_fifo_alloc fail";
inline constexpr const char* CannotWriteLog = "Cannot write log file %s for pass-1 encoding";
inline constexpr const char* LogAllocFail = "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding";
inline constexpr const char* LogReadFail = "Cannot read file: Error reading log file \"%s\" for pass-2 encoding";
inline constexpr const char* OutputBufferFail = "Cannot allocate %d bytes output buffer";
inline constexpr const char* EncoderNotFound = "Encoder (codec id %d) not found for output stream #%d.%d (%s)";
inline constexpr const char* EncoderOpenFail =
    "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters such as "
    "bit_rate, rate, width or height. Please check error log message to find out more detail information.";
inline constexpr const char* DecoderNotFound = "Decoder (codec id %d) not found for input stream #%d.%d (%s)";
inline constexpr const char* DecoderOpenFail = "Error while opening decoder for input stream #%d.%d (%s)";
inline constexpr const char* MetaOutIndex = "Invalid output file index %d map_meta_data(%d,%d)";
inline constexpr const char* MetaInIndex = "Invalid input file index %d map_meta_data(%d,%d)";
inline constexpr const char* HeaderFail = "Could not write header for output file #%d (incorrect codec parameters ?)";
inline constexpr const char* Sdp = "SDP:\r\n%s";
inline constexpr const char* StreamMapping = "Stream mapping:";
inline constexpr const char* StreamMappingLine = "  Stream #%d.%d -> #%d.%d (%s)";
inline constexpr const char* StreamMappingSync = " [sync #%d.%d (%s)]";
// The threads option keeps its message; the codec contexts use every core anyway.
inline constexpr const char* BitstreamFilterInit = "Failed to initialize bitstream filter %s for stream %d: %s";

// Packet loop.
inline constexpr const char* TimestampDiscontinuity = "timestamp discontinuity %lld, new offset= %lld";
inline constexpr const char* DecodeError = "Error while decoding stream #%d.%d (%s)";

// Decoding, stream copy, writing.
inline constexpr const char* MultipleFrames = "Multiple frames in a packet from stream %d";
inline constexpr const char* InvalidCodecType = "invalid codec_type";
inline constexpr const char* BitstreamFilterFail = "%s failed for stream %d, codec %s";
inline constexpr const char* WriteFail = "av_interleaved_write_frame()";
inline constexpr const char* SubtitleNoPts = "Subtitle packets must have a pts";
inline constexpr const char* SubtitleEncodeFail = "Subtitle encoding failed";
inline constexpr const char* TrailerFail = "av_write_trailer()";

// Run wrapper and reports.
inline constexpr const char* NeedOutputFile = "At least one output file must be specified";
inline constexpr const char* NeedInputFile = "At least one input file must be specified";
inline constexpr const char* ReportFrame = "frame=%5d fps=%3d q=%3.1f ";
inline constexpr const char* ReportQ = "q=%2.1f ";
inline constexpr const char* ReportSize = "size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s";
inline constexpr const char* ReportDupDrop = " dup=%d drop=%d";
inline constexpr const char* FinalStatistics =
    "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n";

}  // namespace quorvia::transcode::msg
