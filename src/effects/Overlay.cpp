#include "effects/Overlay.h"

#include <algorithm>

#include "app/BgrPicture.h"

namespace quorvia {

namespace {

// One run of bytes; written as plain loops over 16-bit-safe arithmetic so
// the compiler can vectorise them.
void BlendWeighted(uint8_t* d, const uint8_t* m, int bytes, unsigned alpha)
{
    const unsigned keep = 256 - alpha;
    for (int i = 0; i < bytes; ++i) d[i] = static_cast<uint8_t>((d[i] * keep + m[i] * alpha) >> 8);
}

void BlendMultiply(uint8_t* d, const uint8_t* m, int bytes)
{
    for (int i = 0; i < bytes; ++i) d[i] = static_cast<uint8_t>(d[i] * m[i] / 255u);
}

}  // namespace

void OverlayPicture(BgrPicture& frame, const BgrPicture& mark, int32_t x, int32_t y, int32_t alpha, int32_t style)
{
    // Rows and columns of the frame covered by the mark, in 64 bits so that
    // far-off positions cannot overflow.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + mark.Width(), frame.Width());
    const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + mark.Height(), frame.Height());
    if (right <= left || bottom <= top) return;

    const int bytes = static_cast<int>(right - left) * 3;
    const int markCol = static_cast<int>(left - x);
    const unsigned a = static_cast<unsigned>(std::clamp(alpha, 0, 256));
    for (int64_t row = top; row < bottom; ++row) {
        uint8_t* d = frame.ScanLine(static_cast<int>(row)) + left * 3;
        const uint8_t* m = mark.ScanLine(static_cast<int>(row - y)) + markCol * 3;
        if (style == kOverlayWeighted)
            BlendWeighted(d, m, bytes, a);
        else
            BlendMultiply(d, m, bytes);
    }
}

}  // namespace quorvia
