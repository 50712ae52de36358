#pragma once
// Message texts of the audio output path. printf-style where they take values.
namespace quorvia::transcode::audiomsg {

inline constexpr const char* BufferSizesTooLarge = "Buffer sizes too large in do_audio_out";
inline constexpr const char* OutOfMemory = "Out of memory in do_audio_out";
inline constexpr const char* CannotResample = "Can not resample %d channels @ %d Hz to %d channels @ %d Hz";
inline constexpr const char* CannotConvert = "Cannot convert %s sample format to %s sample format";
inline constexpr const char* ConvertFailed = "av_audio_convert() failed";
inline constexpr const char* FifoReallocFailed = "av_fifo_realloc2() failed";
inline constexpr const char* EncodingFailed = "Audio encoding failed";
inline constexpr const char* FrameBytesInvalid = "frame_bytes invalid.";

// Synchronisation (logged at llVerbose with Verbose > 2).
inline constexpr const char* Discarding = "discarding %d audio samples";
inline constexpr const char* AddingSilence = "adding %d audio samples of silence";
inline constexpr const char* Compensating = "compensating audio timestamp drift:%f compensation:%d in:%d";

}  // namespace quorvia::transcode::audiomsg
