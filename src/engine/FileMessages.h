#pragma once
// Texts of input opening, output file and stream creation and the codec
// check. Format texts take their arguments in the order shown.

namespace quorvia::msg {

// Codec check.
inline constexpr const char* KindEncoder = "encoder";
inline constexpr const char* KindDecoder = "decoder";
inline constexpr const char* UnknownCodec = "Unknown %s '%s'";        // kind, name
inline constexpr const char* InvalidCodecType = "Invalid %s type '%s'";  // kind, name
inline constexpr const char* ExperimentalCodec =
    "%s '%s' is experimental and might produce bad results.\r\n"
    "Add '-strict experimental' if you want to use it.";  // kind, codec name
inline constexpr const char* NonExperimentalAlternative =
    "\r\nOr use the non experimental %s '%s'.";  // kind, codec name
inline constexpr const char* LegacyEncoderSubstituted =
    "Encoder '%s' is not available in the installed libraries; using '%s' instead";  // asked, used
inline constexpr const char* UnsupportedSampleRate =
    "Requested sampling rate unsupported using closest supported (%d)";  // rate

// Library error texts: the file name, ": " and the text of the error code.
inline constexpr const char* LibraryErrorFormat = "%s: %s";  // file, reason
inline constexpr const char* ErrNoSuchFile = "No such file or directory";
inline constexpr const char* ErrIO = "I/O error";
inline constexpr const char* ErrNoMemory = "Not enough memory";
inline constexpr const char* ErrInvalidData = "Invalid data found when processing input";
inline constexpr const char* ErrEndOfFile = "End of file";
inline constexpr const char* ErrNumberExpected = "Number syntax expected in filename";
inline constexpr const char* ErrUnknownFormat = "Unknown format";
inline constexpr const char* ErrUnsupportedProtocol = "Unsupported network protocol";
inline constexpr const char* ErrNotImplemented = "Not yet implemented in FFmpeg";
inline constexpr const char* ErrNumber = "Error number %d occurred";  // code

// Input opening.
inline constexpr const char* UnknownInputFormatQuoted = "Unknown input format: \"%s\"";  // format
inline constexpr const char* FormatContextAllocFailed = "avformat_alloc_context failed";
inline constexpr const char* ProgramIdNotFound = "Specified program id not found";
inline constexpr const char* CouldNotFindCodecParameters = "%s: could not find codec parameters";  // file
inline constexpr const char* CouldNotSeek = "%s: could not seek to position %0.3f";  // file, seconds
inline constexpr const char* FrameRateDiffers =
    "Seems stream %d codec frame rate differs from container frame rate: "
    "%2.2f (%d/%d) -> %2.2f (%d/%d)";  // index, codec fps, den, num, stream fps, num, den
inline constexpr const char* InvalidCodecTypeInput = "invalid codec_type";
inline constexpr const char* TooManyInputFiles = "Too many input files: at most %d can be opened";  // 20
inline constexpr const char* DecoderContextAllocFailed = "Could not allocate a decoder context";
inline constexpr const char* MeThresholdUnsupported =
    "me_threshold is not supported by the installed libraries; motion vectors are exported instead";

// Output creation.
inline constexpr const char* CannotJoinMore = "Cannot join more than one output file.";
inline constexpr const char* NotSuitableOutputFormat =
    "Requested output format '%s' is not a suitable output format";  // format
inline constexpr const char* NoSuitableOutputFormat =
    "Unable to find a suitable output format for '%s'";  // file
inline constexpr const char* InvalidCodecTypeOfInputFile = "invalid codec_type of input file";
inline constexpr const char* CheckInputsFailed = "check_audio_video_sub_inputs fail: %s";  // reason
inline constexpr const char* NewVideoStreamFailed = "new_video_stream fail: %s";        // reason
inline constexpr const char* NewAudioStreamFailed = "new_audio_stream fail: %s";        // reason
inline constexpr const char* NewSubtitleStreamFailed = "new_subtitle_stream fail: %s";  // reason
inline constexpr const char* InvalidEncodingParameters = "%s: Invalid encoding parameters";  // file
inline constexpr const char* CouldNotAllocStream = "Could not alloc stream";
inline constexpr const char* ErrorParsingRcOverride = "error parsing rc_override";
inline constexpr const char* TooManyOutputFiles = "max output files %d reached";  // 20
inline constexpr const char* TooManyOutputStreams =
    "Could not alloc stream: an output file holds at most %d streams";  // 20
inline constexpr const char* EncoderContextAllocFailed = "Could not allocate an encoder context";
inline constexpr const char* OutputIsInput =
    "Output file '%s' is input file #%d of this task; it cannot be overwritten";  // file, index
inline constexpr const char* MeThresholdIgnored =
    "me_threshold is not supported by the installed encoders and is ignored";
inline constexpr const char* UnknownBitstreamFilterName = "Unknown bitstream filter %s";  // name

}  // namespace quorvia::msg
