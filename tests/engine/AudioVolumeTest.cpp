// The volume change: the formula in every decoded sample format, and on real
// files decoded back with the ffmpeg tool.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include "AudioTestSupport.h"
#include "engine/AudioOutput.h"
#include "engine/LibraryPtr.h"

namespace quorvia::test {
namespace {

// The formula on 16-bit samples.
int Scaled16(int s, int volume)
{
    const int64_t v = (static_cast<int64_t>(s) * volume + 128) >> 8;
    return static_cast<int>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

struct TVolumeCase {
    const char* Name;
    AVSampleFormat Format;
    int Volume;
    std::vector<double> In;        // in the format's own scale
    std::vector<double> Expected;
};

// A two-channel frame holding values (the same in both channels).
FramePtr MakeFrame(AVSampleFormat format, const std::vector<double>& values)
{
    FramePtr f(av_frame_alloc());
    f->format = format;
    f->nb_samples = static_cast<int>(values.size());
    av_channel_layout_default(&f->ch_layout, 2);
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    const bool planar = av_sample_fmt_is_planar(format);
    for (int ch = 0; ch < 2; ++ch) {
        for (size_t i = 0; i < values.size(); ++i) {
            const size_t index = planar ? i : i * 2 + ch;
            uint8_t* plane = f->extended_data[planar ? ch : 0];
            const double v = values[i];
            switch (av_get_packed_sample_fmt(format)) {
            case AV_SAMPLE_FMT_U8: plane[index] = static_cast<uint8_t>(v); break;
            case AV_SAMPLE_FMT_S16: reinterpret_cast<int16_t*>(plane)[index] = static_cast<int16_t>(v); break;
            case AV_SAMPLE_FMT_S32: reinterpret_cast<int32_t*>(plane)[index] = static_cast<int32_t>(v); break;
            case AV_SAMPLE_FMT_S64: reinterpret_cast<int64_t*>(plane)[index] = static_cast<int64_t>(v); break;
            case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(plane)[index] = static_cast<float>(v); break;
            case AV_SAMPLE_FMT_DBL: reinterpret_cast<double*>(plane)[index] = v; break;
            default: break;
            }
        }
    }
    return f;
}

double ValueAt(const AVFrame* f, int ch, size_t i)
{
    const AVSampleFormat format = static_cast<AVSampleFormat>(f->format);
    const bool planar = av_sample_fmt_is_planar(format);
    const size_t index = planar ? i : i * 2 + ch;
    const uint8_t* plane = f->extended_data[planar ? ch : 0];
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: return plane[index];
    case AV_SAMPLE_FMT_S16: return reinterpret_cast<const int16_t*>(plane)[index];
    case AV_SAMPLE_FMT_S32: return reinterpret_cast<const int32_t*>(plane)[index];
    case AV_SAMPLE_FMT_S64: return static_cast<double>(reinterpret_cast<const int64_t*>(plane)[index]);
    case AV_SAMPLE_FMT_FLT: return reinterpret_cast<const float*>(plane)[index];
    case AV_SAMPLE_FMT_DBL: return reinterpret_cast<const double*>(plane)[index];
    default: return 0;
    }
}

TEST(AudioVolume, FormulaInEverySampleFormat)
{
    const double i32max = INT32_MAX, i32min = INT32_MIN;
    const TVolumeCase cases[] = {
        {"s16 doubled clips", AV_SAMPLE_FMT_S16, 512, {20000, -20000, 100, -3}, {32767, -32768, 200, -6}},
        {"s16 halved rounds", AV_SAMPLE_FMT_S16, 128, {101, -101, 1, -1}, {51, -50, 1, 0}},
        {"s16 unchanged", AV_SAMPLE_FMT_S16, 256, {32767, -32768, 12345}, {32767, -32768, 12345}},
        {"s16 silenced", AV_SAMPLE_FMT_S16, 0, {32767, -32768, 5}, {0, 0, 0}},
        {"s16 inverted", AV_SAMPLE_FMT_S16, -256, {1000, -32768}, {-1000, 32767}},
        {"s16 planar", AV_SAMPLE_FMT_S16P, 512, {20000, -20000, 100}, {32767, -32768, 200}},
        {"u8 around 128", AV_SAMPLE_FMT_U8, 512, {200, 100, 128, 255}, {255, 72, 128, 255}},
        {"u8 silenced", AV_SAMPLE_FMT_U8P, 0, {0, 255, 140}, {128, 128, 128}},
        {"s32", AV_SAMPLE_FMT_S32P, 512, {1 << 30, -(1 << 30) - 1, 1000}, {i32max, i32min, 2000}},
        {"s64", AV_SAMPLE_FMT_S64, 512, {5.0e18, -5.0e18, 1000}, {9.223372036854775807e18, -9.223372036854775808e18, 2000}},
        {"float doubled clips", AV_SAMPLE_FMT_FLTP, 512, {0.6, -0.75, 0.25}, {1.0, -1.0, 0.5}},
        {"float halved", AV_SAMPLE_FMT_FLT, 128, {0.5, -0.25}, {0.25, -0.125}},
        {"double", AV_SAMPLE_FMT_DBLP, 512, {0.6, -0.2}, {1.0, -0.4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FramePtr f = MakeFrame(c.Format, c.In);
        transcode::ScaleAudioVolume(f.get(), c.Volume);
        for (int ch = 0; ch < 2; ++ch)
            for (size_t i = 0; i < c.In.size(); ++i) {
                SCOPED_TRACE(i);
                EXPECT_DOUBLE_EQ(ValueAt(f.get(), ch, i), c.Expected[i]);
            }
    }
}

// A half-scale 16-bit tone through the engine to 16-bit PCM: every sample
// follows the formula; 512 reaches full scale, 256 leaves the sound as it was.
TEST(AudioVolume, SixteenBitSourceFollowsTheFormula)
{
    TempDir dir;
    const std::string in = MakeMedia(dir, "half.wav",
                                     "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*440*t):s=44100:d=1\" "
                                     "-c:a pcm_s16le");
    const auto source = DecodeS16(dir, in);
    ASSERT_NEAR(Peak(source), 16384, 2);
    for (int volume : {256, 512, 300, 0}) {
        SCOPED_TRACE(volume);
        const std::string out = dir.file("out.wav");
        const TJobResult r =
            RunJob(AudioJob(in, out, "acodec=pcm_s16le\nar=44100\nac=2\nvol=" + std::to_string(volume)));
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        const auto written = DecodeS16(dir, out);
        ASSERT_EQ(written.size(), source.size());
        size_t wrong = 0;
        for (size_t i = 0; i < source.size(); ++i)
            if (written[i] != Scaled16(source[i], volume)) ++wrong;
        EXPECT_EQ(wrong, 0u);
        if (volume == 512) {
            EXPECT_GE(Peak(written), 32767);
        }
    }
}

// A half-scale tone coded as AAC decodes to planar float: scaled in float,
// the 16-bit result is the formula's within rounding.
TEST(AudioVolume, FloatSourceScalesLikeSixteenBit)
{
    TempDir dir;
    const std::string in = MakeMedia(dir, "half.m4a",
                                     "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*440*t)|0.5*sin(2*PI*440*t):s=44100:d=1\" "
                                     "-c:a aac -b:a 192k");
    const auto source = DecodeS16(dir, in);
    ASSERT_NEAR(Peak(source), 16384, 1200);
    for (int volume : {256, 512}) {
        SCOPED_TRACE(volume);
        const std::string out = dir.file("out.wav");
        const TJobResult r =
            RunJob(AudioJob(in, out, "acodec=pcm_s16le\nar=44100\nac=2\nvol=" + std::to_string(volume)));
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        const auto written = DecodeS16(dir, out);
        ASSERT_EQ(written.size(), source.size());
        int worst = 0;
        for (size_t i = 0; i < source.size(); ++i)
            worst = std::max(worst, std::abs(written[i] - Scaled16(source[i], volume)));
        EXPECT_LE(worst, 2);
        if (volume == 512) {
            EXPECT_GE(Peak(written), 32767);
        }
    }
}

}  // namespace
}  // namespace quorvia::test
