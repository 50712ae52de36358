// The colour and exposure passes split tall pictures into bands of rows on
// several threads; every band must come out as the same pass row by row.
#include <gtest/gtest.h>

#include <cstring>

#include "EffectsTestSupport.h"
#include "effects/ColorAdjust.h"
#include "effects/Exposure.h"

namespace quorvia::test {
namespace {

// Applies pass to the whole picture and to each row as a picture of its own.
template <typename Pass>
void ExpectBandsEqualRows(Pass pass)
{
    BgrPicture whole(97, 1081);  // odd sizes: the last band takes the remainder
    FillPattern(whole, 7);
    BgrPicture expected(97, 1081);
    FillPattern(expected, 7);
    BgrPicture row(97, 1);
    for (int y = 0; y < expected.Height(); ++y) {
        std::memcpy(row.ScanLine(0), expected.ScanLine(y), 97 * 3);
        pass(row);
        std::memcpy(expected.ScanLine(y), row.ScanLine(0), 97 * 3);
    }
    pass(whole);
    EXPECT_TRUE(SameBytes(whole, expected));
}

TEST(RowBands, TallPicturesComeOutAsRowByRow)
{
    ExpectBandsEqualRows([](BgrPicture& p) { ApplyColorAdjust(p, 300, 40, 100); });
    ExpectBandsEqualRows([](BgrPicture& p) { ApplyExposure(p, 60); });
}

}  // namespace
}  // namespace quorvia::test
