// Pausing and stopping the component's runs, and stopping with wait on the
// user-interface thread while a worker waits for it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "ComponentTestSupport.h"
#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

// Counts hook frames per task; every frame takes `frameDelay`, so a 2 s clip
// keeps its task busy for a while.
struct TSlowRun {
    TempDir dir;
    std::atomic<int> frames[3] = {0, 0, 0};
    std::chrono::milliseconds frameDelay{20};
    TRecordingComponent c;

    explicit TSlowRun(int tasks)
    {
        LoadEngine();
        c.SetOnCustomHook([this](TCustomFFmpegVCL&, PHookInfo info) {
            ++frames[info->TaskIndex];
            std::this_thread::sleep_for(frameDelay);
        });
        for (int i = 0; i < tasks; ++i) AddCheapTask(c, FixturePath(Fixture::Mp4), Out(i), true);
    }
    ~TSlowRun() { c.Stop(true); }
    std::string Out(int i) const { return dir.file("out" + std::to_string(i) + ".mp4"); }
};

TEST(ComponentStop, StoppingAPausedTaskEndsItNotFinishedWithoutException)
{
    TSlowRun run(1);
    run.c.StartTask(1);
    ASSERT_TRUE(run.c.WaitFor(TRunEvent::Started, 0));
    run.c.Pause();
    // Standing still: no frame goes through the hook any more.
    std::this_thread::sleep_for(150ms);
    const int held = run.frames[0];
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(run.frames[0], held);
    EXPECT_LT(held, 50);

    run.c.Stop(true);
    ASSERT_TRUE(run.c.Has(TRunEvent::Ended, 0)) << "Stop with wait returned before the task ended";
    ASSERT_TRUE(run.c.WaitFinal());
    const TTerminateInfo info = run.c.TerminateOf(0);
    EXPECT_FALSE(info.Finished);
    EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
    // The loop saw the stop and wrote the trailer: a readable, shorter file.
    EXPECT_TRUE(DecodesCleanly(run.Out(0)));
    EXPECT_LT(CountVideoFrames(run.Out(0)), 50);
}

TEST(ComponentStop, PauseAndResumeContinueWhereTheTaskWas)
{
    TSlowRun run(1);
    run.frameDelay = 2ms;
    run.c.StartTask(1);
    ASSERT_TRUE(run.c.WaitFor(TRunEvent::Started, 0));
    run.c.Pause();
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(run.c.Has(TRunEvent::Ended, 0));
    run.c.Resume();
    ASSERT_TRUE(run.c.WaitFinal());
    EXPECT_TRUE(run.c.TerminateOf(0).Finished);
    EXPECT_EQ(run.frames[0], 50);
    EXPECT_EQ(CountVideoFrames(run.Out(0)), 50);
}

TEST(ComponentStop, StoppingThreeTasksOfWhichOneRunsAnnouncesTheOtherTwo)
{
    TSlowRun run(3);
    run.c.StartTask(1);
    ASSERT_TRUE(run.c.WaitFor(TRunEvent::Started, 0));
    run.c.Stop(true);
    // With wait, every task has ended when Stop returns.
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(run.c.Has(TRunEvent::Ended, i)) << i;
    ASSERT_TRUE(run.c.WaitFinal());
    for (int i = 0; i < 3; ++i) {
        const TTerminateInfo info = run.c.TerminateOf(i);
        EXPECT_FALSE(info.Finished) << i;
        EXPECT_FALSE(info.Exception) << i << ": " << info.ExceptionMsg;
    }
    EXPECT_FALSE(run.c.Has(TRunEvent::Started, 1));
    EXPECT_FALSE(run.c.Has(TRunEvent::Started, 2));
    EXPECT_EQ(run.c.Terminates().size(), 4u);

    // The outputs of the two that never ran stayed empty and go with the tasks.
    run.c.ClearTasks();
    EXPECT_TRUE(fs::exists(run.Out(0)));
    EXPECT_FALSE(fs::exists(run.Out(1)));
    EXPECT_FALSE(fs::exists(run.Out(2)));
}

// A pause that comes while a task is closing holds the task the run starts next.
TEST(ComponentStop, ATaskStartedDuringAPauseStartsHeld)
{
    TSlowRun run(2);
    run.frameDelay = 0ms;
    run.c.SetTriggerEventInMainThread(false);
    std::atomic<bool> paused{false};
    run.c.SetOnProgress([&](TCustomFFmpegVCL& sender, PProgressInfo info) {
        // The final report of task 0 comes after its packet loop.
        if (info->TaskIndex == 0 && info->FileIndex == -1 && !paused.exchange(true)) sender.Pause();
    });
    run.c.StartTask(1);
    ASSERT_TRUE(run.c.WaitFor(TRunEvent::Ended, 0));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(run.c.TerminateOf(0).Finished);
    EXPECT_EQ(run.frames[1], 0) << "task 1 converted while the run was paused";
    run.c.Resume();
    ASSERT_TRUE(run.c.WaitFinal());
    EXPECT_TRUE(run.c.TerminateOf(1).Finished);
    EXPECT_EQ(run.frames[1], 50);
}

// The "user-interface" thread stops with wait while a worker waits in the
// dispatcher's queue for it to run a progress handler.
TEST(ComponentStop, StopWithWaitWhileAProgressEventIsInFlightDoesNotDeadlock)
{
    LoadEngine();
    TempDir dir;
    auto ui = std::make_shared<TQueueDispatcher>();
    TRecordingComponent c;
    c.SetDispatcher(ui);
    c.SetProgressInterval(100);
    std::atomic<int> progressOnUi{0};
    std::atomic<int> progressElsewhere{0};
    c.SetOnProgress([&](TCustomFFmpegVCL&, PProgressInfo) {
        (ui->IsMainThread() ? progressOnUi : progressElsewhere)++;
    });
    c.SetOnCustomHook([](TCustomFFmpegVCL&, PHookInfo) { std::this_thread::sleep_for(10ms); });
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"), true);

    std::future<void> started = ui->Post([&] { c.StartTask(1); });
    ASSERT_EQ(started.wait_for(20s), std::future_status::ready);
    std::future<void> stopped = ui->Post([&] {
        // Keep the queue unserved until the worker waits in it.
        ASSERT_TRUE(WaitUntil([&] { return ui->Queued() > 0; }, 20s));
        c.Stop(true);
    });
    if (stopped.wait_for(30s) != std::future_status::ready) {
        ADD_FAILURE() << "Stop with wait deadlocked against the progress event";
        std::_Exit(1);
    }
    stopped.get();
    EXPECT_GT(ui->Pumps(), 0);
    EXPECT_GT(progressOnUi, 0);
    EXPECT_EQ(progressElsewhere, 0);
    EXPECT_TRUE(c.Has(TRunEvent::Ended, 0));
    ASSERT_TRUE(c.WaitFinal());
    EXPECT_FALSE(c.TerminateOf(0).Finished);
}

// A progress handler that stops with wait would wait for its own worker.
TEST(ComponentStop, StopWithWaitFromAProgressHandlerDoesNotWaitForItself)
{
    LoadEngine();
    TempDir dir;
    auto ui = std::make_shared<TQueueDispatcher>();
    TRecordingComponent c;
    c.SetDispatcher(ui);
    c.SetOnProgress([&](TCustomFFmpegVCL& sender, PProgressInfo) { sender.Stop(true); });
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"));
    ui->Post([&] { c.StartTask(1); }).get();
    if (!c.WaitFinal(30s)) {
        ADD_FAILURE() << "the progress handler's stop waited for its own worker";
        std::_Exit(1);
    }
}

// A stop from inside a run on the caller's thread: the tasks not yet run are
// announced from other threads, and the final handler may free everything.
TEST(ComponentStop, StopInsideARunOnTheCallersThread)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    std::atomic<bool> stopped{false};
    TLatch cleared;
    c.SetOnProgress([&](TCustomFFmpegVCL& sender, PProgressInfo) {
        if (!stopped.exchange(true)) sender.Stop(true);
    });
    for (int i = 0; i < 3; ++i) AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file(std::to_string(i) + ".mp4"));
    c.SetOnTerminate([&](TCustomFFmpegVCL& sender, const TTerminateInfo& info) {
        if (info.TaskIndex != -1) return;
        sender.ClearTasks();
        cleared.Open();
    });
    c.StartTask(0);
    ASSERT_TRUE(cleared.Wait(30s));
    EXPECT_EQ(c.TasksCount(), 0);
    EXPECT_FALSE(c.Working());
}

}  // namespace
}  // namespace quorvia::test
