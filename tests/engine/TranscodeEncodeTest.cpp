// Re-encoding through the whole pipeline, checked against the reference tool.
#include <gtest/gtest.h>

#include <filesystem>

#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

double BitRateOf(const QJsonObject& stream) { return stream["bit_rate"].toString().toDouble(); }

TEST(TranscodeEncode, Mpeg4AacScaledMatchesTheReferenceTool)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string ours = dir.file("ours.mp4");
    const std::string theirs = dir.file("theirs.mp4");
    const TJobResult r =
        RunJob(Job(in, ours, "vcodec=mpeg4\nb=200000\ns=160x120\nacodec=aac\nab=64000\nar=44100\nac=2"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -y -v error -i " + ShellQuote(in) +
                         " -c:v mpeg4 -b:v 200k -s 160x120 -c:a aac -b:a 64k -ar 44100 -ac 2 " + ShellQuote(theirs)),
              0);

    const QJsonObject a = Probe(ours);
    const QJsonObject b = Probe(theirs);
    const auto video = StreamsOf(a, "video");
    const auto audio = StreamsOf(a, "audio");
    ASSERT_EQ(video.size(), 1u);
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(video[0]["codec_name"].toString(), "mpeg4");
    EXPECT_EQ(video[0]["width"].toInt(), 160);
    EXPECT_EQ(video[0]["height"].toInt(), 120);
    EXPECT_EQ(audio[0]["codec_name"].toString(), "aac");
    EXPECT_EQ(audio[0]["sample_rate"].toString(), "44100");
    EXPECT_EQ(audio[0]["channels"].toInt(), 2);
    EXPECT_NEAR(BitRateOf(video[0]), BitRateOf(StreamsOf(b, "video")[0]), 0.15 * BitRateOf(StreamsOf(b, "video")[0]));
    EXPECT_NEAR(BitRateOf(audio[0]), 64000, 0.15 * 64000);
    EXPECT_EQ(CountVideoFrames(ours), 50);
    EXPECT_NEAR(DurationOf(a), 2.0, 0.1);
    EXPECT_TRUE(DecodesCleanly(ours));

    // Progress: the final record reports every frame, a quantiser, the
    // file's size and its time.
    ASSERT_FALSE(r.Progress.empty());
    const TProgressInfo& last = r.Progress.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_EQ(last.FrameNumber, 50);
    EXPECT_GT(last.Quality, 0.0f);
    EXPECT_EQ(last.TotalSize, static_cast<int64_t>(fs::file_size(ours)));
    EXPECT_NEAR(static_cast<double>(last.Time) / 1e6, 2.0, 0.1);
}

TEST(TranscodeEncode, Libx264WithAPreset)
{
    TempDir dir;
    const std::string out = dir.file("x264.mp4");
    const TJobResult r =
        RunJob(Job(FixturePath(Fixture::Mp4), out, "vcodec=libx264\nvpre=fast\nb=300000\nacodec=aac"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto video = StreamsOf(Probe(out), "video");
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0]["codec_name"].toString(), "h264");
    EXPECT_EQ(CountVideoFrames(out), 50);
    EXPECT_TRUE(DecodesCleanly(out));
}

TEST(TranscodeEncode, TwoPassWritesOneLogPerEncodedStream)
{
    TempDir dir;
    const std::string prefix = dir.file("ffmpeg2pass");
    const std::string common = "vcodec=mpeg4\nb=200000\nan=1\npasslogfile=" + prefix + "\nnewvideo=1\n";
    const TJobResult first = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("pass1.mkv"), common + "pass=1"));
    ASSERT_TRUE(first.Created) << first.CreateError;
    ASSERT_TRUE(first.Finished) << first.ErrorMessage;
    for (const char* log : {"-0.log", "-1.log"}) {
        SCOPED_TRACE(log);
        ASSERT_TRUE(fs::exists(prefix + log));
        EXPECT_GT(fs::file_size(prefix + log), 0u);
    }
    const std::string out = dir.file("pass2.mkv");
    const TJobResult second = RunJob(Job(FixturePath(Fixture::Mp4), out, common + "pass=2"));
    ASSERT_TRUE(second.Created) << second.CreateError;
    ASSERT_TRUE(second.Finished) << second.ErrorMessage;
    EXPECT_EQ(StreamsOf(Probe(out), "video").size(), 2u);
    EXPECT_TRUE(DecodesCleanly(out));
}

TEST(TranscodeEncode, SecondPassWithoutLogFails)
{
    TempDir dir;
    const std::string prefix = dir.file("missing");
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("out.mkv"),
                                    "vcodec=mpeg4\nan=1\npass=2\npasslogfile=" + prefix));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_FALSE(r.Finished);
    EXPECT_EQ(r.ErrorMessage,
              "Cannot read file: Error reading log file \"" + prefix + "-0.log\" for pass-2 encoding");
}

TEST(TranscodeEncode, SubtitlesAreReencoded)
{
    TempDir dir;
    const std::string out = dir.file("subs.mkv");
    const TJobResult r =
        RunJob(Job(FixturePath(Fixture::MkvMulti), out, "vcodec=copy\nacodec=copy\nscodec=ass"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto subs = StreamsOf(Probe(out), "subtitle");
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_EQ(subs[0]["codec_name"].toString(), "ass");
    std::string text;
    RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(out) + " -map 0:s -f ass -", &text);
    EXPECT_NE(text.find(",Hello"), std::string::npos) << text;
    EXPECT_NE(text.find(",World"), std::string::npos) << text;
}

}  // namespace
}  // namespace quorvia::test
