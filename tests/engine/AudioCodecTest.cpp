// Re-encoding audio: each installed encoder the profiles use, rate and
// channel conversion, and the length of what is written.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"

namespace quorvia::test {
namespace {

struct TCodecCase {
    const char* Encoder;
    const char* Extension;
    const char* Codec;  // as ffprobe names it
    int FrameSize;      // samples per encoder frame (1: any)
};

class AudioCodec : public ::testing::TestWithParam<TCodecCase> {};

// Samples per channel of the first audio stream, decoded by the ffmpeg tool.
size_t DecodedLength(const TempDir& dir, const std::string& file, int channels)
{
    return DecodeS16(dir, file).size() / channels;
}

TEST_P(AudioCodec, EncodesTheSoundOfTheMp4)
{
    const TCodecCase& c = GetParam();
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string out = dir.file(std::string("out.") + c.Extension);
    const TJobResult r = RunJob(AudioJob(in, out, std::string("acodec=") + c.Encoder + "\nvn=1\nar=44100\nac=2"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;

    const QJsonObject probe = Probe(out);
    const auto audio = StreamsOf(probe, "audio");
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0]["codec_name"].toString().toStdString(), c.Codec);
    EXPECT_EQ(audio[0]["sample_rate"].toString().toInt(), 44100);
    EXPECT_EQ(audio[0]["channels"].toInt(), 2);
    EXPECT_TRUE(StreamsOf(probe, "video").empty());
    EXPECT_TRUE(DecodesCleanly(out));

    // Every source sample is there; at most the last frame is padded or cut.
    const auto source = DecodedLength(dir, in, 2);
    const auto written = DecodedLength(dir, out, 2);
    EXPECT_NEAR(static_cast<double>(written), static_cast<double>(source), c.FrameSize) << c.Encoder;
    const auto samples = DecodeS16(dir, out);
    EXPECT_NEAR(ToneFrequency(samples, 2, 0, 44100), 440.0, 5.0);
}

INSTANTIATE_TEST_SUITE_P(Encoders, AudioCodec,
                         ::testing::Values(TCodecCase{"libmp3lame", "mp3", "mp3", 1152},
                                           TCodecCase{"ac3", "ac3", "ac3", 1536},
                                           TCodecCase{"mp2", "mp2", "mp2", 1152},
                                           TCodecCase{"flac", "flac", "flac", 4608},
                                           TCodecCase{"pcm_s16le", "wav", "pcm_s16le", 1},
                                           TCodecCase{"wmav2", "wma", "wmav2", 2048},
                                           TCodecCase{"libvorbis", "ogg", "vorbis", 64},
                                           TCodecCase{"aac", "m4a", "aac", 1024}),
                         [](const auto& info) { return std::string(info.param.Encoder); });

// Rate and channel conversion keep the pitch and the length and fill every
// output channel.
TEST(AudioConversion, RateAndChannels)
{
    TempDir dir;
    const std::string mono = MakeMedia(dir, "mono.mp3",
                                       "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 "
                                       "-ac 1 -c:a libmp3lame");
    const std::string six = FixturePath(Fixture::SixChannel);
    // AC-3 5.1: the decoder mixes down to the encoder's channels itself.
    const std::string ac3 = MakeMedia(dir, "six.ac3",
                                      "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 "
                                      "-ac 6 -c:a ac3");
    struct TCase {
        const char* Name;
        std::string Source;
        int SourceRate;
        const char* Options;
        const char* Output;
        int Rate, Channels;
    };
    const TCase cases[] = {
        {"48 kHz to 44.1 kHz", six, 48000, "acodec=aac\nvn=1\nar=44100\nac=6", "out.m4a", 44100, 6},
        {"6 channels to 2", six, 48000, "acodec=aac\nvn=1\nar=48000\nac=2", "out.m4a", 48000, 2},
        {"6 channels at 48 kHz to 2 at 44.1 kHz", six, 48000, "acodec=mp2\nvn=1\nar=44100\nac=2", "out.mp2",
         44100, 2},
        {"AC-3 5.1 to stereo", ac3, 48000, "acodec=mp2\nar=48000\nac=2", "out.mp2", 48000, 2},
        {"mono 22.05 kHz to stereo 44.1 kHz", mono, 22050, "acodec=pcm_s16le\nvn=1\nar=44100\nac=2", "out.wav",
         44100, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string out = dir.file(c.Output);
        const TJobResult r = RunJob(AudioJob(c.Source, out, c.Options));
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        const QJsonObject audio = AudioStreamOf(out);
        EXPECT_EQ(audio["sample_rate"].toString().toInt(), c.Rate);
        EXPECT_EQ(audio["channels"].toInt(), c.Channels);

        const auto source = DecodeS16(dir, c.Source);
        const int sourceChannels = AudioStreamOf(c.Source)["channels"].toInt();
        const auto samples = DecodeS16(dir, out);
        const double sourceSeconds = static_cast<double>(source.size()) / sourceChannels / c.SourceRate;
        const double seconds = static_cast<double>(samples.size()) / c.Channels / c.Rate;
        EXPECT_NEAR(seconds, sourceSeconds, 1152.0 / c.Rate);
        // With the channel count kept, each channel keeps its sound (the
        // 5.1 fixture has its tone in the centre only); a mix fills every channel.
        for (int ch = 0; ch < c.Channels; ++ch) {
            SCOPED_TRACE(ch);
            const bool sounding = sourceChannels != c.Channels || Peak(source, ch, sourceChannels) > 1000;
            if (!sounding) {
                EXPECT_LT(Peak(samples, ch, c.Channels), 50);
                continue;
            }
            EXPECT_GT(Peak(samples, ch, c.Channels), 1000);
            EXPECT_NEAR(ToneFrequency(samples, c.Channels, ch, c.Rate), 440.0, 5.0);
        }
    }
}

// "aframes" ends the stream after that many encoded audio frames (a PCM
// encoder writes one packet per decoded frame).
TEST(AudioConversion, FrameLimit)
{
    TempDir dir;
    const std::string out = dir.file("out.mkv");
    const TJobResult r = RunJob(AudioJob(FixturePath(Fixture::Wav), out, "acodec=pcm_s16le\nar=44100\nac=2\naframes=10"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto packets = ProbePackets(out);
    ASSERT_EQ(packets.count(0), 1u);
    EXPECT_EQ(packets.at(0).size(), 10u);
}

}  // namespace
}  // namespace quorvia::test
