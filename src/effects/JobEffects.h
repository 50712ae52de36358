#pragma once
// The effect settings of one job and the fixed order in which they treat a
// frame. The job record of the job list embeds (or converts to) TJobEffects;
// the field names and initial values are the job record's.
//
// Order on one frame:
//   1. watermarks whose process flag is set (text, then picture),
//   2. colour pass (skipped at 255/0/255), exposure (skipped at 0),
//   3. watermarks whose process flag is clear (text, then picture).
#include <cstdint>
#include <string>

#include "effects/WaterFont.h"

namespace quorvia {

class BgrPicture;

// Values that count as "no change".
inline constexpr int32_t kNeutralBrightness = 255;
inline constexpr int32_t kNeutralContrast = 0;
inline constexpr int32_t kNeutralSaturation = 255;
inline constexpr int32_t kNeutralExposure = 0;

struct TJobEffects {
    std::string WaterText;        // empty = no text
    TWaterFont WaterFont;
    int32_t WaterTextX = 0;       // pixels of the source frame
    int32_t WaterTextY = 0;
    int32_t WaterTextHorz = 0;    // percent, kept for the watermark window
    int32_t WaterTextVert = 0;
    std::string WaterImage;       // path of a .bmp file, empty = no picture
    int32_t WaterImageX = 0;
    int32_t WaterImageY = 0;
    int32_t WaterImageHorz = 0;
    int32_t WaterImageVert = 0;
    int32_t WaterImageAlpha = 168;  // 0..255, weight of the picture out of 256
    int32_t WaterImageStyle = 1;    // 1 weighted blend, other values multiply
    int32_t Brightness = kNeutralBrightness;  // 0..512
    int32_t Contrast = kNeutralContrast;      // -100..100
    int32_t Saturation = kNeutralSaturation;  // 0..512
    int32_t Exposure = kNeutralExposure;      // -255..512
    bool ProcessText = false;   // colour and exposure also over the text
    bool ProcessImage = false;  // colour and exposure also over the picture

    bool operator==(const TJobEffects&) const = default;

    bool ColorPassNeeded() const
    {
        return !(Brightness == kNeutralBrightness && Contrast == kNeutralContrast &&
                 Saturation == kNeutralSaturation);
    }
    bool ExposureNeeded() const { return Exposure != kNeutralExposure; }
    bool HasText() const { return !WaterText.empty(); }
    bool HasImage() const { return !WaterImage.empty(); }
    // Nothing to do at all: the frame would come out unchanged.
    bool NoChange() const { return !ColorPassNeeded() && !ExposureNeeded() && !HasText() && !HasImage(); }
};

// Treats the frame in the fixed order. watermark is the picture of
// fx.WaterImage already read (see ReadBmpFile); null skips the picture step.
// Throws TEffectsError when the text cannot be drawn.
void ApplyJobEffects(BgrPicture& frame, const TJobEffects& fx, const BgrPicture* watermark);

// Same, reading fx.WaterImage first: a file that cannot be read throws
// TEffectsError before the frame is touched.
void ApplyJobEffects(BgrPicture& frame, const TJobEffects& fx);

}  // namespace quorvia
