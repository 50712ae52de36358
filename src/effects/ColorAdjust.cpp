#include "effects/ColorAdjust.h"
#include "effects/RowBands.h"

#include <algorithm>
#include <cmath>

#include "app/BgrPicture.h"

namespace quorvia {

namespace {

// Positive contrast uses pi/200 exactly; zero and negative values use the
// rounded 0.015708. The two constants are deliberate: they decide the tables.
constexpr double kPiOver200 = 0.015707963267948966;
constexpr double kRoundedPiOver200 = 0.015708;
constexpr int kPivot = 170;

int Clamp255(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, 255)); }

// g + W[p] lies in -512..767 for saturations up to 512; the kernel works with
// it shifted by this much so that one table covers the whole range.
constexpr int kSumOffset = 512;
constexpr int kSumRange = 768 + kSumOffset;

struct TPixelKernel {
    std::array<uint16_t, 768> grey;       // GT[q] + kSumOffset
    std::array<uint16_t, 256> gain;       // W
    std::array<uint8_t, kSumRange> out;   // after(TT[clamp(v - kSumOffset)])
};

void BuildKernel(const TColorTables& t, const std::array<uint8_t, 256>* after, TPixelKernel& k)
{
    for (int q = 0; q < 768; ++q) k.grey[q] = static_cast<uint16_t>(t.Grey[q] + kSumOffset);
    k.gain = t.Gain;
    for (int v = 0; v < kSumRange; ++v) {
        const uint8_t tone = t.Tone[Clamp255(v - kSumOffset)];
        k.out[v] = after ? (*after)[tone] : tone;
    }
}

}  // namespace

TColorTables BuildColorTables(int32_t brightness, int32_t contrast, int32_t saturation)
{
    const int b = std::clamp(brightness, 0, 512);
    int ct = std::clamp(contrast, -100, 100);
    const int s = std::clamp(saturation, 0, 512);
    if (ct == 100) ct = 99;  // 1/cos would be infinite

    TColorTables t;
    const double k = ct > 0 ? 1.0 / std::cos(ct * kPiOver200) : std::cos(ct * kRoundedPiOver200);
    for (int i = 0; i < 256; ++i) {
        // Ties to even: nearbyint follows the default rounding mode.
        const double v = std::nearbyint((i - kPivot) * k + kPivot);
        t.Contrast[i] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    for (int j = 0; j < 256; ++j) {
        // Integer division truncates toward zero, as the tables require.
        t.Tone[j] = t.Contrast[Clamp255((256 - b + b * j) / 256)];
    }
    for (int m = 0; m < 256; ++m) t.Gain[m] = static_cast<uint16_t>(((m + 1) * s) >> 8);
    for (int q = 0; q < 768; ++q) t.Grey[q] = static_cast<int16_t>(q / 3 - t.Gain[q / 3]);
    return t;
}

void ApplyColorTables(BgrPicture& picture, const TColorTables& tables, const std::array<uint8_t, 256>* after)
{
    if (picture.Empty()) return;
    TPixelKernel k;
    BuildKernel(tables, after, k);
    const int width = picture.Width();
    ForRowBands(picture.Height(), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            uint8_t* p = picture.ScanLine(y);
            for (int x = 0; x < width; ++x, p += 3) {
                // Loaded before the first store: byte stores may alias anything.
                const unsigned b = p[0], gr = p[1], r = p[2];
                const unsigned g = k.grey[b + gr + r];
                p[0] = k.out[g + k.gain[b]];
                p[1] = k.out[g + k.gain[gr]];
                p[2] = k.out[g + k.gain[r]];
            }
        }
    });
}

void ApplyColorAdjust(BgrPicture& picture, int32_t brightness, int32_t contrast, int32_t saturation)
{
    ApplyColorTables(picture, BuildColorTables(brightness, contrast, saturation));
}

}  // namespace quorvia
