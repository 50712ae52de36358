#pragma once
// Target presets ("vcd", "svcd", "dvd", "dv", "dv50"): one step that sets
// container, codecs, picture size, frame rate, rates, buffer sizes and muxer
// packet parameters for a disc or camcorder format. They write the option
// state through the ordinary setters, so everything applied later overrides
// them. The entry point is TCustomFFmpeg::ApplyTarget.
#include <string_view>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

namespace quorvia {

enum TTargetNorm { tnPAL = 0, tnNTSC = 1, tnFILM = 2, tnUndecided = 3 };

// The frame rate text applied with option "r": "25", "30000/1001", "24000/1001".
const char* TargetNormFrameRate(TTargetNorm norm);

// Norm of an explicit norm name: "pal", "ntsc", "film"; tnUndecided otherwise.
TTargetNorm TargetNormFromName(std::string_view name);

// Norm from a rate: 1000 x rate rounded; 23976 or 29970 is NTSC, 25000 PAL,
// anything else (or a rate with a zero part) undecided.
TTargetNorm TargetNormFromRate(AVRational rate);

// Detection: the pending frame rate first, then the inputs' video stream
// rates in order, then the fallback ("film", "ntsc", anything else PAL).
// Throws FFmpegException "frame_rate is invalid." when frameRate.den is 0.
TTargetNorm DetectTargetNorm(AVRational frameRate, const std::vector<AVRational>& inputRates,
                             std::string_view fallbackNorm);

}  // namespace quorvia
