// The engine component's tasks and outputs, its properties, and on which
// thread each event arrives.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "ComponentTestSupport.h"
#include "app/BgrPicture.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

TEST(ComponentTask, AddTaskWithAFileThatCannotBeOpenedAddsNothing)
{
    LoadEngine();
    TFFmpegVCL c;
    for (const std::string& file : {std::string("/nonexistent/none.mp4"), FixturePath(Fixture::TextAsMp4)}) {
        EXPECT_EQ(c.AddTask(file), -1) << file;
        EXPECT_FALSE(c.LastErrMsg().empty()) << file;
        EXPECT_EQ(c.TasksCount(), 0) << file;
    }
}

TEST(ComponentTask, AddTaskOpensItsArgumentAndFillsOnlyAnEmptyRecordName)
{
    LoadEngine();
    TFFmpegVCL c;
    const std::string in = FixturePath(Fixture::Mp4);
    TInputOptions empty;
    InitInputOptions(empty);
    EXPECT_EQ(c.AddTask(in, &empty), 0) << c.LastErrMsg();
    EXPECT_EQ(empty.FileName, in);

    TInputOptions other;
    InitInputOptions(other);
    other.FileName = "/nonexistent/other.mp4";
    EXPECT_EQ(c.AddTask(in, &other), 1) << c.LastErrMsg();
    EXPECT_EQ(other.FileName, "/nonexistent/other.mp4");
}

TEST(ComponentTask, TheTwentyFirstOutputFails)
{
    LoadEngine();
    TempDir dir;
    TFFmpegVCL c;
    ASSERT_EQ(c.AddTask(FixturePath(Fixture::Mp4)), 0);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(c.SetOutputFile(0, dir.file("out" + std::to_string(i) + ".mp4"))) << i << c.LastErrMsg();
    EXPECT_FALSE(c.SetOutputFile(0, dir.file("out20.mp4")));
    EXPECT_EQ(c.LastErrMsg(), "max output files 20 reached");
    EXPECT_FALSE(fs::exists(dir.file("out20.mp4")));
    EXPECT_THROW(c.SetOutputFile(1, dir.file("x.mp4")), std::out_of_range);
}

TEST(ComponentTask, ProgressIntervalIsAtLeastAHundredMilliseconds)
{
    const struct {
        int Set, Read;
    } cases[] = {{50, 100}, {-5, 100}, {100, 100}, {101, 101}, {250, 250}};
    TFFmpegVCL c;
    EXPECT_EQ(c.ProgressInterval(), 500);
    for (const auto& k : cases) {
        c.SetProgressInterval(k.Set);
        EXPECT_EQ(c.ProgressInterval(), k.Read) << k.Set;
    }
}

TEST(ComponentTask, TaskProbeIsAttachedToTheFirstInputUntilTheTaskEnds)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"));
    TAVProbe* probe = c.TaskProbe(0, 0);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->VideoStreamCount(), 1);
    EXPECT_EQ(probe->AudioStreamCount(), 1);
    EXPECT_EQ(c.TaskProbe(0, 1), nullptr);
    EXPECT_THROW(c.TaskProbe(1, 0), std::out_of_range);

    c.StartTask(1);
    ASSERT_TRUE(c.WaitFinal());
    // The input is closed after the run; the prober lets go of it too.
    EXPECT_EQ(c.TaskProbe(0, 0)->StreamCount(), -1);
}

TEST(ComponentTask, AnOutputLeftEmptyByAFailedSetUpIsDeleted)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    const std::string out = dir.file("bad.avi");
    ASSERT_EQ(c.AddTask(FixturePath(Fixture::Mp4)), 0);
    // The H.263 encoder refuses 320x240 when it is opened.
    TOutputOptions o;
    InitOutputOptions(o);
    o.VideoCodec = "h263";
    o.DisableAudio = true;
    ASSERT_TRUE(c.SetOutputFile(0, out, &o)) << c.LastErrMsg();
    ASSERT_TRUE(fs::exists(out));
    c.StartTask(1);
    ASSERT_TRUE(c.WaitFinal());
    const TTerminateInfo info = c.TerminateOf(0);
    EXPECT_TRUE(info.Exception);
    EXPECT_FALSE(info.Finished);
    EXPECT_FALSE(info.ExceptionMsg.empty());
    EXPECT_FALSE(fs::exists(out));
}

// Progress comes only once a video frame was encoded.
TEST(ComponentTask, AVideoTaskReportsNoProgressBeforeItsFirstFrame)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    c.SetProgressInterval(100);
    std::mutex m;
    std::vector<int> frames;  // FrameNumber of each report; 0 marks the first hook frame
    c.SetOnCustomHook([&](TCustomFFmpegVCL&, PHookInfo info) {
        if (info->FrameNumber == 1) {
            std::lock_guard<std::mutex> lock(m);
            frames.push_back(0);
        }
        std::this_thread::sleep_for(8ms);
    });
    c.SetOnProgress([&](TCustomFFmpegVCL&, PProgressInfo info) {
        std::lock_guard<std::mutex> lock(m);
        frames.push_back(info->FrameNumber);
    });
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"), true);
    c.StartTask(1);
    ASSERT_TRUE(c.WaitFinal());
    std::lock_guard<std::mutex> lock(m);
    ASSERT_GE(frames.size(), 3u) << "expected reports during the run and a final one";
    EXPECT_EQ(frames.front(), 0) << "a report came before the first frame";
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_GE(frames[i], 1);
    EXPECT_EQ(frames.back(), 50);
}

TEST(ComponentTask, AVideoTaskThatNeverGetsAFrameSendsNoProgressButItsEnd)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    std::atomic<int> reports{0};
    c.SetOnProgress([&](TCustomFFmpegVCL&, PProgressInfo) { ++reports; });
    TInputOptions in;
    InitInputOptions(in);
    in.StartTime = 10 * 1000000LL;  // past the end of the 2 s clip
    ASSERT_EQ(c.AddTask(FixturePath(Fixture::Mp4), &in), 0) << c.LastErrMsg();
    TOutputOptions o = CheapOutput();
    ASSERT_TRUE(c.SetOutputFile(0, dir.file("a.mp4"), &o)) << c.LastErrMsg();
    c.StartTask(1);
    ASSERT_TRUE(c.WaitFinal());
    EXPECT_TRUE(c.WaitFor(TRunEvent::Terminate, 0));
    EXPECT_EQ(reports, 0);
}

// Progress and preview on the user-interface thread, the hook on the worker,
// terminate events on threads of their own.
TEST(ComponentTask, EachEventArrivesOnItsThread)
{
    LoadEngine();
    TempDir dir;
    auto ui = std::make_shared<TQueueDispatcher>();
    for (const bool toUi : {true, false}) {
        TRecordingComponent c;
        c.SetDispatcher(ui);
        c.SetTriggerEventInMainThread(toUi);
        c.SetPreviewBitmap(true);
        std::mutex m;
        std::set<std::thread::id> hook, progress, preview;
        bool progressOnUi = true, previewOnUi = true;
        int previewTask = -2;
        bool previewBitmap = false;
        c.SetOnCustomHook([&](TCustomFFmpegVCL&, PHookInfo info) {
            std::lock_guard<std::mutex> lock(m);
            hook.insert(std::this_thread::get_id());
            EXPECT_EQ(info->TaskIndex, 0);
            std::this_thread::sleep_for(3ms);
        });
        c.SetOnProgress([&](TCustomFFmpegVCL&, PProgressInfo) {
            std::lock_guard<std::mutex> lock(m);
            progress.insert(std::this_thread::get_id());
            progressOnUi = progressOnUi && ui->IsMainThread();
        });
        c.SetOnPreviewBitmap([&](TCustomFFmpegVCL&, const TPreviewInfo& info) {
            std::lock_guard<std::mutex> lock(m);
            preview.insert(std::this_thread::get_id());
            previewOnUi = previewOnUi && ui->IsMainThread();
            previewTask = info.TaskIndex;
            previewBitmap = info.Bitmap && !info.Bitmap->Empty();
        });
        AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file(toUi ? "a.mp4" : "b.mp4"), true);
        c.StartTask(1);
        ASSERT_TRUE(c.WaitFinal());

        std::lock_guard<std::mutex> lock(m);
        ASSERT_EQ(hook.size(), 1u);
        const std::thread::id worker = *hook.begin();
        EXPECT_NE(worker, std::this_thread::get_id());
        ASSERT_EQ(progress.size(), 1u);
        ASSERT_EQ(preview.size(), 1u);
        if (toUi) {
            EXPECT_TRUE(progressOnUi);
            EXPECT_TRUE(previewOnUi);
        } else {
            EXPECT_EQ(*progress.begin(), worker);
            EXPECT_EQ(*preview.begin(), worker);
        }
        EXPECT_EQ(previewTask, 0);
        EXPECT_TRUE(previewBitmap);
        for (const auto& id : c.TerminateThreads()) {
            EXPECT_NE(id, worker);
            EXPECT_NE(id, std::this_thread::get_id());
        }
    }
}

TEST(ComponentTask, LoadLibrariesBindsTheEngineLibraries)
{
    TFFmpegVCL c;
    EXPECT_TRUE(c.LoadLibraries(""));
    EXPECT_TRUE(c.LastErrMsg().empty());
}

}  // namespace
}  // namespace quorvia::test
