// Option records: record defaults, the stream defaults list and the fixed
// order in which input and output records reach a task's option state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "PresetTestSupport.h"
#include "engine/FFmpegException.h"
#include "engine/OptionRecords.h"

namespace quorvia {
namespace {

using test::Accepted;

std::string Failure(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no failure)";
}

// A task with one output file whose stream creation is recorded: each new
// stream remembers the codec, preset-free size and filters it was created
// with, and consumes the codec name as real stream creation does.
class TStreamTask : public TCustomFFmpeg {
public:
    struct Stream {
        char Kind;
        std::string Codec;
        std::string Size;
        std::string Filters;
    };
    std::vector<Stream> Streams;
    int Outputs = 0;

    int OutputFileCount() const override { return Outputs; }

    // Main streams of a freshly created output file.
    bool CreateOutput(const std::string&)
    {
        ++Outputs;
        Take('v', Options().VideoCodecName);
        Take('a', Options().AudioCodecName);
        return true;
    }

protected:
    void NewVideoStream() override { Take('v', Options().VideoCodecName); }
    void NewAudioStream() override { Take('a', Options().AudioCodecName); }
    void NewSubtitleStream() override { Take('s', Options().SubtitleCodecName); }

private:
    void Take(char kind, std::optional<std::string>& codec)
    {
        const TOptionState& st = Options();
        Streams.push_back({kind, codec.value_or(""),
                           std::to_string(st.FrameWidth) + "x" + std::to_string(st.FrameHeight),
                           st.VideoFilters});
        codec.reset();
    }
};

bool CreateWith(TStreamTask& task, const TOutputOptions& options)
{
    return ApplyOutputOptions(task, options, "out.mpg",
                              [&](const std::string& name) { return task.CreateOutput(name); });
}

TEST(OptionRecordDefaults, InitialisersRestoreTheRecordDefaults)
{
    TOutputOptions out;
    out.TargetFallbackNorm = 0;
    out.Timestamp = 5;
    out.StartTime = 0;
    out.VideoSync = 2;
    out.ExtOptions = "vn=1";
    InitOutputOptions(out);
    EXPECT_EQ(out.TargetFallbackNorm, 1);
    EXPECT_EQ(out.Timestamp, -1.0);
    EXPECT_EQ(out.StartTime, AV_NOPTS_VALUE);
    EXPECT_EQ(out.RecordingTime, AV_NOPTS_VALUE);
    EXPECT_EQ(out.VideoSync, -1);
    EXPECT_EQ(out.AudioSync, 0);
    EXPECT_EQ(out.MuxDelay, -1.0f);
    EXPECT_TRUE(out.ExtOptions.empty());

    TInputOptions in;
    in.ProgramID = 4;
    in.StartTime = 0;
    InitInputOptions(in);
    EXPECT_EQ(in.ProgramID, -1);
    EXPECT_EQ(in.StartTime, AV_NOPTS_VALUE);
}

TEST(OptionRecordStreamDefaults, FieldsFirstThenFirstTextLinesAndEveryLinePending)
{
    TOutputOptions o;
    o.VideoCodec = "mpeg4";
    o.FrameSize = "640x480";
    o.ExtOptions = "ACODEC=mp2\nvcodec=libx264\nacodec=\nvfilters=hflip\nVF=vflip\nnewaudio=1\n"
                   "acodec=ac3\nspre=x\ns=320x240\nb=1000";
    const TStreamDefaults d = BuildStreamDefaults(o);
    EXPECT_EQ(d.acodec, "mp2");
    EXPECT_EQ(d.vcodec, "mpeg4");
    EXPECT_EQ(d.scodec, "");
    EXPECT_EQ(d.vf, "hflip");
    EXPECT_EQ(d.s, "640x480");
    EXPECT_EQ(d.spre, "x");
    std::vector<std::string> pending;
    for (const TStreamOptionLine& line : d.Pending) pending.push_back(line.Name + "=" + line.Value);
    EXPECT_EQ(pending, (std::vector<std::string>{"acodec=mp2", "vcodec=libx264", "vf=hflip", "vf=vflip",
                                                 "acodec=ac3", "spre=x", "s=320x240"}));
}

TEST(OptionRecordInput, TextIncludesCodecsThenFieldsApply)
{
    const struct {
        const char* ext;
        const char* format;
        int64_t start;
        int program;
        const char* expectFormat;
        int64_t expectStart;
        int expectProgram;
    } cases[] = {
        {"acodec=mp3\nvcodec=h264\ns=320x240", "", AV_NOPTS_VALUE, -1, "", 0, 0},
        {"f=avi\nss=2", "mp4", AV_NOPTS_VALUE, 3, "mp4", 2000000, 3},
        {"f=avi\nss=2\nprogramid=5", "", 1500000, -1, "avi", 1500000, 5},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        TInputOptions in;
        in.ExtOptions = c.ext;
        in.FileFormat = c.format;
        in.StartTime = c.start;
        in.ProgramID = c.program;
        ApplyInputOptions(task, in);
        EXPECT_EQ(task.Options().PendingFormat, c.expectFormat) << c.ext;
        EXPECT_EQ(task.Options().StartTime, c.expectStart) << c.ext;
        EXPECT_EQ(task.Options().ProgramID, c.expectProgram) << c.ext;
    }
    TCustomFFmpeg task;
    TInputOptions in;
    in.ExtOptions = "acodec=mp3\nvcodec=h264\ns=320x240";
    ApplyInputOptions(task, in);
    EXPECT_EQ(task.Options().AudioCodecName, "mp3");
    EXPECT_EQ(task.Options().VideoCodecName, "h264");
    EXPECT_EQ(task.Options().FrameWidth, 320);
}

TEST(OptionRecordOutput, DefaultRecordOnlyWritesTheAlwaysAppliedItems)
{
    TCustomFFmpeg task;
    TOptionState& st = task.Options();
    st.AudioSyncMethod = 5;
    st.VideoSyncMethod = 2;
    st.InputSync = true;
    st.AudioLanguage = "eng";
    st.VideoLanguage = "eng";
    st.SubtitleLanguage = "eng";
    st.AudioChannels = 6;
    st.AudioSampleRate = 48000;
    st.AudioVolume = 512;
    st.MuxPreload = 0.9f;
    st.MuxMaxDelay = 0.2f;
    st.FrameWidth = 640;
    st.FrameHeight = 480;
    st.StartTime = 7;
    st.RecordTimestamp = 11;

    ApplyOutputOptions(task, TOutputOptions{});

    EXPECT_EQ(st.AudioSyncMethod, 0);
    EXPECT_EQ(st.VideoSyncMethod, -1);
    EXPECT_FALSE(st.InputSync);
    EXPECT_EQ(st.AudioLanguage, "");
    EXPECT_EQ(st.VideoLanguage, "");
    EXPECT_EQ(st.SubtitleLanguage, "");
    EXPECT_EQ(st.AudioChannels, 6);
    EXPECT_EQ(st.AudioSampleRate, 48000);
    EXPECT_EQ(st.AudioVolume, 512);
    EXPECT_FLOAT_EQ(st.MuxPreload, 0.9f);
    EXPECT_FLOAT_EQ(st.MuxMaxDelay, 0.2f);
    EXPECT_EQ(st.FrameWidth, 640);
    EXPECT_EQ(st.FrameHeight, 480);
    EXPECT_EQ(st.StartTime, 7);
    EXPECT_EQ(st.RecordingTime, NoRecordingTime);
    EXPECT_EQ(st.RecordTimestamp, 11);
    EXPECT_FALSE(st.AudioDisable || st.VideoDisable || st.SubtitleDisable || st.CopyTimestamps);
    EXPECT_FALSE(st.AudioCodecName || st.VideoCodecName || st.SubtitleCodecName);
    EXPECT_TRUE(st.Metadata.empty());
    EXPECT_TRUE(st.PendingFormat.empty());
    EXPECT_TRUE(st.VideoFilters.empty());
    EXPECT_TRUE(st.GenericOptionNames.empty());
    EXPECT_EQ(st.CropTopBand, 0);
}

TEST(OptionRecordOutput, FieldsReachTheirItemsUnderTheirConditions)
{
    TCustomFFmpeg task;
    TOptionState& st = task.Options();
    st.FrameWidth = 640;
    st.FrameHeight = 480;
    TOutputOptions o;
    o.FileFormat = "mpegts";
    o.PacketSize = 1000;
    o.MuxDelay = 0.3f;
    o.MuxPreload = 0.25f;
    o.DisableAudio = true;
    o.AudioVolume = 0;
    o.AudioChannels = 1;
    o.AudioSampleRate = 22050;
    o.AudioBitrate = 64000;
    o.AudioLanguage = "deu";
    o.AudioSync = 1;
    o.AudioTag = "mp4a";
    o.DisableVideo = true;
    o.FrameRate = "30000/1001";
    o.FrameAspectRatio = "16:9";
    o.CropLeft = 0;
    o.CropRight = 10;
    o.GOPSize = 12;
    o.VideoBitrate = 800000;
    o.VideoMaxRate = 0;
    o.VideoSync = 2;
    o.VideoTag = "xvid";
    o.VideoLanguage = "fra";
    o.DisableSubtitle = true;
    o.SubtitleLanguage = "ita";
    o.InputSync = true;
    o.CopyTimestamp = true;
    o.StartTime = 0;
    o.RecordingTime = 5000000;
    o.MetaYear = 2010;
    o.MetaTrack = 0;
    o.MetaTitle = "A=B";
    o.MetaGenre = "Rock";
    ApplyOutputOptions(task, o);

    EXPECT_EQ(st.PendingFormat, "mpegts");
    EXPECT_EQ(Accepted(task, gtFormat, "packetsize"), "1000");
    EXPECT_FLOAT_EQ(st.MuxMaxDelay, 0.3f);
    EXPECT_FLOAT_EQ(st.MuxPreload, 0.25f);
    EXPECT_TRUE(st.AudioDisable);
    EXPECT_EQ(st.AudioVolume, 0);
    EXPECT_EQ(st.AudioChannels, 1);
    EXPECT_EQ(st.AudioSampleRate, 22050);
    EXPECT_EQ(test::TemplateInt(task, gtAudio, "b"), 64000);
    EXPECT_EQ(st.AudioLanguage, "deu");
    EXPECT_EQ(st.AudioSyncMethod, 1);
    EXPECT_EQ(st.AudioCodecTag, MKTAG('m', 'p', '4', 'a'));
    EXPECT_TRUE(st.VideoDisable);
    EXPECT_EQ(av_cmp_q(st.FrameRate, AVRational{30000, 1001}), 0);
    EXPECT_NEAR(st.FrameAspectRatio, 16.0 / 9, 1e-4);
    EXPECT_EQ(st.CropLeftBand, 0);
    EXPECT_EQ(st.CropRightBand, 10);
    EXPECT_EQ(st.FrameWidth, 630);
    EXPECT_EQ(Accepted(task, gtVideo, "g"), "12");
    EXPECT_EQ(Accepted(task, gtVideo, "b"), "800000");
    EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), std::nullopt);
    EXPECT_EQ(st.VideoSyncMethod, 2);
    EXPECT_EQ(st.VideoCodecTag, MKTAG('x', 'v', 'i', 'd'));
    EXPECT_EQ(st.VideoLanguage, "fra");
    EXPECT_TRUE(st.SubtitleDisable);
    EXPECT_EQ(st.SubtitleLanguage, "ita");
    EXPECT_TRUE(st.InputSync);
    EXPECT_TRUE(st.CopyTimestamps);
    EXPECT_EQ(st.StartTime, 0);
    EXPECT_EQ(st.RecordingTime, 5000000);
    EXPECT_EQ(st.TotalDuration, 5000000);
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(st.Metadata, (std::vector<Pair>{{"year", "2010"}, {"title", "A=B"}, {"genre", "Rock"}}));
}

TEST(OptionRecordOutput, CropsApplyBeforeTheFrameSize)
{
    const struct {
        int cropTop;
        const char* size;
        int inputHeight;
        const char* failure;  // nullptr: succeeds
    } cases[] = {
        {8, "320x240", 240, nullptr},
        {239, "320x240", 240, nullptr},
        // Against the input height, not the later 320x240: 300 < 480 is fine.
        {300, "320x240", 480, nullptr},
        {240, "320x240", 240,
         "Vertical crop dimensions are outside the range of the original image.\n"
         "Remember to crop first and scale second."},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        task.Options().FrameWidth = 320;
        task.Options().FrameHeight = c.inputHeight;
        TOutputOptions o;
        o.FrameSize = c.size;
        o.CropTop = c.cropTop;
        if (c.failure) {
            EXPECT_EQ(Failure([&] { ApplyOutputOptions(task, o); }), c.failure);
            continue;
        }
        ApplyOutputOptions(task, o);
        EXPECT_EQ(task.Options().CropTopBand, c.cropTop);
        EXPECT_EQ(task.Options().FrameWidth, 320);
        EXPECT_EQ(task.Options().FrameHeight, 240);
    }
}

TEST(OptionRecordOutput, LaterStepsOverrideEarlierOnes)
{
    // target < codec fields < presets < option text < record fields < size/filters
    TCustomFFmpeg task;
    TOutputOptions o;
    o.TargetType = 1;
    o.NormType = 1;
    o.VideoCodec = "libx264";
    o.VideoPreset = "mp4";
    o.ExtOptions = "maxrate=2000000\nbufsize=3000000\nvcodec=mpeg4\ns=176x144\nvf=hflip";
    o.VideoMaxRate = 2500000;
    o.VideoFilters = "vflip";
    ApplyOutputOptions(task, o);
    const TOptionState& st = task.Options();
    EXPECT_EQ(st.PendingFormat, "vcd");                           // from the target
    EXPECT_EQ(st.VideoCodecName, "libx264");                      // field over target and text
    EXPECT_EQ(st.AudioCodecName, "mp2");                          // target, no field
    EXPECT_EQ(Accepted(task, gtVideo, "maxrate"), "2500000");     // field over text over preset
    EXPECT_EQ(Accepted(task, gtVideo, "bufsize"), "3000000");     // text over preset over target
    EXPECT_EQ(Accepted(task, gtVideo, "bt"), "256000");           // preset
    EXPECT_EQ(st.FrameWidth, 176);                                // the text's "s" became the default
    EXPECT_EQ(st.FrameHeight, 144);                               // size, applied last over the target's
    EXPECT_EQ(st.VideoFilters, "vflip");
}

TEST(OptionRecordOutput, TargetNormFromNormTypeAndFallback)
{
    const struct {
        int normType;
        int fallback;
        AVRational inputRate;
        int height;
    } cases[] = {
        {0, 1, {30, 1}, 576}, {0, 0, {30, 1}, 480}, {0, 2, {30, 1}, 480}, {0, 0, {25, 1}, 576},
        {1, 0, {30, 1}, 576}, {2, 1, {25, 1}, 480}, {7, 1, {30000, 1001}, 480}, {7, 1, {30, 1}, 576},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        task.Options().FrameRate = c.inputRate;
        TOutputOptions o;
        o.TargetType = 3;
        o.NormType = c.normType;
        o.TargetFallbackNorm = c.fallback;
        ApplyOutputOptions(task, o);
        EXPECT_EQ(task.Options().FrameHeight, c.height) << c.normType << "/" << c.fallback;
        EXPECT_EQ(task.Options().PendingFormat, "dvd");
    }
    TCustomFFmpeg none;
    TOutputOptions o;
    o.TargetType = 4;
    ApplyOutputOptions(none, o);
    EXPECT_TRUE(none.Options().PendingFormat.empty());
}

TEST(OptionRecordOutput, FailureStopsWithEarlierStepsApplied)
{
    TCustomFFmpeg task;
    TOutputOptions o;
    o.AudioCodec = "mp2";
    o.ExtOptions = "vn=1\nthreads=2\nan=1";
    o.AudioLanguage = "eng";
    EXPECT_EQ(Failure([&] { ApplyOutputOptions(task, o); }), "TODO: option - threads");
    EXPECT_EQ(task.Options().AudioCodecName, "mp2");
    EXPECT_TRUE(task.Options().VideoDisable);
    EXPECT_FALSE(task.Options().AudioDisable);
    EXPECT_EQ(task.Options().AudioLanguage, "");
}

TEST(OptionRecordExtraStreams, NthNewStreamTakesTheNthLineOrTheDefault)
{
    const struct {
        const char* audioCodec;
        const char* ext;
        std::vector<std::string> streams;  // kind:codec in creation order
    } cases[] = {
        {"", "acodec=mp2\nnewaudio=1\nacodec=ac3\nnewaudio=1", {"v:", "a:mp2", "a:mp2", "a:ac3"}},
        {"aac", "acodec=mp2\nnewaudio=1\nnewaudio=1", {"v:", "a:aac", "a:mp2", "a:aac"}},
        {"", "newaudio=\nvcodec=mpeg4\nnewvideo=x\nscodec=mov_text\nnewsubtitle",
         {"v:mpeg4", "a:", "a:", "v:mpeg4", "s:mov_text"}},
        {"mp2", "NEWAUDIO=1\nnewsubtitle=1", {"v:", "a:mp2", "a:mp2", "s:"}},
    };
    for (const auto& c : cases) {
        TStreamTask task;
        TOutputOptions o;
        o.AudioCodec = c.audioCodec;
        o.ExtOptions = c.ext;
        ASSERT_TRUE(CreateWith(task, o)) << c.ext;
        std::vector<std::string> got;
        for (const auto& s : task.Streams) got.push_back(std::string(1, s.Kind) + ":" + s.Codec);
        EXPECT_EQ(got, c.streams) << c.ext;
    }
}

TEST(OptionRecordExtraStreams, VideoStreamsTakeSizeAndFiltersInTurn)
{
    TStreamTask task;
    task.Options().FrameWidth = 640;
    task.Options().FrameHeight = 480;
    TOutputOptions o;
    o.FrameSize = "320x240";
    o.ExtOptions = "s=176x144\nvfilters=hflip\nnewvideo=1\ns=128x96\nnewvideo=1\nnewvideo=1";
    ASSERT_TRUE(CreateWith(task, o));
    ASSERT_EQ(task.Streams.size(), 5u);
    const struct {
        size_t index;
        const char* size;
        const char* filters;
    } expected[] = {{0, "320x240", "hflip"}, {2, "176x144", "hflip"}, {3, "128x96", "hflip"},
                    {4, "320x240", "hflip"}};
    for (const auto& e : expected) {
        EXPECT_EQ(task.Streams[e.index].Size, e.size) << e.index;
        EXPECT_EQ(task.Streams[e.index].Filters, e.filters) << e.index;
    }
}

TEST(OptionRecordExtraStreams, SkippedWhenTheOutputIsNotCreated)
{
    TStreamTask task;
    TOutputOptions o;
    o.ExtOptions = "acodec=mp2\nnewaudio=1";
    EXPECT_FALSE(ApplyOutputOptions(task, o, "x", [](const std::string&) { return false; }));
    EXPECT_TRUE(task.Streams.empty());
    EXPECT_EQ(task.Options().AudioCodecName, "mp2");
}

TEST(OptionRecordExtraStreams, WithoutOutputFileTheStreamOptionFails)
{
    TCustomFFmpeg task;
    TOutputOptions o;
    o.ExtOptions = "newvideo=1";
    TStreamDefaults d = ApplyOutputOptions(task, o);
    EXPECT_EQ(Failure([&] { ApplyExtraStreamOptions(task, o, d); }),
              "At least one output file must be specified");
}

// Sets TZ for the life of the object.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz)
    {
        if (const char* old = std::getenv("TZ")) old_ = old;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> old_;
};

TEST(OptionRecordTimestamp, DateTimeConversionRoundsToTheSecond)
{
    const struct {
        double dateTime;
        double offsetDays;
        int64_t seconds;
    } cases[] = {
        {25569.0, 0, 0},
        {25569.5, 0, 43200},
        {25569.0 + 1.0 / 24, 1.0 / 24, 0},
        {25569.0, -5.0 / 24, 18000},
        {25569.0 + 0.4 / 86400, 0, 0},
        {25569.0 + 0.6 / 86400, 0, 1},
        {40179.0, 0, 1262304000},  // 2010-01-01
        {25568.0, 0, -86400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateTimeToUnixSeconds(c.dateTime, c.offsetDays), c.seconds) << c.dateTime;
}

TEST(OptionRecordTimestamp, StandardOffsetIgnoresDaylightSaving)
{
    const struct {
        const char* tz;
        double hours;
    } cases[] = {{"UTC0", 0}, {"EST5EDT,M3.2.0,M11.1.0", -5}, {"CET-1CEST,M3.5.0,M10.5.0/3", 1},
                 {"IST-5:30", 5.5}};
    for (const auto& c : cases) {
        ScopedTimeZone zone(c.tz);
        EXPECT_NEAR(LocalStandardOffsetDays() * 24, c.hours, 1e-9) << c.tz;
    }
}

TEST(OptionRecordTimestamp, RecordStampsNowGivenTimeOrNothing)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const struct {
        double timestamp;
        int64_t expected;  // -2: now
    } cases[] = {
        {-1.0, 11},
        {-0.5, 11},
        {0.0, -2},
        {40179.5, 1262304000 + 43200 - 3600},
        {40360.5, 1277942400 + 43200 - 3600},  // 2010-07-01 noon: standard offset only
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        task.Options().RecordTimestamp = 11;
        TOutputOptions o;
        o.Timestamp = c.timestamp;
        const int64_t before = std::time(nullptr);
        ApplyOutputOptions(task, o);
        const int64_t after = std::time(nullptr);
        if (c.expected == -2) {
            EXPECT_GE(task.Options().RecordTimestamp, before);
            EXPECT_LE(task.Options().RecordTimestamp, after);
        } else {
            EXPECT_EQ(task.Options().RecordTimestamp, c.expected) << c.timestamp;
        }
    }
}

}  // namespace
}  // namespace quorvia
