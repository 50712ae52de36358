#pragma once
// Codec choice by name and the adjustments of a configured encoder to what
// the encoder lists as supported (pixel formats, sample formats, sample rates).
//
// Legacy encoder names: profiles and callers still use names the installed
// libraries lack. One table maps them to the installed equivalent
// ("libfaac" -> "aac", "libflac" -> "flac", "vorbis" -> "libvorbis", whose
// native encoder is experimental); the substitution is logged at warning
// level. AMR has no encoder here, so its names stay "Unknown encoder".
#include <optional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace quorvia {

struct TCodecChoice {
    AVCodecID Id = AV_CODEC_ID_NONE;
    const AVCodec* Codec = nullptr;  // the codec found by name; null when no name was given
};

// CheckCodec: an empty or absent name means none (true, Id none). Otherwise
// the codec is looked up by name as encoder or decoder; false with lastError
// "Unknown %s '%s'", "Invalid %s type '%s'" or the experimental-codec text
// when it is missing, of another media type, or experimental while strict is
// above FF_COMPLIANCE_EXPERIMENTAL. logSender tags the substitution warning.
bool CheckCodec(const std::optional<std::string>& name, AVMediaType mediaType, bool encoder,
                int strict, TCodecChoice& choice, std::string& lastError,
                const void* logSender = nullptr);

// The installed encoder name for a legacy one; nullptr when the name is not
// in the table.
const char* LegacyEncoderAlias(const std::string& name);

// Pixel format the encoder will take: pixFmt when the encoder lists it (or
// lists nothing), else the first listed. MJPEG with strict below 0 also takes
// yuv420p and yuv422p; with strict 0 or above only its full-range (yuvj)
// formats, since the installed encoder refuses limited-range YUV at open then.
int ChoosePixelFormat(const AVCodec* codec, int pixFmt, int strict);

// Sample format: sampleFmt when listed (or nothing is listed), else the first listed.
int ChooseSampleFormat(const AVCodec* codec, int sampleFmt);

// Sample rate: the listed rate nearest to rate (the first on a tie); logs
// "Requested sampling rate unsupported using closest supported (%d)" at
// warning level when that is not the requested one.
int ChooseSampleRate(const AVCodec* codec, int rate, const void* logSender = nullptr);

}  // namespace quorvia
