// The exposure curve against the values it must give, bit for bit.
#include <gtest/gtest.h>

#include <map>

#include "EffectsTestSupport.h"
#include "effects/Exposure.h"

namespace quorvia::test {
namespace {

struct TExposureCase {
    int exposure;
    std::map<int, int> levels;  // level -> level
};

class ExposureLevels : public ::testing::TestWithParam<TExposureCase> {};

TEST_P(ExposureLevels, Table)
{
    const TExposureCase& c = GetParam();
    const TExposureTable table = BuildExposureTable(static_cast<float>(c.exposure));
    for (const auto& [in, out] : c.levels) EXPECT_EQ(table[in], out) << "level " << in;
    // The ends never move.
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[255], 255);
}

INSTANTIATE_TEST_SUITE_P(Curve, ExposureLevels,
                         ::testing::Values(TExposureCase{100, {{1, 2}, {64, 125}, {128, 196}, {192, 235}, {254, 254}}},
                                           TExposureCase{-100, {{64, 0}, {128, 0}, {192, 52}}},
                                           TExposureCase{-255, {}}, TExposureCase{-1, {}}, TExposureCase{1, {}},
                                           TExposureCase{512, {}}, TExposureCase{100000, {}},
                                           TExposureCase{-100000, {}}));

TEST(Exposure, ZeroIsIdentity)
{
    const TExposureTable table = BuildExposureTable(0.0f);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i);
}

TEST(Exposure, PositiveLiftsNegativeLowers)
{
    const TExposureTable up = BuildExposureTable(50.0f), down = BuildExposureTable(-50.0f);
    for (int i = 1; i < 255; ++i) {
        EXPECT_GE(up[i], i) << i;
        EXPECT_LE(down[i], i) << i;
    }
}

TEST(Exposure, MapsEveryByteOfEveryPixelAlikeAndLeavesPadding)
{
    BgrPicture picture(33, 9), original(33, 9);
    FillPattern(picture, 11);
    original.CopyFrom(picture);
    ApplyExposure(picture, 100.0f);
    const TExposureTable table = BuildExposureTable(100.0f);
    for (int y = 0; y < 9; ++y) {
        for (int i = 0; i < picture.Stride(); ++i) {
            const uint8_t before = original.ScanLine(y)[i];
            const uint8_t want = i < 33 * 3 ? table[before] : before;
            ASSERT_EQ(picture.ScanLine(y)[i], want) << "row " << y << " byte " << i;
        }
    }
}

}  // namespace
}  // namespace quorvia::test
