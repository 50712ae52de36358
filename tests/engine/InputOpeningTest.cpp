#include <cmath>
#include <filesystem>
#include <string>

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

#include "FileTestSupport.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"

namespace quorvia {
namespace {

using test::Fixture;
using test::FixturePath;
using test::FileLogCapture;

std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no failure)";
}

// The last stream of a kind in ffprobe's view (opening copies the last one's values).
QJsonObject LastStream(const QJsonObject& probe, const char* kind)
{
    QJsonObject found;
    for (const auto& s : probe["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == kind) found = s.toObject();
    return found;
}

AVRational Rational(const QString& text)
{
    const auto parts = text.split('/');
    return AVRational{parts[0].toInt(), parts.size() > 1 ? parts[1].toInt() : 1};
}

class InputOpening : public ::testing::Test {
protected:
    FileLogCapture log;
};

TEST_F(InputOpening, FixturesFillTheOptionStateFromTheirStreams)
{
    for (Fixture f : {Fixture::Mp4, Fixture::MkvMulti, Fixture::Avi, Fixture::SixChannel, Fixture::Mp3}) {
        const std::string path = FixturePath(f);
        SCOPED_TRACE(path);
        const QJsonObject probe = test::Probe(path);
        TCustomFFmpeg task;
        task.SetOption("vcodec", "mpeg4");  // a forced decoder, consumed by the opening
        ASSERT_TRUE(task.OpenInput(path)) << task.LastError();
        const TOptionState& s = task.Options();

        ASSERT_EQ(task.InputFileCount(), 1);
        const TInputFile& in = task.Files.Input(0);
        ASSERT_EQ(in.Streams.size(), static_cast<size_t>(probe["streams"].toArray().size()));
        for (const TInputStream& st : in.Streams) {
            EXPECT_NE(st.DecoderContext, nullptr);
            EXPECT_NE(st.DecoderContext->codec, nullptr) << "a decoder is installed for every fixture stream";
            EXPECT_EQ(st.Decoder != nullptr, st.Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO);
        }

        const QJsonObject video = LastStream(probe, "video");
        if (!video.isEmpty()) {
            EXPECT_EQ(s.FrameWidth, video["width"].toInt());
            EXPECT_EQ(s.FrameHeight, video["height"].toInt());
            EXPECT_EQ(av_cmp_q(s.FrameRate, Rational(video["r_frame_rate"].toString())), 0);
            EXPECT_STREQ(av_get_pix_fmt_name(static_cast<AVPixelFormat>(s.FramePixFmt)),
                         video["pix_fmt"].toString().toStdString().c_str());
            EXPECT_NEAR(s.FrameAspectRatio, 320.0 / 240.0, 1e-4);
        }
        const QJsonObject audio = LastStream(probe, "audio");
        ASSERT_FALSE(audio.isEmpty());
        EXPECT_EQ(s.AudioSampleRate, audio["sample_rate"].toString().toInt());
        EXPECT_EQ(s.AudioChannels, audio["channels"].toInt());
        EXPECT_STREQ(av_get_sample_fmt_name(static_cast<AVSampleFormat>(s.AudioSampleFmt)),
                     audio["sample_fmt"].toString().toStdString().c_str());
        EXPECT_NE(s.AudioChannelLayout, 0);

        const double duration = probe["format"].toObject()["duration"].toString().toDouble();
        EXPECT_NEAR(static_cast<double>(s.TotalDuration) / AV_TIME_BASE, duration, 0.001);
        const double start = probe["format"].toObject()["start_time"].toString().toDouble();
        EXPECT_NEAR(static_cast<double>(in.FileTsOffset) / AV_TIME_BASE, -start, 1e-6);
        EXPECT_FALSE(s.VideoCodecName.has_value());
    }
}

TEST_F(InputOpening, SixChannelSourceGivesItsLayout)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.OpenInput(FixturePath(Fixture::SixChannel))) << task.LastError();
    EXPECT_EQ(task.Options().AudioChannels, 6);
    EXPECT_EQ(task.Options().AudioSampleRate, 48000);
    // The AAC decoder reports the back-speaker 5.1 layout.
    EXPECT_EQ(task.Options().AudioChannelLayout, static_cast<int64_t>(AV_CH_LAYOUT_5POINT1_BACK));
}

TEST_F(InputOpening, UnopenableFilesReportTheLibraryText)
{
    const std::string missing = (std::filesystem::temp_directory_path() / "no-such-quorvia-file.mp4").string();
    const struct {
        std::string Path;
        std::string Expected;
    } cases[] = {
        {missing, missing + ": No such file or directory"},
        {"unicode:utf8:" + missing, missing + ": No such file or directory"},
        {FixturePath(Fixture::ZeroByte), FixturePath(Fixture::ZeroByte) + ": Invalid data found when processing input"},
        {FixturePath(Fixture::TextAsMp4),
         FixturePath(Fixture::TextAsMp4) + ": Invalid data found when processing input"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        TCustomFFmpeg task;
        task.SetOption("acodec", "aac");
        task.SetOption("vc", "3");
        EXPECT_FALSE(task.OpenInput(c.Path));
        EXPECT_EQ(task.LastError(), c.Expected);
        EXPECT_EQ(task.InputFileCount(), 0);
        EXPECT_FALSE(task.Options().AudioCodecName.has_value());
        EXPECT_EQ(task.Options().VideoChannel, 0);
    }
}

TEST_F(InputOpening, TruncatedFileOpensOrFailsAsTheLibrarySays)
{
    const std::string path = FixturePath(Fixture::Truncated);
    const bool toolOpens = !test::Probe(path).isEmpty();
    TCustomFFmpeg task;
    EXPECT_EQ(task.OpenInput(path), toolOpens) << task.LastError();
    if (toolOpens)
        EXPECT_EQ(task.Files.Input(0).Streams.size(), 2u);
    else
        EXPECT_EQ(task.LastError().rfind(path + ": ", 0), 0u) << task.LastError();
}

TEST_F(InputOpening, UnicodePrefixNameOpensThroughOwnIO)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.OpenInput("unicode:utf8:" + FixturePath(Fixture::Mp4))) << task.LastError();
    EXPECT_EQ(task.Options().FrameWidth, 320);
    EXPECT_EQ(task.Files.Input(0).FileName(), "unicode:utf8:" + FixturePath(Fixture::Mp4));
}

TEST_F(InputOpening, ForcedDemuxer)
{
    const std::string mp4 = FixturePath(Fixture::Mp4);
    {
        TCustomFFmpeg task;
        task.SetOption("f", "nosuchdemuxer");
        EXPECT_EQ(FailureOf([&] { task.OpenInput(mp4); }), "Unknown input format: \"nosuchdemuxer\"");
    }
    {
        TCustomFFmpeg task;
        task.SetOption("f", "mov");
        ASSERT_TRUE(task.OpenInput(mp4)) << task.LastError();
        EXPECT_STREQ(task.Files.Input(0).Context()->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2");
        EXPECT_TRUE(task.Options().PendingFormat.empty());
    }
    {
        // The transport-stream demuxer on an MP4 file: the open fails with the library's text.
        TCustomFFmpeg task;
        task.SetOption("f", "mpegts");
        EXPECT_FALSE(task.OpenInput(mp4));
        EXPECT_EQ(task.LastError().rfind(mp4 + ": ", 0), 0u) << task.LastError();
    }
}

TEST_F(InputOpening, ForcedDecodersAreCheckedAndTheFirstFailureWins)
{
    const struct {
        const char* Video;
        const char* Audio;
        std::string Expected;
    } cases[] = {
        {"nosuchdec", nullptr, "Unknown decoder 'nosuchdec'"},
        {"aac", nullptr, "Invalid decoder type 'aac'"},
        {"nosuchdec", "alsonot", "Unknown decoder 'nosuchdec'"},
        {"mpeg4", "alsonot", "Unknown decoder 'alsonot'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        TCustomFFmpeg task;
        task.SetOption("vcodec", c.Video);
        if (c.Audio) task.SetOption("acodec", c.Audio);
        EXPECT_FALSE(task.OpenInput(FixturePath(Fixture::Mp4)));
        EXPECT_EQ(task.LastError(), c.Expected);
        EXPECT_FALSE(task.Options().VideoCodecName.has_value());
        EXPECT_FALSE(task.Options().AudioCodecName.has_value());
    }
}

TEST_F(InputOpening, DisableFlagsDiscardStreamsAndStaySet)
{
    TCustomFFmpeg task;
    task.ParseOptionText("vn=1\nsn=1", true);
    ASSERT_TRUE(task.OpenInput(FixturePath(Fixture::MkvMulti))) << task.LastError();
    for (const TInputStream& st : task.Files.Input(0).Streams) {
        const AVMediaType type = st.Stream->codecpar->codec_type;
        EXPECT_EQ(st.Stream->discard, type == AVMEDIA_TYPE_AUDIO ? AVDISCARD_DEFAULT : AVDISCARD_ALL) << type;
    }
    EXPECT_TRUE(task.Options().VideoDisable);
    EXPECT_TRUE(task.Options().SubtitleDisable);

    TCustomFFmpeg nokey;
    nokey.SetOption("vdt", std::to_string(AVDISCARD_NONKEY));
    ASSERT_TRUE(nokey.OpenInput(FixturePath(Fixture::Mp4)));
    for (const TInputStream& st : nokey.Files.Input(0).Streams)
        if (st.Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            EXPECT_EQ(st.Stream->discard, AVDISCARD_NONKEY);
        }
}

TEST_F(InputOpening, AspectRatioFollowsSizeAndSampleAspect)
{
    test::TempDir dir;
    const struct {
        const char* Sar;
        double Expected;
    } cases[] = {{"0", 1.25}, {"16/15", 720.0 * 16 / 15 / 576}, {"1", 1.25}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Sar);
        const std::string clip = test::MakeClip(
            dir, "a" + std::to_string(n++) + ".y4m",
            std::string("-f lavfi -i testsrc2=size=720x576:rate=25:duration=0.04,setsar=") + c.Sar +
                " -f yuv4mpegpipe");
        TCustomFFmpeg task;
        ASSERT_TRUE(task.OpenInput(clip)) << task.LastError();
        EXPECT_NEAR(task.Options().FrameAspectRatio, c.Expected, 1e-4);
    }
}

class InputPrograms : public InputOpening {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        // Keyframes every 5 frames; the transport stream starts at 1.4 s.
        ts_ = test::MakeClip(*dir_, "prog.ts",
                             "-f lavfi -i testsrc2=size=160x120:rate=25:duration=4 -c:v mpeg2video -g 5 "
                             "-mpegts_service_id 7 -f mpegts");
    }
    static void TearDownTestSuite() { delete dir_; }
    static inline test::TempDir* dir_ = nullptr;
    static inline std::string ts_;
};

TEST_F(InputPrograms, ProgramSelection)
{
    {
        TCustomFFmpeg task;
        task.SetProgramID(7);
        ASSERT_TRUE(task.OpenInput(ts_)) << task.LastError();
        EXPECT_EQ(task.Options().ProgramID, 0);
        EXPECT_EQ(task.Files.Input(0).Streams[0].Stream->discard, AVDISCARD_DEFAULT);
    }
    for (const std::string& file : {ts_, FixturePath(Fixture::Mp4)}) {
        TCustomFFmpeg task;
        task.SetProgramID(8);
        EXPECT_FALSE(task.OpenInput(file));
        EXPECT_EQ(task.LastError(), "Specified program id not found");
        EXPECT_EQ(task.InputFileCount(), 0);
    }
}

TEST_F(InputPrograms, StartTimeSeeksPastTheFileStart)
{
    AVFormatContext* probe = nullptr;
    ASSERT_EQ(avformat_open_input(&probe, ts_.c_str(), nullptr, nullptr), 0);
    avformat_find_stream_info(probe, nullptr);
    const int64_t fileStart = probe->start_time;
    avformat_close_input(&probe);
    ASSERT_GT(fileStart, 0);

    for (bool copyts : {false, true}) {
        SCOPED_TRACE(copyts);
        TCustomFFmpeg task;
        task.SetOption("ss", "2");
        task.SetOption("itsoffset", "0.5");
        if (copyts) task.SetOption("copyts", "");
        ASSERT_TRUE(task.OpenInput(ts_)) << task.LastError();
        EXPECT_EQ(task.Options().StartTime, 0);
        const TInputFile& in = task.Files.Input(0);
        EXPECT_EQ(in.FileTsOffset, copyts ? 500000 : 500000 - (2000000 + fileStart));

        // The next packet is the keyframe at or before 2 s into the file.
        AVPacket* pkt = av_packet_alloc();
        ASSERT_GE(av_read_frame(in.Context(), pkt), 0);
        const AVStream* st = in.Context()->streams[pkt->stream_index];
        const int64_t at = av_rescale_q(pkt->dts, st->time_base, AVRational{1, AV_TIME_BASE}) - fileStart;
        EXPECT_GE(at, 2000000 - 400000);
        EXPECT_LE(at, 2000000);
        av_packet_free(&pkt);
    }
}

TEST_F(InputOpening, TotalDurationIsTheLongestKnown)
{
    TCustomFFmpeg task;
    task.SetRecordingTime(10 * AV_TIME_BASE);
    ASSERT_TRUE(task.OpenInput(FixturePath(Fixture::Mp4)));
    EXPECT_EQ(task.Options().TotalDuration, 10 * AV_TIME_BASE);

    TCustomFFmpeg shorter;
    shorter.SetRecordingTime(AV_TIME_BASE / 2);
    ASSERT_TRUE(shorter.OpenInput(FixturePath(Fixture::Mp4)));
    EXPECT_NEAR(static_cast<double>(shorter.Options().TotalDuration), 2.0 * AV_TIME_BASE, 0.05 * AV_TIME_BASE);
}

TEST_F(InputOpening, InputsAddUpAndResetClosesThem)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.OpenInput(FixturePath(Fixture::Mp4)));
    ASSERT_TRUE(task.OpenInput(FixturePath(Fixture::Avi)));
    EXPECT_EQ(task.InputFileCount(), 2);
    EXPECT_EQ(task.Files.Input(1).Streams[0].FileIndex, 1);
    const auto rates = task.InputVideoFrameRates();
    ASSERT_EQ(rates.size(), 2u);
    for (AVRational r : rates) EXPECT_EQ(av_cmp_q(r, AVRational{25, 1}), 0);
    task.Reset();
    EXPECT_EQ(task.InputFileCount(), 0);
}

}  // namespace
}  // namespace quorvia
