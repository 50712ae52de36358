// Watermark bitmap files of every bit depth made 24-bit. Files come from the
// ffmpeg tool (decoded again by it as the oracle), from QImage, and for the
// layouts neither writes, from bytes put together here.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "EffectsTestSupport.h"
#include "effects/BmpReader.h"
#include "effects/EffectsError.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

struct TFfmpegCase {
    const char* format;
    // 16-bit layouts: the channel masks (blue, green, red). Their raw values
    // come from ffmpeg; the widening to 8 bits is ours (top value -> 255),
    // which ffmpeg's own conversion does differently.
    std::array<uint16_t, 3> masks{};
};

uint8_t Widen(uint16_t pixel, uint16_t mask)
{
    const int shift = std::countr_zero(mask);
    const unsigned max = mask >> shift, v = (pixel & mask) >> shift;
    return uint8_t((v * 255 + max / 2) / max);
}

class BmpFromFfmpeg : public ::testing::TestWithParam<TFfmpegCase> {};

TEST_P(BmpFromFfmpeg, DecodesAsFfmpegDoes)
{
    const TFfmpegCase& c = GetParam();
    const bool sixteen = c.masks[0] != 0;
    TempDir dir;
    const std::string bmp = dir.file("mark.bmp"), raw = dir.file("mark.raw");
    // An odd width so every row carries padding.
    ASSERT_EQ(RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=37x21 -frames:v 1 -pix_fmt " +
                         std::string(c.format) + " -y " + ShellQuote(bmp)),
              0);
    ASSERT_EQ(RunCommand("ffmpeg -v error -i " + ShellQuote(bmp) + " -f rawvideo -pix_fmt " +
                         (sixteen ? std::string(c.format) : "bgr24") + " -y " + ShellQuote(raw)),
              0);
    const std::vector<uint8_t> decoded = ReadAll(raw);
    ASSERT_EQ(decoded.size(), 37u * 21 * (sixteen ? 2 : 3));

    BgrPicture picture;
    ReadBmpFile(bmp, picture);
    ASSERT_EQ(picture.Width(), 37);
    ASSERT_EQ(picture.Height(), 21);
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 37; ++x) {
            TBgr want;
            if (sixteen) {
                const size_t at = (size_t(y) * 37 + x) * 2;
                const uint16_t v = uint16_t(decoded[at] | decoded[at + 1] << 8);
                want = {Widen(v, c.masks[0]), Widen(v, c.masks[1]), Widen(v, c.masks[2])};
            } else {
                const uint8_t* p = decoded.data() + (size_t(y) * 37 + x) * 3;
                want = {p[0], p[1], p[2]};
            }
            ASSERT_EQ(PixelAt(picture, x, y), want) << x << "," << y;
        }
    }
}

// 1, 8, 16 (5-5-5, and 5-6-5 and 4-4-4 bit fields), 24 and 32 bits per pixel.
INSTANTIATE_TEST_SUITE_P(Depths, BmpFromFfmpeg,
                         ::testing::Values(TFfmpegCase{"monob"}, TFfmpegCase{"pal8"}, TFfmpegCase{"gray"},
                                           TFfmpegCase{"bgr8"}, TFfmpegCase{"rgb555le", {0x001F, 0x03E0, 0x7C00}},
                                           TFfmpegCase{"rgb565le", {0x001F, 0x07E0, 0xF800}},
                                           TFfmpegCase{"rgb444le", {0x000F, 0x00F0, 0x0F00}},
                                           TFfmpegCase{"bgr24"}, TFfmpegCase{"bgra"}),
                         [](const auto& info) { return std::string(info.param.format); });

struct TQtCase {
    const char* name;
    QImage::Format format;
};

class BmpFromQImage : public ::testing::TestWithParam<TQtCase> {};

TEST_P(BmpFromQImage, KeepsColoursDropsAlpha)
{
    QImage source(23, 9, QImage::Format_ARGB32);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 23; ++x) source.setPixel(x, y, qRgba(x * 11, y * 28, (x * y) % 256, 128 + x));
    QImage image = GetParam().format == QImage::Format_Indexed8
                       ? source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
                       : source.convertToFormat(GetParam().format);
    TempDir dir;
    const std::string path = dir.file("mark.bmp");
    ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));

    BgrPicture picture;
    ReadBmpFile(path, picture);
    ASSERT_EQ(picture.Width(), 23);
    ASSERT_EQ(picture.Height(), 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 23; ++x) {
            const QRgb c = image.pixel(x, y);
            ASSERT_EQ(PixelAt(picture, x, y), (TBgr{uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c))}))
                << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpFromQImage,
                         ::testing::Values(TQtCase{"Indexed8", QImage::Format_Indexed8},
                                           TQtCase{"Rgb24", QImage::Format_RGB888},
                                           TQtCase{"Rgb32", QImage::Format_RGB32},
                                           TQtCase{"Argb32", QImage::Format_ARGB32}),
                         [](const auto& info) { return std::string(info.param.name); });

// Little-endian writer for the layouts made by hand.
struct TBytes {
    std::vector<uint8_t> b;
    TBytes& U8(unsigned v) { b.push_back(uint8_t(v)); return *this; }
    TBytes& U16(unsigned v) { return U8(v & 0xFF).U8(v >> 8); }
    TBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
};

// File and 40-byte info header; pixel data starts after the palette.
TBytes InfoBmp(int32_t width, int32_t height, int bits, uint32_t compression, uint32_t colours)
{
    TBytes f;
    const uint32_t offset = 14 + 40 + colours * 4;
    f.U8('B').U8('M').U32(0).U32(0).U32(offset);
    f.U32(40).U32(uint32_t(width)).U32(uint32_t(height)).U16(1).U16(bits).U32(compression).U32(0).U32(0).U32(0);
    f.U32(colours).U32(0);
    return f;
}

TEST(BmpLayouts, FourBitPaletteHighNibbleFirst)
{
    // 3x1: indexes 1, 2, 0; row padded to 4 bytes; clrUsed 3.
    TBytes f = InfoBmp(3, 1, 4, 0, 3);
    f.U32(0x00000000).U32(0x00102030).U32(0x00A0B0C0);
    f.U8(0x12).U8(0x00).U8(0).U8(0);
    BgrPicture p;
    ASSERT_EQ(DecodeBmp(f.b.data(), f.b.size(), p), TBmpResult::Ok);
    EXPECT_EQ(PixelAt(p, 0, 0), (TBgr{0x30, 0x20, 0x10}));
    EXPECT_EQ(PixelAt(p, 1, 0), (TBgr{0xC0, 0xB0, 0xA0}));
    EXPECT_EQ(PixelAt(p, 2, 0), (TBgr{0, 0, 0}));
}

TEST(BmpLayouts, IndexPastPaletteIsBlack)
{
    TBytes f = InfoBmp(2, 1, 8, 0, 1);
    f.U32(0x00FFFFFF);
    f.U8(0).U8(200).U8(0).U8(0);
    BgrPicture p;
    ASSERT_EQ(DecodeBmp(f.b.data(), f.b.size(), p), TBmpResult::Ok);
    EXPECT_EQ(PixelAt(p, 0, 0), (TBgr{255, 255, 255}));
    EXPECT_EQ(PixelAt(p, 1, 0), (TBgr{0, 0, 0}));
}

TEST(BmpLayouts, RowOrderBottomUpAndTopDown)
{
    for (const int32_t height : {2, -2}) {
        TBytes f = InfoBmp(1, height, 24, 0, 0);
        f.U8(1).U8(2).U8(3).U8(0).U8(4).U8(5).U8(6).U8(0);  // file rows 0 and 1
        BgrPicture p;
        ASSERT_EQ(DecodeBmp(f.b.data(), f.b.size(), p), TBmpResult::Ok);
        const TBgr first{1, 2, 3}, second{4, 5, 6};
        EXPECT_EQ(PixelAt(p, 0, 0), height > 0 ? second : first) << height;
        EXPECT_EQ(PixelAt(p, 0, 1), height > 0 ? first : second) << height;
    }
}

TEST(BmpLayouts, CoreHeaderWithThreeBytePalette)
{
    TBytes f;
    f.U8('B').U8('M').U32(0).U32(0).U32(14 + 12 + 2 * 3);
    f.U32(12).U16(2).U16(1).U16(1).U16(1);
    f.U8(10).U8(20).U8(30).U8(40).U8(50).U8(60);
    f.U8(0x40).U8(0).U8(0).U8(0);  // pixels 0, 1
    BgrPicture p;
    ASSERT_EQ(DecodeBmp(f.b.data(), f.b.size(), p), TBmpResult::Ok);
    EXPECT_EQ(PixelAt(p, 0, 0), (TBgr{10, 20, 30}));
    EXPECT_EQ(PixelAt(p, 1, 0), (TBgr{40, 50, 60}));
}

TEST(BmpLayouts, SixteenBitWhiteStaysWhite)
{
    TBytes f = InfoBmp(2, 1, 16, 0, 0);
    f.U16(0x7FFF).U16(0x0000);
    BgrPicture p;
    ASSERT_EQ(DecodeBmp(f.b.data(), f.b.size(), p), TBmpResult::Ok);
    EXPECT_EQ(PixelAt(p, 0, 0), (TBgr{255, 255, 255}));
    EXPECT_EQ(PixelAt(p, 1, 0), (TBgr{0, 0, 0}));
}

struct TBadCase {
    const char* name;
    std::vector<uint8_t> bytes;
    TBmpResult result;
};

std::vector<uint8_t> Truncated()
{
    TBytes f = InfoBmp(4, 4, 24, 0, 0);
    for (int i = 0; i < 20; ++i) f.U8(0);  // 48 bytes needed
    return f.b;
}

std::vector<uint8_t> Rle8()
{
    TBytes f = InfoBmp(2, 1, 8, 1, 0);
    for (int i = 0; i < 1024 + 8; ++i) f.U8(0);
    return f.b;
}

std::vector<uint8_t> Huge()
{
    TBytes f = InfoBmp(100000, 100000, 24, 0, 0);
    return f.b;
}

std::vector<uint8_t> ZeroWidth() { return InfoBmp(0, 4, 24, 0, 0).b; }
std::vector<uint8_t> OddDepth() { return InfoBmp(1, 1, 7, 0, 0).U32(0).b; }
std::vector<uint8_t> ShortHeader()
{
    TBytes f;
    f.U8('B').U8('M').U32(0).U32(0).U32(30).U32(20);
    return f.b;
}

class BmpBad : public ::testing::TestWithParam<TBadCase> {};

TEST_P(BmpBad, RefusedPictureUntouched)
{
    BgrPicture p(2, 2);
    p.Fill(1, 2, 3);
    EXPECT_EQ(DecodeBmp(GetParam().bytes.data(), GetParam().bytes.size(), p), GetParam().result);
    EXPECT_EQ(p.Width(), 2);
    EXPECT_EQ(PixelAt(p, 1, 1), (TBgr{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BmpBad,
    ::testing::Values(TBadCase{"Empty", {}, TBmpResult::NotBitmap},
                      TBadCase{"Png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0},
                               TBmpResult::NotBitmap},
                      TBadCase{"ShortHeader", ShortHeader(), TBmpResult::NotBitmap},
                      TBadCase{"TruncatedPixels", Truncated(), TBmpResult::NotBitmap},
                      TBadCase{"ZeroWidth", ZeroWidth(), TBmpResult::NotBitmap},
                      TBadCase{"Rle8", Rle8(), TBmpResult::Unsupported},
                      TBadCase{"SevenBits", OddDepth(), TBmpResult::Unsupported},
                      TBadCase{"Huge", Huge(), TBmpResult::TooLarge}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpFile, ErrorsNameTheFile)
{
    TempDir dir;
    const std::string missing = dir.file("none.bmp"), text = dir.file("text.bmp");
    WriteAll(text, {'h', 'e', 'l', 'l', 'o'});
    BgrPicture p;
    for (const auto& [path, start] : {std::pair{missing, "Cannot open watermark picture: "},
                                      std::pair{text, "Watermark picture is not a readable bitmap: "}}) {
        try {
            ReadBmpFile(path, p);
            ADD_FAILURE() << path;
        } catch (const TEffectsError& e) {
            EXPECT_EQ(std::string(e.what()), start + path);
        }
    }
}

}  // namespace
}  // namespace quorvia::test
