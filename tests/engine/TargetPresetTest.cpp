// Target presets: norm detection and the four preset columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "PresetTestSupport.h"
#include "engine/FFmpegException.h"
#include "engine/TargetPresets.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace quorvia {
namespace {

using test::Accepted;
using test::LogCapture;

// A task whose opened inputs' video rates the test chooses.
class TTargetTask : public TCustomFFmpeg {
public:
    std::vector<AVRational> Rates;
    std::vector<AVRational> InputVideoFrameRates() const override { return Rates; }
};

std::string Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no failure)";
}

TEST(TargetNorm, RatesDecideOnlyAtTheThreeKnownValues)
{
    const struct {
        AVRational rate;
        TTargetNorm norm;
    } cases[] = {
        {{25, 1}, tnPAL},          {{30000, 1001}, tnNTSC},   {{24000, 1001}, tnNTSC},
        {{2997, 100}, tnNTSC},     {{50, 2}, tnPAL},          {{30, 1}, tnUndecided},
        {{24, 1}, tnUndecided},    {{50, 1}, tnUndecided},    {{0, 1}, tnUndecided},
        {{25, 0}, tnUndecided},    {{23976, 1000}, tnNTSC},   {{25001, 1000}, tnUndecided},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TargetNormFromRate(c.rate), c.norm) << c.rate.num << "/" << c.rate.den;
}

TEST(TargetNorm, DetectionOrderIsFrameRateThenInputsThenFallback)
{
    const struct {
        AVRational frameRate;
        std::vector<AVRational> inputs;
        const char* fallback;
        TTargetNorm norm;
    } cases[] = {
        {{25, 1}, {{30000, 1001}}, "ntsc", tnPAL},
        {{30, 1}, {{30000, 1001}}, "pal", tnNTSC},
        {{30, 1}, {{30, 1}, {0, 0}, {25, 1}}, "ntsc", tnPAL},
        {{30, 1}, {}, "pal", tnPAL},
        {{30, 1}, {}, "ntsc", tnNTSC},
        {{30, 1}, {}, "film", tnFILM},
        {{30, 1}, {}, "NTSC", tnPAL},
        {{30, 1}, {}, "", tnPAL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectTargetNorm(c.frameRate, c.inputs, c.fallback), c.norm) << c.fallback;
    EXPECT_EQ(Failure([] { DetectTargetNorm({0, 0}, {{25, 1}}, "pal"); }), "frame_rate is invalid.");
}

struct TargetCase {
    const char* target;
    const char* norm;
    const char* fallback;
    AVRational frameRate;  // pending FrameRate (the opened input's)
    int width, height;
    AVRational rate;
    const char* format;
    const char* videoCodec;  // nullptr: unchanged
    const char* audioCodec;
    const char* pixFmt;      // nullptr: unchanged
    const char* gop;         // nullptr: not set
    const char* bitRate;
    const char* audioBitRate;
    int sampleRate;
    const char* packetSize;
    float muxPreload;
};

class TargetPreset : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetPreset, WritesTheColumnOfItsTarget)
{
    const TargetCase& c = GetParam();
    TTargetTask task;
    task.Options().FrameRate = c.frameRate;
    task.ApplyTarget(c.target, c.norm, c.fallback);
    const TOptionState& st = task.Options();
    EXPECT_EQ(st.FrameWidth, c.width);
    EXPECT_EQ(st.FrameHeight, c.height);
    EXPECT_EQ(av_cmp_q(st.FrameRate, c.rate), 0) << st.FrameRate.num << "/" << st.FrameRate.den;
    EXPECT_EQ(st.PendingFormat, c.format);
    EXPECT_EQ(st.VideoCodecName.value_or("(none)"), c.videoCodec ? c.videoCodec : "(none)");
    EXPECT_EQ(st.AudioCodecName.value_or("(none)"), c.audioCodec ? c.audioCodec : "(none)");
    EXPECT_EQ(st.FramePixFmt, c.pixFmt ? av_get_pix_fmt(c.pixFmt) : -1);
    EXPECT_EQ(Accepted(task, gtVideo, "g"), c.gop ? std::optional<std::string>(c.gop) : std::nullopt);
    EXPECT_EQ(Accepted(task, gtVideo, "b"), c.bitRate ? std::optional<std::string>(c.bitRate) : std::nullopt);
    const int64_t untouchedAudioRate = *test::TemplateInt(TCustomFFmpeg(), gtAudio, "b");
    EXPECT_EQ(test::TemplateInt(task, gtAudio, "b"),
              c.audioBitRate ? std::stoll(c.audioBitRate) : untouchedAudioRate);
    EXPECT_EQ(Accepted(task, gtFormat, "packetsize"),
              c.packetSize ? std::optional<std::string>(c.packetSize) : std::nullopt);
    EXPECT_EQ(st.AudioSampleRate, c.sampleRate);
    EXPECT_EQ(st.AudioChannels, 2);
    EXPECT_FLOAT_EQ(st.MuxPreload, c.muxPreload);
}

void PrintTo(const TargetCase& c, std::ostream* os)
{
    *os << c.target << " norm=" << c.norm << " fallback=" << c.fallback << " rate=" << c.frameRate.num << "/"
        << c.frameRate.den;
}

INSTANTIATE_TEST_SUITE_P(
    Columns, TargetPreset,
    ::testing::Values(
        TargetCase{"dvd", "auto", "ntsc", {25, 1}, 720, 576, {25, 1}, "dvd", "mpeg2video", "ac3", nullptr,
                   "15", "6000000", "448000", 48000, "2048", 0.5f},
        TargetCase{"vcd", "auto", "pal", {30000, 1001}, 352, 240, {30000, 1001}, "vcd", "mpeg1video", "mp2",
                   nullptr, "18", "1150000", "224000", 44100, "2324", 0.44f},
        TargetCase{"dvd", "auto", "pal", {30, 1}, 720, 576, {25, 1}, "dvd", "mpeg2video", "ac3", nullptr, "15",
                   "6000000", "448000", 48000, "2048", 0.5f},
        TargetCase{"dvd", "auto", "film", {30, 1}, 720, 480, {24000, 1001}, "dvd", "mpeg2video", "ac3",
                   nullptr, "18", "6000000", "448000", 48000, "2048", 0.5f},
        TargetCase{"svcd", "ntsc", "pal", {0, 0}, 480, 480, {30000, 1001}, "svcd", "mpeg2video", "mp2",
                   nullptr, "18", "2040000", "224000", 44100, "2324", 0.5f},
        TargetCase{"svcd", "pal", "ntsc", {0, 0}, 480, 576, {25, 1}, "svcd", "mpeg2video", "mp2", nullptr,
                   "15", "2040000", "224000", 44100, "2324", 0.5f},
        TargetCase{"vcd", "film", "pal", {0, 0}, 352, 240, {24000, 1001}, "vcd", "mpeg1video", "mp2", nullptr,
                   "18", "1150000", "224000", 44100, "2324", 0.44f},
        TargetCase{"dv", "ntsc", "pal", {0, 0}, 720, 480, {30000, 1001}, "dv", nullptr, nullptr, "yuv411p",
                   nullptr, nullptr, nullptr, 48000, nullptr, 0.5f},
        TargetCase{"dv", "pal", "pal", {0, 0}, 720, 576, {25, 1}, "dv", nullptr, nullptr, "yuv420p", nullptr,
                   nullptr, nullptr, 48000, nullptr, 0.5f},
        TargetCase{"dv50", "ntsc", "pal", {0, 0}, 720, 480, {30000, 1001}, "dv", nullptr, nullptr, "yuv422p",
                   nullptr, nullptr, nullptr, 48000, nullptr, 0.5f},
        TargetCase{"dv50", "pal", "pal", {0, 0}, 720, 576, {25, 1}, "dv", nullptr, nullptr, "yuv422p", nullptr,
                   nullptr, nullptr, 48000, nullptr, 0.5f}));

TEST(TargetPresetRates, DiscTargetsSetTheirRateLimitsAndMuxRate)
{
    const struct {
        const char* target;
        const char* maxrate;
        const char* minrate;
        const char* bufsize;
        const char* muxrate;  // nullptr: not set
    } cases[] = {
        {"vcd", "1150000", "1150000", "327680", "1411200"},
        {"svcd", "2516000", "0", "1835008", nullptr},
        {"dvd", "9000000", "0", "1835008", "10080000"},
    };
    for (const auto& c : cases) {
        TTargetTask task;
        task.ApplyTarget(c.target, "pal", "pal");
        EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), c.maxrate) << c.target;
        EXPECT_EQ(Accepted(task, gtVideo, "minrate"), c.minrate) << c.target;
        EXPECT_EQ(Accepted(task, gtVideo, "bufsize"), c.bufsize) << c.target;
        EXPECT_EQ(Accepted(task, gtFormat, "muxrate"),
                  c.muxrate ? std::optional<std::string>(c.muxrate) : std::nullopt)
            << c.target;
    }
}

TEST(TargetPresetRates, SvcdAsksForScanOffset)
{
    const AVClass* codecClass = avcodec_get_class();
    const bool flagExists =
        av_opt_find(&codecClass, "scan_offset", "flags", 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
    TTargetTask task;
    LogCapture log;
    task.ApplyTarget("svcd", "pal", "pal");
    if (flagExists) {
        EXPECT_EQ(Accepted(task, gtVideo, "flags"), "+scan_offset");
    } else {
        // The flag moved into the MPEG-2 encoder as an option of its own.
        EXPECT_EQ(Accepted(task, gtVideo, "scan_offset"), "1");
        EXPECT_TRUE(log.Contains("using option \"scan_offset\"=\"1\""));
    }
}

TEST(TargetPresetChannels, MonoBecomesStereoWhereTheColumnSaysSo)
{
    const struct {
        const char* target;
        int before;
        int after;
    } cases[] = {
        {"svcd", 1, 2}, {"svcd", 6, 6}, {"dvd", 1, 2}, {"dvd", 6, 6},
        {"vcd", 1, 2},  {"vcd", 6, 2},  {"dv", 6, 2},  {"dv50", 1, 2},
    };
    for (const auto& c : cases) {
        TTargetTask task;
        task.Options().AudioChannels = c.before;
        task.ApplyTarget(c.target, "pal", "pal");
        EXPECT_EQ(task.Options().AudioChannels, c.after) << c.target << " " << c.before;
    }
}

TEST(TargetPresetAspect, AssumedOnlyWhenUnknown)
{
    const struct {
        const char* target;
        float aspectBefore;
        float aspectAfter;
        const char* message;  // nullptr: no aspect message
    } cases[] = {
        {"vcd", 0, 4.0f / 3, "Assuming 4:3 for aspect ratio"},
        {"svcd", 0, 4.0f / 3, "Assuming 4:3 for aspect ratio"},
        {"dvd", 0, 16.0f / 9, "Assuming 16:9 for aspect ratio"},
        {"dvd", 1.5f, 1.5f, nullptr},
        {"vcd", 16.0f / 9, 16.0f / 9, nullptr},
        {"dv", 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        TTargetTask task;
        task.Options().FrameAspectRatio = c.aspectBefore;
        LogCapture log;
        task.ApplyTarget(c.target, "pal", "pal");
        EXPECT_NEAR(task.Options().FrameAspectRatio, c.aspectAfter, 1e-4) << c.target;
        const std::vector<std::string> info = log.At(llInfo);
        const bool logged4 = std::count(info.begin(), info.end(), "Assuming 4:3 for aspect ratio") > 0;
        const bool logged16 = std::count(info.begin(), info.end(), "Assuming 16:9 for aspect ratio") > 0;
        EXPECT_EQ(logged4, c.message && std::string(c.message).find("4:3") != std::string::npos) << c.target;
        EXPECT_EQ(logged16, c.message && std::string(c.message).find("16:9") != std::string::npos) << c.target;
    }
}

TEST(TargetPresetNorm, DetectionLogsItsAssumptionWhenVerbose)
{
    const struct {
        const char* norm;
        AVRational frameRate;
        std::vector<AVRational> inputs;
        int verbose;
        const char* message;  // nullptr: no norm message
        int height;
    } cases[] = {
        {"auto", {25, 1}, {}, 1, "Assuming PAL for target.", 576},
        {"auto", {30000, 1001}, {}, 1, "Assuming NTSC for target.", 480},
        {"", {30, 1}, {{24000, 1001}}, 1, "Assuming NTSC for target.", 480},
        {"PAL", {30, 1}, {{25, 1}}, 2, "Assuming PAL for target.", 576},
        {"auto", {25, 1}, {}, 0, nullptr, 576},
        {"ntsc", {25, 1}, {}, 1, nullptr, 480},
    };
    for (const auto& c : cases) {
        TTargetTask task;
        task.Options().FrameRate = c.frameRate;
        task.Options().Verbose = c.verbose;
        task.Rates = c.inputs;
        LogCapture log;
        task.ApplyTarget("dvd", c.norm, "film");
        EXPECT_EQ(task.Options().FrameHeight, c.height) << c.norm;
        std::vector<std::string> verbose = log.At(llVerbose);
        std::erase_if(verbose, [](const std::string& s) { return s.find("for target.") == std::string::npos; });
        if (c.message)
            EXPECT_EQ(verbose, std::vector<std::string>{c.message}) << c.norm;
        else
            EXPECT_TRUE(verbose.empty()) << c.norm;
    }
}

TEST(TargetPresetFailures, UnknownTargetOrMissingFrameRate)
{
    const struct {
        const char* target;
        const char* norm;
        AVRational frameRate;
        const char* message;
    } cases[] = {
        {"DVD", "pal", {0, 0}, "Unknown target type"},
        {"dvd ", "pal", {0, 0}, "Unknown target type"},
        {"", "ntsc", {0, 0}, "Unknown target type"},
        {"mpeg", "auto", {25, 1}, "Unknown target type"},
        {"dvd", "auto", {0, 0}, "frame_rate is invalid."},
        {"dvd", "auto", {25, 0}, "frame_rate is invalid."},
    };
    for (const auto& c : cases) {
        TTargetTask task;
        task.Options().FrameRate = c.frameRate;
        EXPECT_EQ(Failure([&] { task.ApplyTarget(c.target, c.norm, "pal"); }), c.message) << c.target;
        EXPECT_TRUE(task.Options().PendingFormat.empty()) << c.target;
    }
}

TEST(TargetPresetOption, TargetOptionReachesThePreset)
{
    const struct {
        const char* value;
        AVRational frameRate;
        int height;
    } cases[] = {
        {"pal-dvd", {0, 0}, 576},
        {"ntsc-dvd", {0, 0}, 480},
        {"dvd", {30, 1}, 480},  // undecided: fallback "ntsc"
        {"dvd", {25, 1}, 576},
    };
    for (const auto& c : cases) {
        TTargetTask task;
        task.Options().FrameRate = c.frameRate;
        task.SetOption("target", c.value);
        EXPECT_EQ(task.Options().FrameHeight, c.height) << c.value;
    }
}

}  // namespace
}  // namespace quorvia
