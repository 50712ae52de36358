// Stream facts read by the prober, checked against the ffprobe tool on a
// dozen generated files, and the queries' answers to wrong questions.
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

#include "ProbeFixtures.h"
#include "ProbeTestSupport.h"
#include "probe/AVProbe.h"
#include "support/Fixtures.h"

using namespace quorvia;
using namespace quorvia::test;

namespace {

std::vector<std::string> AllFiles()
{
    std::vector<std::string> files;
    for (Fixture f : {Fixture::Mp4, Fixture::Mp3, Fixture::Wav, Fixture::MkvMulti, Fixture::Avi, Fixture::SixChannel,
                      Fixture::Truncated})
        files.push_back(FixturePath(f));
    for (ProbeFixture f : {ProbeFixture::MpegTs, ProbeFixture::Flv, ProbeFixture::Ogg, ProbeFixture::WebM,
                           ProbeFixture::Anamorphic, ProbeFixture::Ntsc, ProbeFixture::Flac, ProbeFixture::M4a})
        files.push_back(ProbeFixturePath(f));
    return files;
}

int64_t Micro(const QJsonValue& seconds)
{
    return std::llround(seconds.toString().toDouble() * 1e6);
}

// A stream time as ffprobe gives it, AV_NOPTS_VALUE when it shows none.
int64_t StreamTime(const QJsonObject& s, const char* key)
{
    return s.contains(key) ? static_cast<int64_t>(s[key].toDouble()) : AV_NOPTS_VALUE;
}

double Ratio(const QString& text)  // "16:9" or "30000/1001"
{
    const QStringList parts = text.split(QRegularExpression("[:/]"));
    if (parts.size() != 2 || parts[1].toDouble() == 0) return 0;
    return parts[0].toDouble() / parts[1].toDouble();
}

template <typename Info>
void ExpectCommon(const Info& info, const QJsonObject& s, const std::string& where)
{
    EXPECT_EQ(info.StartTime, StreamTime(s, "start_pts")) << where;
    EXPECT_EQ(info.Duration, StreamTime(s, "duration_ts")) << where;
    if (s.contains("start_time")) {
        EXPECT_NEAR(info.StartTimeUs, Micro(s["start_time"]), 1) << where;
    } else {
        EXPECT_EQ(info.StartTimeUs, -1) << where;
    }
    if (s.contains("duration")) {
        EXPECT_NEAR(info.DurationUs, Micro(s["duration"]), 1) << where;
    } else {
        EXPECT_EQ(info.DurationUs, -1) << where;
    }
    if (s.contains("bit_rate")) {
        EXPECT_EQ(info.BitRate, s["bit_rate"].toString().toLongLong()) << where;
    }
    EXPECT_EQ(info.Language, s["tags"].toObject()["language"].toString().toStdString()) << where;
    // "decoder(long name)": the decoder must be one for the codec ffprobe names.
    const std::string decoderName = info.CodecName.substr(0, info.CodecName.find('('));
    const AVCodec* decoder = avcodec_find_decoder_by_name(decoderName.c_str());
    const AVCodecDescriptor* codec = avcodec_descriptor_get_by_name(s["codec_name"].toString().toUtf8().constData());
    ASSERT_TRUE(decoder && codec) << where << ": " << info.CodecName;
    EXPECT_EQ(decoder->id, codec->id) << where << ": " << info.CodecName;
    EXPECT_EQ(info.CodecName, decoderName + "(" + decoder->long_name + ")") << where;
}

}  // namespace

using ProbeStreams = ProbeTest;

TEST_F(ProbeStreams, MatchFfprobe)
{
    const std::vector<std::string> files = AllFiles();
    ASSERT_GE(files.size(), 10u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const QJsonObject json = Probe(file);
        const QJsonObject format = json["format"].toObject();
        const QJsonArray streams = json["streams"].toArray();
        ASSERT_FALSE(streams.isEmpty());

        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(file)) << probe.LastErrMsg();
        EXPECT_EQ(probe.FileSize(), format["size"].toString().toLongLong());
        EXPECT_EQ(probe.StreamCount(), format["nb_streams"].toInt());
        EXPECT_EQ(probe.ProgramCount(), format["nb_programs"].toInt());
        EXPECT_EQ(probe.FormatName(), format["format_name"].toString().toStdString());

        TFileStreamInfo fileInfo;
        ASSERT_TRUE(probe.GetFileStreamInfo(fileInfo));
        EXPECT_NEAR(fileInfo.Duration, Micro(format["duration"]), 1);
        if (format.contains("start_time")) {
            EXPECT_NEAR(fileInfo.StartTime, Micro(format["start_time"]), 1);
        } else {
            EXPECT_EQ(fileInfo.StartTime, -1);
        }
        EXPECT_EQ(fileInfo.BitRate, format["bit_rate"].toString().toLongLong());

        int counts[3] = {0, 0, 0};  // video, audio, subtitle
        int firsts[3] = {-1, -1, -1};
        for (const QJsonValue& v : streams) {
            const QJsonObject s = v.toObject();
            const int index = s["index"].toInt();
            const QString type = s["codec_type"].toString();
            const std::string where = "stream " + std::to_string(index);
            const int kind = type == "video" ? 0 : type == "audio" ? 1 : type == "subtitle" ? 2 : -1;
            if (kind >= 0 && counts[kind]++ == 0) firsts[kind] = index;
            EXPECT_EQ(probe.IsVideoStream(index), type == "video") << where;
            EXPECT_EQ(probe.IsAudioStream(index), type == "audio") << where;

            if (type == "video") {
                TVideoStreamInfo info;
                ASSERT_TRUE(probe.GetVideoStreamInfo(index, info)) << where;
                ExpectCommon(info, s, where);
                EXPECT_EQ(info.Width, s["width"].toInt()) << where;
                EXPECT_EQ(info.Height, s["height"].toInt()) << where;
                EXPECT_EQ(av_get_pix_fmt_name(static_cast<AVPixelFormat>(info.PixelFormat)),
                          s["pix_fmt"].toString().toStdString())
                    << where;
                EXPECT_EQ(QString("%1/%2").arg(info.FrameRateNum).arg(info.FrameRateDen), s["r_frame_rate"].toString())
                    << where;
                if (s.contains("display_aspect_ratio")) {
                    EXPECT_NEAR(info.AspectRatio, Ratio(s["display_aspect_ratio"].toString()), 0.001) << where;
                }
            } else if (type == "audio") {
                TAudioStreamInfo info;
                ASSERT_TRUE(probe.GetAudioStreamInfo(index, info)) << where;
                ExpectCommon(info, s, where);
                EXPECT_EQ(info.SampleRate, s["sample_rate"].toString().toInt()) << where;
                EXPECT_EQ(info.Channels, s["channels"].toInt()) << where;
                EXPECT_EQ(av_get_sample_fmt_name(static_cast<AVSampleFormat>(info.SampleFormat)),
                          s["sample_fmt"].toString().toStdString())
                    << where;
            }
        }
        EXPECT_EQ(probe.VideoStreamCount(), counts[0]);
        EXPECT_EQ(probe.AudioStreamCount(), counts[1]);
        EXPECT_EQ(probe.SubtitleStreamCount(), counts[2]);
        EXPECT_EQ(probe.FirstVideoStreamIndex(), firsts[0]);
        EXPECT_EQ(probe.FirstAudioStreamIndex(), firsts[1]);
        EXPECT_EQ(probe.FirstSubtitleStreamIndex(), firsts[2]);
    }
}

// The facts the windows rely on, for the files made to show them.
TEST_F(ProbeStreams, KnownFacts)
{
    TAVProbe probe;
    TVideoStreamInfo video;
    TAudioStreamInfo audio;

    ASSERT_TRUE(probe.LoadFile(FixturePath(Fixture::Mp4)));
    ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
    EXPECT_EQ(video.CodecName, "mpeg4(MPEG-4 part 2)");
    EXPECT_EQ(video.Width, 320);
    EXPECT_EQ(video.Height, 240);
    EXPECT_FLOAT_EQ(video.AspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(video.FrameRateNum, 25);
    EXPECT_EQ(video.FrameRateDen, 1);
    EXPECT_NEAR(video.DurationUs, 2000000, 50000);
    ASSERT_TRUE(probe.GetAudioStreamInfo(-1, audio));
    EXPECT_EQ(audio.CodecName, "aac(AAC (Advanced Audio Coding))");
    EXPECT_EQ(audio.SampleRate, 44100);
    EXPECT_EQ(audio.Channels, 2);
    EXPECT_EQ(audio.SampleFormat, AV_SAMPLE_FMT_FLTP);

    ASSERT_TRUE(probe.LoadFile(FixturePath(Fixture::MkvMulti)));
    EXPECT_EQ(probe.AudioStreamCount(), 2);
    EXPECT_EQ(probe.SubtitleStreamCount(), 1);
    EXPECT_EQ(probe.FirstSubtitleStreamIndex(), 3);
    ASSERT_TRUE(probe.GetAudioStreamInfo(1, audio));
    EXPECT_EQ(audio.Language, "eng");
    ASSERT_TRUE(probe.GetAudioStreamInfo(2, audio));
    EXPECT_EQ(audio.Language, "ger");
    EXPECT_EQ(audio.SampleRate, 48000);

    ASSERT_TRUE(probe.LoadFile(FixturePath(Fixture::SixChannel)));
    ASSERT_TRUE(probe.GetAudioStreamInfo(-1, audio));
    EXPECT_EQ(audio.Channels, 6);
    EXPECT_EQ(audio.SampleRate, 48000);

    // The container's 16:9 display shape over a 4:3 picture.
    ASSERT_TRUE(probe.LoadFile(ProbeFixturePath(ProbeFixture::Anamorphic)));
    ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
    EXPECT_NEAR(video.AspectRatio, 16.0 / 9.0, 0.001);

    ASSERT_TRUE(probe.LoadFile(ProbeFixturePath(ProbeFixture::Ntsc)));
    ASSERT_TRUE(probe.GetVideoStreamInfo(-1, video));
    EXPECT_EQ(video.FrameRateNum, 30000);
    EXPECT_EQ(video.FrameRateDen, 1001);

    ASSERT_TRUE(probe.LoadFile(ProbeFixturePath(ProbeFixture::Flac)));
    TFileStreamInfo file;
    ASSERT_TRUE(probe.GetFileStreamInfo(file));
    EXPECT_EQ(file.Title, "Tone");
    EXPECT_EQ(file.Author, "Tester");
    EXPECT_EQ(file.Album, "Probes");
    EXPECT_EQ(file.Year, 2009);
    EXPECT_EQ(file.Track, 3);
    EXPECT_EQ(file.Timestamp, 1262307723);
    EXPECT_EQ(file.Genre, "");

    ASSERT_TRUE(probe.LoadFile(FixturePath(Fixture::Wav)));
    ASSERT_TRUE(probe.GetFileStreamInfo(file));
    EXPECT_EQ(file.Timestamp, 0);
    EXPECT_EQ(file.Year, 0);
    EXPECT_EQ(file.Title, "");
}

TEST_F(ProbeStreams, WrongQuestionsAreReported)
{
    enum Query { Audio, Video, IsAudio, IsVideo };
    const struct {
        std::string file;  // empty: nothing loaded
        Query query;
        int index;
        TLogLevel level;
        const char* message;
    } cases[] = {
        {"", Audio, -1, llWarning, "file not loaded."},
        {"", Video, 0, llWarning, "file not loaded."},
        {"", IsAudio, 0, llWarning, "file not loaded."},
        {"", IsVideo, 0, llWarning, "file not loaded."},
        {ProbeFixturePath(ProbeFixture::Anamorphic), Audio, -1, llError, "no audio stream."},
        {FixturePath(Fixture::Mp3), Video, -1, llError, "no video stream."},
        {FixturePath(Fixture::Mp4), Audio, 0, llError, "stream #0 is not audio stream."},
        {FixturePath(Fixture::Mp4), Video, 1, llError, "stream #1 is not video stream."},
        {FixturePath(Fixture::Mp4), Audio, 2, llError, "stream index #2 is invalid."},
        {FixturePath(Fixture::Mp4), Video, 7, llError, "stream index #7 is invalid."},
        {FixturePath(Fixture::Mp4), IsVideo, 2, llError, "stream index #2 is invalid."},
        {FixturePath(Fixture::Mp4), IsAudio, -1, llError, "stream index #-1 is invalid."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TAVProbe probe;
        if (!c.file.empty()) {
            ASSERT_TRUE(probe.LoadFile(c.file));
        }
        LogCapture log(&probe);
        bool answer = true;
        TAudioStreamInfo audio;
        TVideoStreamInfo video;
        audio.Channels = 99;  // must come back reset
        video.Width = 99;
        switch (c.query) {
        case Audio: answer = probe.GetAudioStreamInfo(c.index, audio); break;
        case Video: answer = probe.GetVideoStreamInfo(c.index, video); break;
        case IsAudio: answer = probe.IsAudioStream(c.index); break;
        case IsVideo: answer = probe.IsVideoStream(c.index); break;
        }
        EXPECT_FALSE(answer);
        EXPECT_EQ(probe.LastErrMsg(), c.message);
        const auto lines = log.Take();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].level, c.level);
        EXPECT_EQ(lines[0].text, c.message);
        if (c.query == Audio) {
            EXPECT_EQ(audio.Channels, -1);
            EXPECT_EQ(audio.SampleRate, -1);
            EXPECT_EQ(audio.DurationUs, -1);
            EXPECT_EQ(audio.CodecName, "");
        }
        if (c.query == Video) {
            EXPECT_EQ(video.Width, -1);
            EXPECT_FLOAT_EQ(video.AspectRatio, -1.0f);
            EXPECT_EQ(video.FrameRateNum, -1);
        }
    }

    TAVProbe idle;
    LogCapture log(&idle);
    TFileStreamInfo file;
    file.Duration = 5;
    EXPECT_FALSE(idle.GetFileStreamInfo(file));
    EXPECT_EQ(file.Duration, -1);
    EXPECT_EQ(file.BitRate, -1);
    EXPECT_EQ(idle.GetInfoText(), "");
    EXPECT_EQ(idle.LastErrMsg(), "file not loaded.");
    EXPECT_EQ(log.Take().size(), 2u);
}
