// The conversion hook: job lookup by task index, untouched frames, and
// failures that leave a frame untreated while the run goes on.
#include <gtest/gtest.h>

#include <QImage>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "EffectsTestSupport.h"
#include "effects/ConversionHook.h"
#include "effects/JobEffects.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

struct TError {
    int32_t task;
    std::string text;
};

class ConversionHookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame.SetSize(64, 48);
        FillPattern(frame, 12);
        original.SetSize(64, 48);
        original.CopyFrom(frame);
    }

    // Runs the hook on a copy of the original frame for one task.
    THookInfo Run(TConversionHook& hook, int32_t task)
    {
        frame.CopyFrom(original);
        THookInfo info;
        info.TaskIndex = task;
        info.Bitmap = &frame;
        info.FrameNumber = ++frames;
        EXPECT_NO_THROW(hook.Process(info));
        EXPECT_FALSE(info.StopHook);
        return info;
    }

    void SaveBmp(const std::string& path, QColor colour)
    {
        QImage image(16, 16, QImage::Format_RGB888);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
    }

    TConversionHook MakeHook(const IJobEffectsSource& jobs)
    {
        return TConversionHook(jobs, [this](int32_t task, const std::string& text) { errors.push_back({task, text}); });
    }

    BgrPicture frame, original;
    std::vector<TError> errors;
    int frames = 0;
    TempDir dir;
};

TEST_F(ConversionHookTest, NoChangeLeavesFrameAndAsksForNoCopy)
{
    TJobEffects initial;
    initial.ProcessText = true;
    const TJobEffectsTable jobs({initial});
    TConversionHook hook = MakeHook(jobs);
    const THookInfo info = Run(hook, 0);
    EXPECT_FALSE(info.Update);
    EXPECT_TRUE(SameBytes(frame, original));
    EXPECT_TRUE(errors.empty());
}

// Job map [row 0, row 2] of three rows: engine task 1 is list row 2.
TEST_F(ConversionHookTest, EachTaskGetsItsOwnJob)
{
    TJobEffects first, third;
    first.Exposure = 80;
    third.Saturation = 0;
    third.Brightness = 256;
    const TJobEffectsTable jobs({first, third});
    TConversionHook hook = MakeHook(jobs);

    for (int32_t task : {0, 1, 0}) {
        const THookInfo info = Run(hook, task);
        EXPECT_TRUE(info.Update);
        BgrPicture want(64, 48);
        want.CopyFrom(original);
        ApplyJobEffects(want, task == 0 ? first : third, nullptr);
        EXPECT_TRUE(SameBytes(frame, want)) << task;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(ConversionHookTest, UnknownTaskUntreatedAndReported)
{
    TJobEffects fx;
    fx.Contrast = 50;
    const TJobEffectsTable jobs({fx});
    TConversionHook hook = MakeHook(jobs);
    for (int32_t task : {1, -1}) {
        const THookInfo info = Run(hook, task);
        EXPECT_FALSE(info.Update);
        EXPECT_TRUE(SameBytes(frame, original));
    }
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].text, "No job for task 1");
}

TEST_F(ConversionHookTest, MissingPictureLeavesFrameUntreatedAndRunGoesOn)
{
    TJobEffects fx;
    fx.WaterText = "text too";
    fx.WaterFont.Size = 20;
    fx.Brightness = 400;
    fx.WaterImage = dir.file("mark.bmp");
    fx.WaterImageAlpha = 256;
    const TJobEffectsTable jobs({fx});
    TConversionHook hook = MakeHook(jobs);

    // Missing: no colour pass, no text either, nothing copied back.
    THookInfo info = Run(hook, 0);
    EXPECT_FALSE(info.Update);
    EXPECT_TRUE(SameBytes(frame, original));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].task, 0);
    EXPECT_EQ(errors[0].text, "Cannot open watermark picture: " + fx.WaterImage);

    // The file appears: the next frame is treated from scratch.
    SaveBmp(fx.WaterImage, Qt::red);
    info = Run(hook, 0);
    EXPECT_TRUE(info.Update);
    EXPECT_EQ(PixelAt(frame, 1, 1), (TBgr{0, 0, 255}));
    EXPECT_NE(PixelAt(frame, 60, 45), PixelAt(original, 60, 45));

    // Deleted during the run: the following frames come out untreated again.
    std::filesystem::remove(fx.WaterImage);
    info = Run(hook, 0);
    EXPECT_FALSE(info.Update);
    EXPECT_TRUE(SameBytes(frame, original));
    EXPECT_EQ(errors.size(), 2u);

    // Not a bitmap at all.
    std::ofstream(fx.WaterImage) << "not a picture";
    info = Run(hook, 0);
    EXPECT_FALSE(info.Update);
    EXPECT_TRUE(SameBytes(frame, original));
    EXPECT_EQ(errors.back().text, "Watermark picture is not a readable bitmap: " + fx.WaterImage);
}

TEST_F(ConversionHookTest, ReplacedPictureShowsOnNextFrame)
{
    TJobEffects fx;
    fx.WaterImage = dir.file("mark.bmp");
    fx.WaterImageAlpha = 256;
    const TJobEffectsTable jobs({fx});
    TConversionHook hook = MakeHook(jobs);

    SaveBmp(fx.WaterImage, Qt::red);
    Run(hook, 0);
    EXPECT_EQ(PixelAt(frame, 1, 1), (TBgr{0, 0, 255}));
    Run(hook, 0);  // from the cache
    EXPECT_EQ(PixelAt(frame, 1, 1), (TBgr{0, 0, 255}));

    // Another picture under the same name (new time stamp or size).
    const auto stamp = std::filesystem::last_write_time(fx.WaterImage);
    SaveBmp(fx.WaterImage, Qt::blue);
    std::filesystem::last_write_time(fx.WaterImage, stamp + std::chrono::seconds(1));
    Run(hook, 0);
    EXPECT_EQ(PixelAt(frame, 1, 1), (TBgr{255, 0, 0}));
}

TEST_F(ConversionHookTest, NoBitmapNothingToDo)
{
    const TJobEffectsTable jobs({TJobEffects{}});
    TConversionHook hook = MakeHook(jobs);
    THookInfo info;
    EXPECT_NO_THROW(hook.Process(info));
    EXPECT_FALSE(info.Update);
}

// Several conversion threads at once (a parallel batch) share one hook.
TEST_F(ConversionHookTest, ThreadsShareTheHook)
{
    TJobEffects fx;
    fx.Exposure = 30;
    fx.WaterImage = dir.file("mark.bmp");
    SaveBmp(fx.WaterImage, Qt::white);
    fx.WaterImageStyle = 2;
    const TJobEffectsTable jobs({fx, fx});
    TConversionHook hook = MakeHook(jobs);
    BgrPicture want(64, 48);
    want.CopyFrom(original);
    ApplyJobEffects(want, fx);

    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int32_t task : {0, 1}) {
        threads.emplace_back([&, task] {
            BgrPicture mine(64, 48);
            for (int n = 0; n < 50; ++n) {
                mine.CopyFrom(original);
                THookInfo info;
                info.TaskIndex = task;
                info.Bitmap = &mine;
                hook.Process(info);
                if (!info.Update || !SameBytes(mine, want)) ++wrong;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace quorvia::test
