// Frames of known content through the bitmap converter, at their own size
// and scaled, checked against the colours they must give.
#include "engine/BitmapConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

using quorvia::BgrPicture;
using quorvia::BitmapConverter;

namespace {

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

FramePtr MakeFrame(AVPixelFormat fmt, int width, int height, int align = 0)
{
    FramePtr f(av_frame_alloc());
    f->format = fmt;
    f->width = width;
    f->height = height;
    EXPECT_EQ(av_frame_get_buffer(f.get(), align), 0);
    return f;
}

// Every sample of plane p set to value (8-bit planar formats).
void FillPlanes(AVFrame* f, int y, int u, int v)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
    const int values[3] = {y, u, v};
    for (int p = 0; p < 3; ++p) {
        const int w = p ? AV_CEIL_RSHIFT(f->width, d->log2_chroma_w) : f->width;
        const int h = p ? AV_CEIL_RSHIFT(f->height, d->log2_chroma_h) : f->height;
        for (int r = 0; r < h; ++r) std::fill_n(f->data[p] + r * f->linesize[p], w, static_cast<uint8_t>(values[p]));
    }
}

struct Rgb {
    int r, g, b;
};

// Limited-range Y'CbCr of an RGB colour for the given luma weights.
void ToYuv(Rgb c, double kr, double kb, int* y, int* u, int* v)
{
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double kg = 1 - kr - kb;
    const double luma = kr * r + kg * g + kb * b;
    *y = static_cast<int>(std::lround(16 + 219 * luma));
    *u = static_cast<int>(std::lround(128 + 224 * (b - luma) / (2 * (1 - kb))));
    *v = static_cast<int>(std::lround(128 + 224 * (r - luma) / (2 * (1 - kr))));
}

// Largest difference of any pixel of the picture from the colour.
int MaxError(const BgrPicture& p, Rgb c)
{
    int worst = 0;
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const uint8_t* px = p.ScanLine(y) + x * 3;
            worst = std::max({worst, std::abs(px[0] - c.b), std::abs(px[1] - c.g), std::abs(px[2] - c.r)});
        }
    return worst;
}

constexpr int kTolerance = 4;

}  // namespace

// Solid colours in 4:2:0 come out as the same colour, at the frame's own size
// and scaled, odd sizes included.
TEST(BitmapConverter, SolidYuv420ColoursAtAnySize)
{
    const Rgb colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {128, 64, 200}};
    const struct {
        int srcW, srcH, dstW, dstH;
    } sizes[] = {{64, 48, 64, 48}, {33, 17, 33, 17}, {64, 48, 160, 90}, {321, 241, 37, 19}};
    BitmapConverter conv;
    for (const auto& s : sizes)
        for (const Rgb& c : colours) {
            int y, u, v;
            ToYuv(c, 0.299, 0.114, &y, &u, &v);
            FramePtr f = MakeFrame(AV_PIX_FMT_YUV420P, s.srcW, s.srcH);
            FillPlanes(f.get(), y, u, v);
            ASSERT_TRUE(conv.ConvertToBitmap(f.get(), s.dstW, s.dstH));
            const BgrPicture& out = conv.Bitmap();
            ASSERT_EQ(out.Width(), s.dstW);
            ASSERT_EQ(out.Height(), s.dstH);
            EXPECT_LE(MaxError(out, c), kTolerance)
                << s.srcW << "x" << s.srcH << " -> " << s.dstW << "x" << s.dstH << " rgb " << c.r << "," << c.g
                << "," << c.b;
        }
}

// The frame's colour tags choose matrix and range; untagged full-range "J"
// formats are read as full range.
TEST(BitmapConverter, ColourMatrixAndRangeFollowTheFrame)
{
    int y709, u709, v709;
    ToYuv({255, 0, 0}, 0.2126, 0.0722, &y709, &u709, &v709);
    const struct {
        const char* name;
        AVPixelFormat fmt;
        AVColorSpace space;
        AVColorRange range;
        int y, u, v;
        Rgb expected;
    } cases[] = {
        {"limited white", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_MPEG, 235, 128, 128, {255, 255, 255}},
        {"full white", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_JPEG, 255, 128, 128, {255, 255, 255}},
        {"full black", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_JPEG, 0, 128, 128, {0, 0, 0}},
        {"full mid grey", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_JPEG, 128, 128, 128, {128, 128, 128}},
        {"untagged J white", AV_PIX_FMT_YUVJ420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, 255, 128, 128,
         {255, 255, 255}},
        {"untagged limited mid", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, 126, 128, 128,
         {128, 128, 128}},
        {"BT.709 red", AV_PIX_FMT_YUV420P, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, y709, u709, v709, {255, 0, 0}},
    };
    // One converter for all: a change of tags on the same scaler must take effect.
    BitmapConverter conv;
    for (const auto& c : cases) {
        FramePtr f = MakeFrame(c.fmt, 32, 16);
        f->colorspace = c.space;
        f->color_range = c.range;
        FillPlanes(f.get(), c.y, c.u, c.v);
        ASSERT_TRUE(conv.ConvertToBitmap(f.get())) << c.name;
        EXPECT_LE(MaxError(conv.Bitmap(), c.expected), kTolerance) << c.name;
    }
}

// A horizontal grey ramp keeps its values at the same size and stays a ramp
// with the right values when halved.
TEST(BitmapConverter, GradientSameSizeAndScaled)
{
    const int w = 220, h = 8;
    FramePtr f = MakeFrame(AV_PIX_FMT_YUV420P, w, h);
    FillPlanes(f.get(), 0, 128, 128);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) f->data[0][r * f->linesize[0] + x] = static_cast<uint8_t>(16 + x);
    auto grey = [](double luma) { return (luma - 16) * 255.0 / 219.0; };

    BitmapConverter conv;
    ASSERT_TRUE(conv.ConvertToBitmap(f.get()));
    int worst = 0;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch)
                worst = std::max(worst, static_cast<int>(std::lround(std::abs(conv.Bitmap().ScanLine(r)[x * 3 + ch] -
                                                                             grey(16 + x)))));
    EXPECT_LE(worst, 2);

    BgrPicture half;
    ASSERT_TRUE(conv.ConvertToBitmap(f.get(), half, w / 2, h / 2));
    worst = 0;
    for (int x = 2; x < w / 2 - 2; ++x) {  // the borders are clamped by the filter
        const double srcX = (x + 0.5) * 2 - 0.5;
        worst = std::max(worst, static_cast<int>(std::lround(std::abs(half.ScanLine(1)[x * 3 + 1] - grey(16 + srcX)))));
    }
    EXPECT_LE(worst, 3);
}

// BGR24 at its own size is copied exactly, whatever its row stride, odd
// widths and bottom-up (negative stride) pictures included.
TEST(BitmapConverter, Bgr24RowsCopiedExactly)
{
    const struct {
        const char* name;
        int width, height, linesize;
        bool bottomUp;
    } cases[] = {
        {"320 wide, tight rows", 320, 240, 960, false},
        {"321 wide, tight rows", 321, 5, 963, false},
        {"321 wide, padded rows", 321, 5, 1000, false},
        {"7 wide, bottom-up", 7, 4, 24, true},
    };
    std::mt19937 rng(7);
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes(static_cast<size_t>(c.linesize) * c.height);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        const uint8_t* data[4] = {bytes.data(), nullptr, nullptr, nullptr};
        int linesize[4] = {c.linesize, 0, 0, 0};
        if (c.bottomUp) {
            data[0] = bytes.data() + static_cast<size_t>(c.linesize) * (c.height - 1);
            linesize[0] = -c.linesize;
        }
        BitmapConverter conv;
        ASSERT_TRUE(conv.ConvertToBitmap(data, linesize, AV_PIX_FMT_BGR24, c.height, c.width)) << c.name;
        const BgrPicture& out = conv.Bitmap();
        ASSERT_EQ(out.Width(), c.width);
        ASSERT_EQ(out.Height(), c.height);
        for (int r = 0; r < c.height; ++r)
            EXPECT_TRUE(std::equal(out.ScanLine(r), out.ScanLine(r) + c.width * 3, data[0] + r * linesize[0]))
                << c.name << " row " << r;
    }
}

// Other packed formats and scaled BGR24 go through the scaler and keep their colour.
TEST(BitmapConverter, PackedSourcesConverted)
{
    const struct {
        AVPixelFormat fmt;
        uint8_t px[4];  // one pixel of a solid picture in that format
        int dstW, dstH;
    } cases[] = {
        {AV_PIX_FMT_BGR24, {10, 100, 200, 0}, 20, 20},
        {AV_PIX_FMT_RGB24, {200, 100, 10, 0}, 9, 9},
        {AV_PIX_FMT_BGRA, {10, 100, 200, 255}, 9, 9},
    };
    for (const auto& c : cases) {
        FramePtr f = MakeFrame(c.fmt, 9, 9);
        const int bpp = av_get_padded_bits_per_pixel(av_pix_fmt_desc_get(c.fmt)) / 8;
        for (int r = 0; r < 9; ++r)
            for (int x = 0; x < 9; ++x) std::copy_n(c.px, bpp, f->data[0] + r * f->linesize[0] + x * bpp);
        BitmapConverter conv;
        ASSERT_TRUE(conv.ConvertToBitmap(f.get(), c.dstW, c.dstH)) << av_get_pix_fmt_name(c.fmt);
        EXPECT_LE(MaxError(conv.Bitmap(), {200, 100, 10}), 1) << av_get_pix_fmt_name(c.fmt);
    }
}

// Frames of the same size reuse the picture; a larger one grows it, a smaller
// one afterwards keeps the larger buffer.
TEST(BitmapConverter, RepeatedConversionReusesBuffer)
{
    BitmapConverter conv;
    FramePtr small = MakeFrame(AV_PIX_FMT_YUV420P, 320, 240);
    FramePtr large = MakeFrame(AV_PIX_FMT_YUV420P, 640, 480);
    FillPlanes(small.get(), 81, 90, 240);
    FillPlanes(large.get(), 81, 90, 240);

    ASSERT_TRUE(conv.ConvertToBitmap(small.get()));
    const uint8_t* first = conv.Bitmap().Data();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(conv.ConvertToBitmap(small.get()));
        EXPECT_EQ(conv.Bitmap().Data(), first);
    }
    ASSERT_TRUE(conv.ConvertToBitmap(large.get()));
    const uint8_t* grown = conv.Bitmap().Data();
    const size_t capacity = conv.Bitmap().Capacity();
    EXPECT_GE(capacity, static_cast<size_t>(640 * 3) * 480);
    ASSERT_TRUE(conv.ConvertToBitmap(small.get()));
    EXPECT_EQ(conv.Bitmap().Data(), grown);
    EXPECT_EQ(conv.Bitmap().Capacity(), capacity);
    EXPECT_EQ(conv.Bitmap().Width(), 320);
    EXPECT_LE(MaxError(conv.Bitmap(), {255, 0, 0}), kTolerance);

    conv.Reset();
    EXPECT_TRUE(conv.Bitmap().Empty());
    EXPECT_EQ(conv.Bitmap().Capacity(), 0u);
}

// Nothing to convert, impossible sizes and unknown formats fail and leave
// the last good picture in place.
TEST(BitmapConverter, BadInputFailsAndKeepsPicture)
{
    BitmapConverter conv;
    FramePtr good = MakeFrame(AV_PIX_FMT_YUV420P, 16, 16);
    FillPlanes(good.get(), 235, 128, 128);
    ASSERT_TRUE(conv.ConvertToBitmap(good.get()));

    FramePtr empty(av_frame_alloc());
    const uint8_t* nodata[4] = {nullptr, nullptr, nullptr, nullptr};
    const int nolines[4] = {0, 0, 0, 0};
    EXPECT_FALSE(conv.ConvertToBitmap(nullptr));
    EXPECT_FALSE(conv.ConvertToBitmap(empty.get()));
    EXPECT_FALSE(conv.ConvertToBitmap(good.get(), 0, 10));
    EXPECT_FALSE(conv.ConvertToBitmap(good.get(), 10, -1));
    EXPECT_FALSE(conv.ConvertToBitmap(good.get(), 1 << 20, 1 << 20));
    EXPECT_FALSE(conv.ConvertToBitmap(nodata, nolines, AV_PIX_FMT_BGR24, 4, 4));
    EXPECT_FALSE(conv.ConvertToBitmap(good->data, good->linesize, AV_PIX_FMT_NONE, 16, 16));
    EXPECT_FALSE(conv.ConvertToBitmap(good->data, good->linesize, 100000, 16, 16));
    // A hardware surface format has no scaler.
    EXPECT_FALSE(conv.ConvertToBitmap(good->data, good->linesize, AV_PIX_FMT_VAAPI, 16, 16));

    EXPECT_EQ(conv.Bitmap().Width(), 16);
    EXPECT_LE(MaxError(conv.Bitmap(), {255, 255, 255}), kTolerance);
}
