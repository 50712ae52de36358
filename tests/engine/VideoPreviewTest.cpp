// Preview delivery: at most once per PreviewInterval, with the encoded
// picture; the previewer bit is cleared when its window is gone.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "TranscodeTestSupport.h"
#include "app/BgrPicture.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

using Clock = std::chrono::steady_clock;

struct TPreview {
    Clock::time_point At;
    int FrameNumber;
    int64_t Pts;
    int Width, Height;
    int TaskIndex;
};

// A hook that takes 10 ms per frame stretches the 50-frame run to about half a second.
void SlowHook(TCustomFFmpeg&, THookInfo& info)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    info.Update = false;
}

TEST(VideoPreview, EventAtMostEveryInterval)
{
    TempDir dir;
    std::vector<TPreview> previews;
    int flagsAfter = -1;
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("out.mp4"), "an=1\nvcodec=mpeg4\ns=160x120",
                                    [&](TCustomFFmpeg& t) {
                                        TRunControl& c = t.Control();
                                        c.TaskIndex = 3;
                                        c.OnHook = SlowHook;
                                        c.PreviewFlags = pfPreviewEvent;
                                        c.OnPreview = [&](TCustomFFmpeg& sender, const TPreviewInfo& info) {
                                            previews.push_back({Clock::now(), info.FrameNumber, info.PTS,
                                                                info.Bitmap->Width(), info.Bitmap->Height(),
                                                                info.TaskIndex});
                                            flagsAfter = sender.Control().PreviewFlags;
                                        };
                                    }));
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    // At least 0.5 s of frames: a first preview and a few more, each more
    // than the interval after the one before (checked below).
    ASSERT_GE(previews.size(), 3u);
    EXPECT_EQ(previews.front().FrameNumber, 1);
    EXPECT_EQ(previews.front().Pts, 0);
    for (size_t i = 0; i < previews.size(); ++i) {
        EXPECT_EQ(previews[i].Width, 160);  // the picture handed to the encoder
        EXPECT_EQ(previews[i].Height, 120);
        EXPECT_EQ(previews[i].TaskIndex, 3);
        if (i == 0) continue;
        EXPECT_GT(previews[i].FrameNumber, previews[i - 1].FrameNumber);
        EXPECT_NEAR(static_cast<double>(previews[i].Pts), (previews[i].FrameNumber - 1) * 40000.0, 1000.0);
        EXPECT_GE(previews[i].At - previews[i - 1].At, std::chrono::milliseconds(95));
    }
    EXPECT_EQ(flagsAfter, pfPreviewEvent);
}

TEST(VideoPreview, PreviewerBitClearedWhenTheWindowIsGone)
{
    struct TCase {
        const char* Name;
        bool WithWindow;
        bool WindowOpen;
        int ExpectedShows;
    };
    const TCase cases[] = {
        {"window closed by the user", true, false, 1},
        {"no previewer available", false, false, 0},
    };
    for (const TCase& c : cases) {
        TempDir dir;
        int shows = 0;
        int flags = -1;
        const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("out.mp4"), "an=1\nvcodec=mpeg4",
                                        [&](TCustomFFmpeg& t) {
                                            TRunControl& control = t.Control();
                                            control.OnHook = [&flags](TCustomFFmpeg& sender, THookInfo& info) {
                                                flags = sender.Control().PreviewFlags;
                                                SlowHook(sender, info);
                                            };
                                            control.PreviewFlags = pfPreviewer;
                                            if (c.WithWindow) {
                                                control.ShowPreviewer = [&](TCustomFFmpeg&, const BgrPicture& p, int32_t,
                                                                            int64_t) {
                                                    EXPECT_EQ(p.Width(), 320);
                                                    ++shows;
                                                    return c.WindowOpen;
                                                };
                                            }
                                        }));
        ASSERT_TRUE(r.Finished) << c.Name << ": " << r.ErrorMessage;
        EXPECT_EQ(shows, c.ExpectedShows) << c.Name;
        EXPECT_EQ(flags, 0) << c.Name;  // as seen by the last frame's hook
    }
}

}  // namespace
}  // namespace quorvia::test
