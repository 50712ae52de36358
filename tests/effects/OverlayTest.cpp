// Picture watermark blending: formulas, styles, placement and cutting.
#include <gtest/gtest.h>

#include "EffectsTestSupport.h"
#include "effects/Overlay.h"

namespace quorvia::test {
namespace {

struct TBlendCase {
    const char* name;
    int alpha, style;
    TBgr frame, mark, out;
};

class OverlayBlend : public ::testing::TestWithParam<TBlendCase> {};

TEST_P(OverlayBlend, Pixel)
{
    const TBlendCase& c = GetParam();
    BgrPicture frame(4, 3), mark(2, 2);
    frame.Fill(c.frame[0], c.frame[1], c.frame[2]);
    mark.Fill(c.mark[0], c.mark[1], c.mark[2]);
    OverlayPicture(frame, mark, 1, 1, c.alpha, c.style);
    EXPECT_EQ(PixelAt(frame, 1, 1), c.out);
    EXPECT_EQ(PixelAt(frame, 2, 2), c.out);
    EXPECT_EQ(PixelAt(frame, 0, 0), c.frame);
    EXPECT_EQ(PixelAt(frame, 3, 2), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, OverlayBlend,
    ::testing::Values(
        // (200*88 + 100*168) >> 8 = 134, (0*88 + 255*168) >> 8 = 167, (255*88 + 0) >> 8 = 87.
        TBlendCase{"Weighted", 168, 1, {200, 0, 255}, {100, 255, 0}, {134, 167, 87}},
        TBlendCase{"WeightedAlpha0KeepsFrame", 0, 1, {200, 17, 3}, {0, 255, 90}, {200, 17, 3}},
        TBlendCase{"WeightedAlpha255", 255, 1, {0, 255, 100}, {255, 0, 100}, {254, 0, 100}},
        TBlendCase{"WeightedAlphaAbove256Limited", 1000, 1, {0, 255, 100}, {255, 0, 100}, {255, 0, 100}},
        // 200*100/255 = 78, 17*255/255 = 17, 3*0 = 0.
        TBlendCase{"Multiply", 168, 2, {200, 17, 3}, {100, 255, 0}, {78, 17, 0}},
        TBlendCase{"MultiplyWhiteKeepsFrame", 0, 2, {200, 17, 3}, {255, 255, 255}, {200, 17, 3}},
        TBlendCase{"MultiplyWhiteKeepsFrameAnyAlpha", 255, 2, {200, 17, 3}, {255, 255, 255}, {200, 17, 3}},
        TBlendCase{"MultiplyBlackMakesBlack", 0, 2, {200, 17, 3}, {0, 0, 0}, {0, 0, 0}},
        TBlendCase{"MultiplyBlackMakesBlackAnyAlpha", 168, 2, {200, 17, 3}, {0, 0, 0}, {0, 0, 0}},
        TBlendCase{"OtherStyleMultiplies", 168, 7, {200, 17, 3}, {100, 255, 0}, {78, 17, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

struct TPlaceCase {
    const char* name;
    int markWidth, markHeight, x, y;
    int firstCol, firstRow, lastCol, lastRow;  // covered frame area; last < first: nothing
};

class OverlayPlacement : public ::testing::TestWithParam<TPlaceCase> {};

// Every frame pixel inside the covered area becomes the mark's pixel (alpha
// 256 copies), every other pixel and the row padding stay as they were.
TEST_P(OverlayPlacement, CoversOnlyItsArea)
{
    const TPlaceCase& c = GetParam();
    BgrPicture frame(10, 8), original(10, 8), mark(c.markWidth, c.markHeight);
    FillPattern(frame, 5);
    original.CopyFrom(frame);
    FillPattern(mark, 9);
    OverlayPicture(frame, mark, c.x, c.y, 256, 1);
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            const bool covered = x >= c.firstCol && x <= c.lastCol && y >= c.firstRow && y <= c.lastRow;
            const TBgr want = covered ? PixelAt(mark, x - c.x, y - c.y) : PixelAt(original, x, y);
            ASSERT_EQ(PixelAt(frame, x, y), want) << x << "," << y;
        }
        for (int i = 30; i < frame.Stride(); ++i) ASSERT_EQ(frame.ScanLine(y)[i], original.ScanLine(y)[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, OverlayPlacement,
    ::testing::Values(TPlaceCase{"Inside", 3, 2, 4, 5, 4, 5, 6, 6},
                      TPlaceCase{"TopLeft", 3, 2, 0, 0, 0, 0, 2, 1},
                      TPlaceCase{"ExactlyFillsToEdge", 4, 3, 6, 5, 6, 5, 9, 7},
                      TPlaceCase{"LargerThanFrameCutRightAndBottom", 25, 20, 3, 2, 3, 2, 9, 7},
                      TPlaceCase{"Horizontal100PercentDrawsNothing", 3, 2, 10, 1, 1, 1, 0, 0},
                      TPlaceCase{"Vertical100PercentDrawsNothing", 3, 2, 1, 8, 1, 1, 0, 0},
                      TPlaceCase{"FarOffDrawsNothing", 3, 2, 2147483647, 2147483647, 1, 1, 0, 0},
                      // Never produced by the windows; cut instead of writing before the frame.
                      TPlaceCase{"NegativeCutLeftAndTop", 4, 3, -2, -1, 0, 0, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvia::test
