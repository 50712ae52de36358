// The colour pass against the values the tables must give, bit for bit.
#include <gtest/gtest.h>

#include <functional>

#include "EffectsTestSupport.h"
#include "effects/ColorAdjust.h"

namespace quorvia::test {
namespace {

// One row of grey levels 0..255: with saturation 256 (no colour change) the
// pass maps level i to the tone table's entry i, visible pixel by pixel.
void MakeLevelRamp(BgrPicture& ramp)
{
    ramp.SetSize(256, 1);
    for (int i = 0; i < 256; ++i) SetPixel(ramp, i, 0, {uint8_t(i), uint8_t(i), uint8_t(i)});
}

struct TLevelCase {
    const char* name;
    int brightness, contrast;
    std::function<int(int)> expected;  // level -> level
};

class ColorLevels : public ::testing::TestWithParam<TLevelCase> {};

TEST_P(ColorLevels, MapsEveryGreyLevel)
{
    const TLevelCase& c = GetParam();
    BgrPicture ramp;
    MakeLevelRamp(ramp);
    ApplyColorAdjust(ramp, c.brightness, c.contrast, 256);
    for (int i = 0; i < 256; ++i) {
        const int want = c.expected(i);
        ASSERT_EQ(PixelAt(ramp, i, 0), (TBgr{uint8_t(want), uint8_t(want), uint8_t(want)})) << "level " << i;
    }
}

int Contrast100(int i)
{
    if (i <= 167) return 0;
    if (i >= 172) return 255;
    static const int middle[] = {43, 106, 170, 234};
    return middle[i - 168];
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ColorLevels,
    ::testing::Values(
        TLevelCase{"Identity", 256, 0, [](int i) { return i; }},
        // 255 lowers every level from 2 up by one.
        TLevelCase{"Brightness255", 255, 0, [](int i) { return i < 2 ? i : i - 1; }},
        TLevelCase{"Brightness0", 0, 0, [](int) { return 1; }},
        TLevelCase{"Brightness512", 512, 0, [](int i) { return i >= 128 ? 255 : std::max(2 * i - 1, 0); }},
        TLevelCase{"Contrast100", 256, 100, Contrast100},
        TLevelCase{"Contrast99SameAs100", 256, 99, Contrast100},
        TLevelCase{"OutOfRangeContrastAs100", 256, 1000, Contrast100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColorTables, ContrastMinus50)
{
    const TColorTables t = BuildColorTables(256, -50, 256);
    EXPECT_EQ(t.Contrast[0], 50);
    EXPECT_EQ(t.Contrast[170], 170);
    EXPECT_EQ(t.Contrast[255], 230);
    // A flatter curve: never steeper than identity around the pivot.
    for (int i = 1; i < 256; ++i) EXPECT_LE(t.Contrast[i] - t.Contrast[i - 1], 1) << i;
}

TEST(ColorTables, SaturationGainAndGrey)
{
    // 255 and 256 both give the identity gain ...
    for (int s : {255, 256}) {
        const TColorTables t = BuildColorTables(256, 0, s);
        for (int m = 0; m < 256; ++m) ASSERT_EQ(t.Gain[m], s == 256 ? m + 1 : m) << s << " " << m;
    }
    // ... and the grey table is the level less its gain.
    const TColorTables t = BuildColorTables(256, 0, 300);
    for (int q = 0; q < 768; ++q) ASSERT_EQ(t.Grey[q], q / 3 - ((q / 3 + 1) * 300 >> 8)) << q;
}

struct TPixelCase {
    const char* name;
    int brightness, contrast, saturation;
    TBgr in, out;
};

class ColorPixels : public ::testing::TestWithParam<TPixelCase> {};

TEST_P(ColorPixels, MapsPixel)
{
    const TPixelCase& c = GetParam();
    BgrPicture picture(3, 2);
    picture.Fill(c.in[0], c.in[1], c.in[2]);
    ApplyColorAdjust(picture, c.brightness, c.contrast, c.saturation);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(picture, x, y), c.out) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ColorPixels,
    ::testing::Values(TPixelCase{"Brightness255Darkens", 255, 0, 256, {10, 100, 200}, {9, 99, 199}},
                      TPixelCase{"Saturation0Grey", 255, 0, 0, {10, 100, 200}, {102, 102, 102}},
                      TPixelCase{"Saturation255KeepsColour", 256, 0, 255, {10, 100, 200}, {10, 100, 200}},
                      // Double gain: grey 103 - 208 = -105, plus gains 22, 202, 402.
                      TPixelCase{"Saturation512", 256, 0, 512, {10, 100, 200}, {0, 97, 255}},
                      TPixelCase{"ChannelsAlike", 255, 0, 0, {200, 100, 10}, {102, 102, 102}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColorAdjust, NeutralPassLeavesEveryPixelAndThePadding)
{
    BgrPicture picture(97, 13), original(97, 13);
    FillPattern(picture, 7);
    original.CopyFrom(picture);
    ApplyColorAdjust(picture, 256, 0, 256);
    EXPECT_TRUE(SameBytes(picture, original));
}

TEST(ColorAdjust, PaddingUntouchedWhenPixelsChange)
{
    BgrPicture picture(5, 4), original(5, 4);
    FillPattern(picture, 3);
    original.CopyFrom(picture);
    ApplyColorAdjust(picture, 400, 60, 30);
    for (int y = 0; y < 4; ++y)
        for (int i = 15; i < picture.Stride(); ++i) ASSERT_EQ(picture.ScanLine(y)[i], original.ScanLine(y)[i]);
}

}  // namespace
}  // namespace quorvia::test
