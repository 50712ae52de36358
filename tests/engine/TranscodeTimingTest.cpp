// Frame limits, recording time, start time, shortest and join, on real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

// A one-second, video-only cut of the MP4 fixture.
std::string ShortVideo(const TempDir& dir)
{
    const std::string out = dir.file("short.mp4");
    const std::string cmd = "ffmpeg -nostdin -y -v error -i " + ShellQuote(FixturePath(Fixture::Mp4)) +
                            " -t 1 -an -c:v copy " + ShellQuote(out);
    EXPECT_EQ(RunCommand(cmd), 0);
    return out;
}

struct TTimingCase {
    const char* Name;
    const char* Options;
    bool NeedsEncoders;
    std::function<void(const std::string& out)> Check;
};

TEST(TranscodeTiming, LimitsOfOneInput)
{
    const TTimingCase cases[] = {
        {"vframes copy", "vcodec=copy\nan=1\nvframes=20", false,
         [](const std::string& out) { EXPECT_EQ(ProbePackets(out).at(0).size(), 20u); }},
        {"vframes encode", "vcodec=mpeg4\nan=1\nvframes=20", true,
         [](const std::string& out) { EXPECT_EQ(CountVideoFrames(out), 20); }},
        {"t", "vcodec=mpeg4\nacodec=aac\nt=1", true,
         [](const std::string& out) {
             EXPECT_NEAR(DurationOf(Probe(out)), 1.0, 0.1);
             EXPECT_NEAR(CountVideoFrames(out), 25, 1);
         }},
        {"t copy", "vcodec=copy\nacodec=copy\nt=1", false,
         [](const std::string& out) { EXPECT_NEAR(DurationOf(Probe(out)), 1.0, 0.1); }},
        {"ss", "vcodec=mpeg4\nacodec=aac\nss=1", true,
         [](const std::string& out) {
             EXPECT_NEAR(DurationOf(Probe(out)), 1.0, 0.1);
             EXPECT_NEAR(CountVideoFrames(out), 25, 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string out = dir.file("out.mp4");
        const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), out, c.Options));
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        EXPECT_TRUE(DecodesCleanly(out));
        c.Check(out);
    }
}

TEST(TranscodeTiming, InputTimestampScaleStretchesAStream)
{
    // "itsscale" 2 on the video stream: its copied timestamps double.
    TempDir dir;
    TJob job = Job(FixturePath(Fixture::Mp4), dir.file("slow.mkv"), "vcodec=copy\nan=1");
    job.Inputs[0].Options = "itsscale=0:2";
    const TJobResult r = RunJob(job);
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_NEAR(DurationOf(Probe(job.Output)), 4.0, 0.15);
    EXPECT_EQ(ProbePackets(job.Output).at(0).size(), 50u);
}

TEST(TranscodeTiming, FileSizeLimitEndsTheOutputEarly)
{
    TempDir dir;
    const std::string out = dir.file("limited.mkv");
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), out, "vcodec=copy\nacodec=copy\nfs=60000"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_TRUE(DecodesCleanly(out));
    EXPECT_LT(DurationOf(Probe(out)), 1.5);
    EXPECT_LT(std::filesystem::file_size(out), 120000u);
}

TEST(TranscodeTiming, ProgressIsReportedWhileRunning)
{
    TempDir dir;
    TJob job = Job(FixturePath(Fixture::Mp4), dir.file("out.mkv"), "vcodec=copy\nacodec=copy");
    job.Prepare = [](TCustomFFmpeg& t) { t.Control().ReportInterval = 0; };
    const TJobResult r = RunJob(job);
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    ASSERT_GT(r.Progress.size(), 10u);
    // Time is the output time of the stream furthest behind, so it may step
    // back when a stream writes its first packet; it never passes the end.
    const TProgressInfo& final = r.Progress.back();
    EXPECT_EQ(final.FileIndex, -1);
    int lastFrame = 0;
    for (size_t i = 0; i + 1 < r.Progress.size(); ++i) {
        const TProgressInfo& p = r.Progress[i];
        EXPECT_EQ(p.FileIndex, 0);
        EXPECT_GE(p.FrameNumber, std::max(1, lastFrame));  // never before the first video frame
        EXPECT_GT(p.Time, 0);
        EXPECT_LE(p.Time, final.Time);
        EXPECT_GT(p.TotalDuration, 1900000);
        lastFrame = p.FrameNumber;
    }
}

TEST(TranscodeTiming, ShortestEndsWithTheShortestInput)
{
    const struct {
        const char* Options;
        double Duration;
    } cases[] = {
        {"vcodec=copy\nacodec=copy\nshortest=1", 1.0},
        {"vcodec=copy\nacodec=copy", 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        TempDir dir;
        TJob job = Job(ShortVideo(dir), dir.file("out.mkv"), c.Options);
        job.Inputs.push_back({FixturePath(Fixture::Mp3), ""});
        const TJobResult r = RunJob(job);
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        const QJsonObject probe = Probe(job.Output);
        EXPECT_EQ(StreamsOf(probe, "video").size(), 1u);
        EXPECT_EQ(StreamsOf(probe, "audio").size(), 1u);
        EXPECT_NEAR(DurationOf(probe), c.Duration, 0.15);
    }
}

TEST(TranscodeTiming, JoinOfThreeFilesContinuesTimestamps)
{
    const struct {
        const char* Options;
        bool Encode;
    } cases[] = {
        {"vcodec=copy\nacodec=copy", false},
        {"vcodec=mpeg4\nacodec=aac", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        TempDir dir;
        const std::string in = FixturePath(Fixture::Mp4);
        TJob job = Job(in, dir.file("joined.mp4"), c.Options);
        job.Inputs.push_back({in, ""});
        job.Inputs.push_back({in, ""});
        job.Join = true;
        const TJobResult r = RunJob(job);
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        EXPECT_TRUE(DecodesCleanly(job.Output));
        EXPECT_NEAR(DurationOf(Probe(job.Output)), 6.0, 0.25);
        EXPECT_NEAR(CountVideoFrames(job.Output), 150, 3);
        if (!c.Encode) {
            const auto source = ProbePackets(in);
            const auto joined = ProbePackets(job.Output);
            EXPECT_EQ(joined.at(0).size(), 3 * source.at(0).size());
            EXPECT_EQ(joined.at(1).size(), 3 * source.at(1).size());
        }
        // Video timestamps keep rising across the joins.
        std::string out;
        RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=dts_time -of csv=p=0 " +
                       ShellQuote(job.Output),
                   &out);
        double last = -1;
        int count = 0;
        for (size_t pos = 0; pos < out.size();) {
            const size_t end = out.find('\n', pos);
            const double t = std::atof(out.substr(pos, end - pos).c_str());
            EXPECT_GT(t, last) << "packet " << count;
            last = t;
            ++count;
            if (end == std::string::npos) break;
            pos = end + 1;
        }
        EXPECT_GT(last, 5.5);
    }
}

}  // namespace
}  // namespace quorvia::test
