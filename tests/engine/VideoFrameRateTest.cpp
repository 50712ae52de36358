// The frame-rate decision: the rule itself, then whole conversions that
// duplicate and drop frames.
#include <gtest/gtest.h>

#include <functional>

#include "TranscodeTestSupport.h"
#include "VideoTestSupport.h"
#include "engine/VideoFrameRate.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

using transcode::DecideVideoFrames;

struct TDecision {
    const char* Name;
    double SyncTime;      // seconds
    double TimeBase;      // seconds per output frame
    int Method;           // VideoSyncMethod
    bool VariableFps;     // the output format allows a variable rate
    int64_t SyncOpts;     // position before
    int Frames;           // expected
    int64_t SyncOptsAfter;
};

TEST(VideoFrameRate, DecisionTable)
{
    const TDecision cases[] = {
        {"passthrough follows the input time", 1.0, 0.04, 0, false, 3, 1, 25},
        {"passthrough rounds ties to even (down)", 0.625, 0.25, 0, false, 0, 1, 2},
        {"passthrough rounds ties to even (up)", 0.875, 0.25, 0, false, 0, 1, 4},
        {"in step", 0.08, 0.04, 1, false, 2, 1, 2},
        {"constant rate: one frame late is kept", 0.12, 0.04, 1, false, 2, 1, 2},
        {"constant rate: two behind duplicates", 0.16, 0.04, 1, false, 2, 2, 2},
        {"constant rate: 12.5 rounds to 12", 0.5, 0.04, -1, false, 0, 12, 0},
        {"constant rate: 13.5 behind rounds to 14", 0.54, 0.04, 1, false, 0, 14, 0},
        {"far ahead drops", 0.0, 0.04, 1, false, 2, 0, 2},
        {"slightly ahead is kept", 0.04, 0.04, 1, false, 2, 1, 2},
        {"variable rate: ahead by 0.7 drops", 0.052, 0.04, 2, false, 2, 0, 2},
        {"variable rate: ahead by 0.5 is kept", 0.375, 0.25, 2, false, 2, 1, 2},
        {"variable rate: behind jumps forward", 0.4, 0.04, 2, false, 2, 1, 10},
        {"automatic with a variable-rate format", 0.4, 0.04, -1, true, 2, 1, 10},
        {"automatic with a constant-rate format", 0.4, 0.04, -1, false, 2, 8, 2},
    };
    for (const TDecision& c : cases) {
        int64_t syncOpts = c.SyncOpts;
        EXPECT_EQ(DecideVideoFrames(c.SyncTime, c.TimeBase, c.Method, c.VariableFps, syncOpts), c.Frames) << c.Name;
        EXPECT_EQ(syncOpts, c.SyncOptsAfter) << c.Name;
    }
}

// A 25 fps video whose first frame is at 0.5 s, with an audio track from 0
// (so the file itself starts at 0), in Matroska.
std::string LateVideo(const std::string& folder)
{
    const std::string video = VideoClip(folder, 25);
    const std::string file = folder + "/late.mkv";
    MakeWithFfmpeg(file, "-itsoffset 0.5 -i " + ShellQuote(video) +
                       " -f lavfi -i sine=sample_rate=44100:duration=2.5 -map 0:v -map 1:a -c:v copy -c:a flac");
    return file;
}

struct TRateCase {
    const char* Name;
    std::function<std::string(const std::string& folder)> MakeInput;
    std::string Options;   // output option text
    int VideoSync;         // the output record's VideoSync
    const char* Extension;
    int Frames;            // frames written
    int Dups;              // "*** %d dup!" lines; -1: not checked
    int Drops;             // "*** drop!" lines
    const char* DupText;   // a duplicate message to count, when one is expected
    int DupTextCount;
};

void PrintTo(const TRateCase& c, std::ostream* os) { *os << c.Name; }

std::string Clip25(const std::string& folder) { return VideoClip(folder, 25, "", "mkv"); }
std::string Clip50(const std::string& folder) { return VideoClip(folder, 50, "", "mkv"); }

class VideoFrameRateRun : public ::testing::TestWithParam<TRateCase> {};

TEST_P(VideoFrameRateRun, WritesTheDecidedFrames)
{
    const TRateCase& c = GetParam();
    TempDir dir;
    const std::string in = c.MakeInput(dir.path().string());
    const std::string out = dir.file(std::string("out.") + c.Extension);
    TLogCapture log;
    const TJobResult r = RunJob(Job(in, out, "vcodec=mpeg4\nan=1\nv=3\n" + c.Options,
                                    [&c](TCustomFFmpeg& t) { t.SetVideoSyncMethod(c.VideoSync); }));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_EQ(CountVideoFrames(out), c.Frames);
    if (c.Dups >= 0) {
        EXPECT_EQ(log.Count(" dup!"), c.Dups);
    }
    EXPECT_EQ(log.Count("*** drop!"), c.Drops);
    if (c.DupText) {
        EXPECT_EQ(log.Count(c.DupText), c.DupTextCount);
    }
    EXPECT_TRUE(DecodesCleanly(out));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VideoFrameRateRun,
    ::testing::Values(
        // Every input frame twice from the third one on.
        TRateCase{"up25to50", Clip25, "r=50", -1, "mp4", 98, 48, 0, "*** 1 dup!", 48},
        // Every second input frame dropped from the fourth one on.
        TRateCase{"down50to25", Clip50, "r=25", -1, "avi", 51, 0, 49, nullptr, 0},
        // Pass-through never duplicates or drops.
        TRateCase{"passthrough", Clip25, "r=50", 0, "mp4", 50, 0, 0, nullptr, 0},
        // A variable-rate format takes the frames as they come.
        TRateCase{"variable", Clip25, "r=50", -1, "mkv", 50, 0, 0, nullptr, 0},
        // The first frame at 0.5 s fills the gap from 0: written 12 times
        // (12.5 rounds to 12); the next one lands at 13.5 and is written twice.
        TRateCase{"lateStart", LateVideo, "r=25", -1, "mp4", 62, 2, 0, "*** 11 dup!", 1},
        // The frame limit cuts the duplicates of that first frame (frames the
        // decoder still gives afterwards are decided and logged, not written).
        TRateCase{"lateStartLimited", LateVideo, "r=25\nvframes=10", -1, "mp4", 10, -1, 0, "*** 11 dup!", 1}),
    [](const ::testing::TestParamInfo<TRateCase>& info) { return std::string(info.param.Name); });

// A stop request between the duplicates of a frame ends them at once; the
// file is still finished properly.
TEST(VideoFrameRate, StopEndsTheDuplicatesAtOnce)
{
    TempDir dir;
    const std::string in = LateVideo(dir.path().string());
    const std::string out = dir.file("stopped.mp4");
    const TJobResult r = RunJob(Job(in, out, "vcodec=mpeg4\nan=1\nr=25", [](TCustomFFmpeg& t) {
        t.Control().PreviewFlags = pfPreviewEvent;
        t.Control().OnPreview = [](TCustomFFmpeg& sender, const TPreviewInfo&) {
            sender.Control().StopRequested = true;
        };
    }));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_FALSE(r.Finished);
    EXPECT_FALSE(r.ErrorOccurred) << r.ErrorMessage;
    EXPECT_EQ(CountVideoFrames(out), 1);
    EXPECT_TRUE(DecodesCleanly(out));
}

}  // namespace
}  // namespace quorvia::test
