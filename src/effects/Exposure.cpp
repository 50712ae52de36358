#include "effects/Exposure.h"
#include "effects/RowBands.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/BgrPicture.h"

namespace quorvia {

TExposureTable BuildExposureTable(float exposure)
{
    const double x = std::clamp(static_cast<double>(exposure), -255.0, 512.0);
    TExposureTable table{};
    for (int i = 0; i < 256; ++i) {
        const double t = (i / -128.0) * (x / 128.0);
        const double v = (1.0 - std::exp(t)) * 256.0;
        // Ties to even: llrint follows the default rounding mode.
        const int64_t n = std::llrint(v);
        const int64_t rest = 255 - i;
        // n has the sign of x, so both products are never negative.
        const int64_t level = x >= 0 ? i + ((n * rest) >> 8) : i - (((-n) * rest) >> 8);
        table[i] = static_cast<uint8_t>(std::clamp<int64_t>(level, 0, 255));
    }
    return table;
}

void ApplyByteTable(BgrPicture& picture, const TExposureTable& table)
{
    if (picture.Empty()) return;
    const int bytes = picture.Width() * 3;
    const uint8_t* t = table.data();
    ForRowBands(picture.Height(), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            uint8_t* p = picture.ScanLine(y);
            int i = 0;
            // Eight bytes per step through a register: the stores cannot then
            // alias the next loads, which keeps the look-ups flowing.
            for (; i + 8 <= bytes; i += 8) {
                uint64_t v;
                std::memcpy(&v, p + i, 8);
                uint64_t out = 0;
                for (int k = 0; k < 8; ++k) out |= static_cast<uint64_t>(t[(v >> (8 * k)) & 0xFF]) << (8 * k);
                std::memcpy(p + i, &out, 8);
            }
            for (; i < bytes; ++i) p[i] = t[p[i]];
        }
    });
}

void ApplyExposure(BgrPicture& picture, float exposure)
{
    ApplyByteTable(picture, BuildExposureTable(exposure));
}

}  // namespace quorvia
