#include "effects/JobEffects.h"

#include <memory>

#include "app/BgrPicture.h"
#include "effects/BmpReader.h"
#include "effects/ColorAdjust.h"
#include "effects/Exposure.h"
#include "effects/Overlay.h"
#include "effects/TextMark.h"

namespace quorvia {

namespace {

void DrawText(BgrPicture& frame, const TJobEffects& fx)
{
    if (fx.HasText()) DrawTextMark(frame, fx.WaterText, fx.WaterFont, fx.WaterTextX, fx.WaterTextY);
}

void DrawImage(BgrPicture& frame, const TJobEffects& fx, const BgrPicture* watermark)
{
    if (fx.HasImage() && watermark)
        OverlayPicture(frame, *watermark, fx.WaterImageX, fx.WaterImageY, fx.WaterImageAlpha, fx.WaterImageStyle);
}

// Colour pass then exposure. When both run, the exposure table is folded
// into the colour pass's last table: one sweep over the frame, same bytes.
void AdjustTones(BgrPicture& frame, const TJobEffects& fx)
{
    const bool color = fx.ColorPassNeeded();
    const bool exposure = fx.ExposureNeeded();
    if (color && exposure) {
        const TExposureTable curve = BuildExposureTable(static_cast<float>(fx.Exposure));
        ApplyColorTables(frame, BuildColorTables(fx.Brightness, fx.Contrast, fx.Saturation), &curve);
    } else if (color) {
        ApplyColorAdjust(frame, fx.Brightness, fx.Contrast, fx.Saturation);
    } else if (exposure) {
        ApplyExposure(frame, static_cast<float>(fx.Exposure));
    }
}

}  // namespace

void ApplyJobEffects(BgrPicture& frame, const TJobEffects& fx, const BgrPicture* watermark)
{
    if (fx.ProcessText) DrawText(frame, fx);
    if (fx.ProcessImage) DrawImage(frame, fx, watermark);
    AdjustTones(frame, fx);
    if (!fx.ProcessText) DrawText(frame, fx);
    if (!fx.ProcessImage) DrawImage(frame, fx, watermark);
}

void ApplyJobEffects(BgrPicture& frame, const TJobEffects& fx)
{
    std::unique_ptr<BgrPicture> watermark;
    if (fx.HasImage()) {
        watermark = std::make_unique<BgrPicture>();
        ReadBmpFile(fx.WaterImage, *watermark);
    }
    ApplyJobEffects(frame, fx, watermark.get());
}

}  // namespace quorvia
