#pragma once
// One job of the batch: the record behind a row of the job list. The editing
// windows change it in place; the option builder, the batch driver and the
// conversion hook read it. Fields and initial values are those of a freshly
// added file.
#include <cstdint>
#include <string>

#include "effects/JobEffects.h"
#include "effects/WaterFont.h"

namespace quorvia {

struct TlvFilesRecord {
    int32_t AddOrder = 0;        // position in the selection it was added with
    std::string SourceFile;      // equal to the row caption
    std::string DestFile;        // proposed output path (shown in the list)
    int32_t Duration = 0;        // whole seconds
    int64_t TrimStart = 0;       // microseconds
    int64_t TrimDuration = 0;    // microseconds, 0 = to the end
    std::string ZoomMode = "lbox";  // "full", "lbox", "pan" or "center"
    int32_t CropTop = 0;
    int32_t CropLeft = 0;
    int32_t CropBottom = 0;
    int32_t CropRight = 0;
    int32_t CropUpView = 0;      // the crop window's own input values
    int32_t CropLeftView = 0;
    int32_t CropDownView = 0;
    int32_t CropRightView = 0;
    std::string WaterText;       // empty = none
    TWaterFont WaterFont;
    int32_t WaterTextX = 0;
    int32_t WaterTextY = 0;
    int32_t WaterTextHorz = 0;
    int32_t WaterTextVert = 0;
    std::string WaterImage;      // empty = none
    int32_t WaterImageX = 0;
    int32_t WaterImageY = 0;
    int32_t WaterImageHorz = 0;
    int32_t WaterImageVert = 0;
    int32_t WaterImageAlpha = 168;
    int32_t WaterImageStyle = 1;
    int32_t Brightness = kNeutralBrightness;
    int32_t Contrast = kNeutralContrast;
    int32_t Saturation = kNeutralSaturation;
    int32_t Exposure = kNeutralExposure;
    bool ProcessText = false;
    bool ProcessImage = false;

    bool HasCrop() const { return CropTop > 0 || CropBottom > 0 || CropLeft > 0 || CropRight > 0; }
};

// The effect settings of a job, as the picture effects take them.
inline TJobEffects EffectsOf(const TlvFilesRecord& job)
{
    TJobEffects fx;
    fx.WaterText = job.WaterText;
    fx.WaterFont = job.WaterFont;
    fx.WaterTextX = job.WaterTextX;
    fx.WaterTextY = job.WaterTextY;
    fx.WaterTextHorz = job.WaterTextHorz;
    fx.WaterTextVert = job.WaterTextVert;
    fx.WaterImage = job.WaterImage;
    fx.WaterImageX = job.WaterImageX;
    fx.WaterImageY = job.WaterImageY;
    fx.WaterImageHorz = job.WaterImageHorz;
    fx.WaterImageVert = job.WaterImageVert;
    fx.WaterImageAlpha = job.WaterImageAlpha;
    fx.WaterImageStyle = job.WaterImageStyle;
    fx.Brightness = job.Brightness;
    fx.Contrast = job.Contrast;
    fx.Saturation = job.Saturation;
    fx.Exposure = job.Exposure;
    fx.ProcessText = job.ProcessText;
    fx.ProcessImage = job.ProcessImage;
    return fx;
}

}  // namespace quorvia
