// Text watermark drawn with Qt into the frame's own bytes.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include "EffectsTestSupport.h"
#include "effects/TextMark.h"

namespace quorvia::test {
namespace {

struct TBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
};

// Bounding box of the pixels that changed.
TBox ChangedBox(const BgrPicture& a, const BgrPicture& b)
{
    TBox box;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

TWaterFont Font(int size, uint32_t colour)
{
    TWaterFont f;
    f.Name = "DejaVu Sans";
    f.Size = size;
    f.Color = colour;
    return f;
}

TEST(TextMark, PixelSizeAtHeadlessResolution)
{
    EXPECT_EQ(TextPixelsPerInch(), 96);
    struct {
        int points, ppi, pixels;
    } const cases[] = {{8, 96, 11}, {9, 96, 12}, {10, 96, 13}, {12, 96, 16}, {70, 96, 93},
                       {8, 120, 13}, {3, 96, 4}, {0, 96, 1}, {-5, 96, 1}};
    for (const auto& c : cases) EXPECT_EQ(FontPixelSize(c.points, c.ppi), c.pixels) << c.points << "@" << c.ppi;
}

TEST(TextMark, SetResolutionOverridesScreen)
{
    SetTextPixelsPerInch(144);
    EXPECT_EQ(TextPixelsPerInch(), 144);
    SetTextPixelsPerInch(0);
    EXPECT_EQ(TextPixelsPerInch(), 96);
}

TEST(TextMark, DrawsInsideItsCellWithTransparentBackground)
{
    BgrPicture frame(200, 80), original(200, 80);
    FillPattern(frame, 21);
    original.CopyFrom(frame);
    const TWaterFont font = Font(20, 0xFF0000);  // red
    DrawTextMark(frame, "Hi Mark", font, 30, 20);

    QFont qfont(QString::fromStdString(font.Name));
    qfont.setPixelSize(FontPixelSize(font.Size, 96));
    const QFontMetrics metrics(qfont);
    const TBox box = ChangedBox(original, frame);
    ASSERT_FALSE(box.Empty());
    // Top-left corner of the text cell at (30, 20); anti-aliased edges may
    // reach a pixel out.
    EXPECT_GE(box.left, 29);
    EXPECT_GE(box.top, 20);
    EXPECT_LE(box.right, 30 + metrics.horizontalAdvance("Hi Mark") + 1);
    EXPECT_LE(box.bottom, 20 + metrics.height());
    EXPECT_LE(box.left, 33);

    // Glyph cores carry the colour exactly; most of the cell keeps the frame.
    int red = 0, kept = 0, cell = 0;
    for (int y = box.top; y <= box.bottom; ++y)
        for (int x = box.left; x <= box.right; ++x, ++cell) {
            if (PixelAt(frame, x, y) == TBgr{0, 0, 255}) ++red;
            if (PixelAt(frame, x, y) == PixelAt(original, x, y)) ++kept;
        }
    EXPECT_GT(red, 20);
    EXPECT_GT(kept, cell / 3);
}

TEST(TextMark, ClippedAtFrameEdgesPaddingUntouched)
{
    BgrPicture frame(40, 12), original(40, 12);
    FillPattern(frame, 4);
    original.CopyFrom(frame);
    DrawTextMark(frame, "WWWWWWWWWW", Font(30, 0xFFFFFF), 25, 2);
    EXPECT_GT(ChangedPixels(original, frame), 0);
    EXPECT_LT(ChangedBox(original, frame).left, 40);
    for (int y = 0; y < frame.Height(); ++y)
        for (int i = 40 * 3; i < frame.Stride(); ++i) ASSERT_EQ(frame.ScanLine(y)[i], original.ScanLine(y)[i]);
}

TEST(TextMark, NothingForEmptyTextOrOutsideFrame)
{
    BgrPicture frame(50, 20), original(50, 20);
    FillPattern(frame, 8);
    original.CopyFrom(frame);
    DrawTextMark(frame, "", Font(12, 0), 0, 0);
    DrawTextMark(frame, "far", Font(12, 0), 50, 0);
    DrawTextMark(frame, "far", Font(12, 0), 0, 20);
    DrawTextMark(frame, "far", Font(12, 0), 2147483647, 2147483647);
    EXPECT_TRUE(SameBytes(frame, original));
}

// Each style changes the drawing, and the size changes the cell's height.
TEST(TextMark, StylesAndSizeShowInPixels)
{
    const auto draw = [](const TWaterFont& font) {
        auto frame = std::make_unique<BgrPicture>(160, 60);
        frame->Fill(255, 255, 255);
        DrawTextMark(*frame, "Quorvia", font, 5, 5);
        return frame;
    };
    const TWaterFont plain = Font(14, 0);
    const auto base = draw(plain);
    TWaterFont bold = plain, italic = plain, underline = plain, strike = plain;
    bold.Bold = true;
    italic.Italic = true;
    underline.Underline = true;
    strike.StrikeOut = true;
    for (const TWaterFont* styled : {&bold, &italic, &underline, &strike})
        EXPECT_GT(ChangedPixels(*base, *draw(*styled)), 10);

    BgrPicture white(160, 60);
    white.Fill(255, 255, 255);
    const TBox small = ChangedBox(white, *base);
    const TBox large = ChangedBox(white, *draw(Font(28, 0)));
    EXPECT_GT(large.bottom - large.top, (small.bottom - small.top) * 3 / 2);
}

TEST(TextMark, UnicodeText)
{
    BgrPicture frame(100, 30), original(100, 30);
    frame.Fill(0, 0, 0);
    original.CopyFrom(frame);
    DrawTextMark(frame, "\xc3\x85ngstr\xc3\xb6m", Font(12, 0x00FF00), 0, 0);
    EXPECT_GT(ChangedPixels(original, frame), 10);
}

}  // namespace
}  // namespace quorvia::test
