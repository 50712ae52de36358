// The custom hook: frames handed over as BGR pictures, copied back only when
// changed, StopHook, exceptions; and deinterlacing ahead of the hook.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "TranscodeTestSupport.h"
#include "VideoTestSupport.h"
#include "app/BgrPicture.h"
#include "engine/VideoMessages.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace vmsg = transcode::msg;

struct THookCall {
    int FrameNumber;
    int64_t Pts;
    int Width, Height;
};

// Output options shared by the hook tests: lossless-enough MPEG-4, no audio.
const char* kOptions = "vcodec=mpeg4\nqscale=2\nan=1";

TJob HookJob(const std::string& in, const std::string& out, THookCallback hook, const std::string& extra = "")
{
    return Job(in, out, std::string(kOptions) + "\n" + extra, [hook](TCustomFFmpeg& t) { t.Control().OnHook = hook; });
}

TEST(VideoHook, InvertingHookChangesTheOutput)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string out = dir.file("inverted.mp4");
    std::vector<THookCall> calls;
    const TJobResult r = RunJob(HookJob(in, out, [&calls](TCustomFFmpeg&, THookInfo& info) {
        BgrPicture& p = *info.Bitmap;
        calls.push_back({info.FrameNumber, info.PTS, p.Width(), p.Height()});
        for (int y = 0; y < p.Height(); ++y) {
            uint8_t* row = p.ScanLine(y);
            for (int x = 0; x < p.Width() * 3; ++x) row[x] = static_cast<uint8_t>(255 - row[x]);
        }
    }));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;

    ASSERT_EQ(calls.size(), 50u);
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].FrameNumber, static_cast<int>(i) + 1);
        EXPECT_EQ(calls[i].Width, 320);
        EXPECT_EQ(calls[i].Height, 240);
        EXPECT_NEAR(static_cast<double>(calls[i].Pts), i * 40000.0, 1000.0) << "frame " << i;
    }
    // The written video is the negative of the source, not the source.
    EXPECT_GT(PsnrAgainst(out, in, "negate"), 30.0);
    EXPECT_LT(PsnrAgainst(out, in, "null"), 15.0);
}

TEST(VideoHook, StopHookOnTheFirstFrameEndsTheHook)
{
    TempDir dir;
    int calls = 0;
    const TJobResult r = RunJob(HookJob(FixturePath(Fixture::Mp4), dir.file("stop.mp4"),
                                        [&calls](TCustomFFmpeg&, THookInfo& info) {
                                            ++calls;
                                            info.Update = false;
                                            info.StopHook = true;
                                        }));
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(CountVideoFrames(dir.file("stop.mp4")), 50);
}

// Hooks that must leave the picture as it was: the output equals the
// conversion without a hook, frame by frame.
TEST(VideoHook, UnchangedFramesAreEncodedAsWithoutHook)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string plain = dir.file("plain.mp4");
    ASSERT_TRUE(RunJob(Job(in, plain, kOptions)).Finished);
    const auto reference = FrameHashes(plain);
    ASSERT_EQ(reference.size(), 50u);

    struct TCase {
        const char* Name;
        THookCallback Hook;
        int Errors;  // "Error occurs OnCustomHook: " lines
    };
    const TCase cases[] = {
        {"throwing", [](TCustomFFmpeg&, THookInfo&) { throw std::runtime_error("boom"); }, 50},
        {"update false",
         [](TCustomFFmpeg&, THookInfo& info) {
             info.Bitmap->Fill(0, 0, 255);
             info.Update = false;
         },
         0},
    };
    for (const TCase& c : cases) {
        TLogCapture log;
        int calls = 0;
        const std::string out = dir.file(std::string(c.Name) + ".mp4");
        const TJobResult r = RunJob(HookJob(in, out, [&](TCustomFFmpeg& t, THookInfo& info) {
            ++calls;
            c.Hook(t, info);
        }));
        ASSERT_TRUE(r.Finished) << c.Name << ": " << r.ErrorMessage;
        EXPECT_EQ(calls, 50) << c.Name;
        EXPECT_EQ(log.Count(std::string(vmsg::CustomHookError) + "boom"), c.Errors) << c.Name;
        EXPECT_EQ(FrameHashes(out), reference) << c.Name;
    }
}

// yadif hands each frame on one frame later; every frame still reaches the
// hook once, in order, with its own time, and the output keeps them all.
TEST(VideoHook, DeinterlacedFramesAllReachTheHookAndTheOutput)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string out = dir.file("deinterlaced.mp4");
    std::vector<THookCall> calls;
    TLogCapture log;
    const TJobResult r = RunJob(HookJob(
        in, out,
        [&calls](TCustomFFmpeg&, THookInfo& info) {
            calls.push_back({info.FrameNumber, info.PTS, info.Bitmap->Width(), info.Bitmap->Height()});
            info.Update = false;
        },
        "deinterlace=1"));
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_FALSE(log.Contains(vmsg::DeinterlaceFail));
    ASSERT_EQ(calls.size(), 50u);
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].FrameNumber, static_cast<int>(i) + 1);
        EXPECT_NEAR(static_cast<double>(calls[i].Pts), i * 40000.0, 1000.0) << "frame " << i;
    }
    EXPECT_EQ(CountVideoFrames(out), 50);
    // Progressive test pictures come through deinterlacing nearly unchanged.
    EXPECT_GT(PsnrAgainst(out, in, "null"), 25.0);
}

TEST(VideoHook, DeinterlacingWithoutHookKeepsEveryFrame)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string plain = dir.file("plain.avi");
    const std::string out = dir.file("deinterlaced.avi");
    ASSERT_TRUE(RunJob(Job(in, plain, kOptions)).Finished);
    const TJobResult r = RunJob(Job(in, out, std::string(kOptions) + "\ndeinterlace=1"));
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_EQ(CountVideoFrames(out), 50);
    EXPECT_TRUE(DecodesCleanly(out));
    EXPECT_NE(FrameHashes(out), FrameHashes(plain));  // the filter did work on the pictures
}

}  // namespace
}  // namespace quorvia::test
