// Runs of the engine component: how many tasks convert at once, in which
// order, and the final terminate event.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "ComponentTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

// Three tasks whose first hook frame is noted as their start; a task listed
// in `hold` waits in that frame until its latch opens.
struct TThreeTasks {
    TempDir dir;
    TLatch release[3];
    bool hold[3] = {false, false, false};
    TRecordingComponent c;

    TThreeTasks()
    {
        LoadEngine();
        c.HoldAtFirstFrame = [this](int task) {
            if (hold[task]) release[task].Wait(60s);
        };
        for (int i = 0; i < 3; ++i)
            AddCheapTask(c, FixturePath(Fixture::Mp4), Out(i), true);
    }
    ~TThreeTasks()
    {
        for (auto& r : release) r.Open();
        c.Stop(true);
    }
    std::string Out(int i) const { return dir.file("out" + std::to_string(i) + ".mp4"); }
};

TEST(ComponentRun, CountOneRunsTheTasksStrictlyOneAfterAnother)
{
    TThreeTasks t;
    t.c.StartTask(1);
    ASSERT_TRUE(t.c.WaitFinal());

    // Each task starts only after the previous one has ended.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(t.c.Has(TRunEvent::Started, i)) << i;
        EXPECT_LT(t.c.PositionOf(TRunEvent::Started, i), t.c.PositionOf(TRunEvent::Ended, i)) << i;
        if (i > 0) {
            EXPECT_LT(t.c.PositionOf(TRunEvent::Ended, i - 1), t.c.PositionOf(TRunEvent::Started, i)) << i;
        }
        const TTerminateInfo info = t.c.TerminateOf(i);
        EXPECT_TRUE(info.Finished);
        EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
        EXPECT_TRUE(fs::file_size(t.Out(i)) > 0);
    }
    // Terminate events of a threaded run come on threads of their own.
    for (const auto& id : t.c.TerminateThreads()) EXPECT_NE(id, std::this_thread::get_id());
}

TEST(ComponentRun, CountTwoStartsTwoAndTheThirdWhenOneEnds)
{
    TThreeTasks t;
    t.hold[0] = t.hold[1] = true;
    t.c.StartTask(2);
    ASSERT_TRUE(t.c.WaitFor(TRunEvent::Started, 0));
    ASSERT_TRUE(t.c.WaitFor(TRunEvent::Started, 1));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(t.c.Has(TRunEvent::Started, 2)) << "a third task started while two were converting";

    t.release[0].Open();
    ASSERT_TRUE(t.c.WaitFor(TRunEvent::Started, 2));
    EXPECT_LT(t.c.PositionOf(TRunEvent::Ended, 0), t.c.PositionOf(TRunEvent::Started, 2));
    EXPECT_FALSE(t.c.Has(TRunEvent::Ended, 1)) << "task 1 is still held";

    t.release[1].Open();
    ASSERT_TRUE(t.c.WaitFinal());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(t.c.TerminateOf(i).Finished) << i;
}

TEST(ComponentRun, CountZeroRunsAllOnTheCallersThreadBeforeReturning)
{
    TThreeTasks t;
    t.c.StartTask(0);
    // Everything, the final event included, happened inside the call.
    ASSERT_EQ(t.c.Terminates().size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.c.Terminates()[i].TaskIndex, i);
        EXPECT_TRUE(t.c.Terminates()[i].Finished);
    }
    EXPECT_EQ(t.c.Terminates()[3].TaskIndex, -1);
    for (const auto& id : t.c.TerminateThreads()) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_TRUE(t.c.AllTerminated());
}

TEST(ComponentRun, AFirstTaskWithoutOutputEndsAtOnceAndTheRunContinues)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    ASSERT_EQ(c.AddTask(FixturePath(Fixture::Mp4)), 0);
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("b.mp4"));
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("c.mp4"));
    c.StartTask(1);
    ASSERT_TRUE(c.WaitFinal());

    const TTerminateInfo first = c.TerminateOf(0);
    EXPECT_TRUE(first.Exception);
    EXPECT_FALSE(first.Finished);
    EXPECT_EQ(first.ExceptionMsg, "At least one output file must be specified");
    for (int i = 1; i < 3; ++i) {
        EXPECT_TRUE(c.TerminateOf(i).Finished) << i;
        EXPECT_FALSE(c.TerminateOf(i).Exception) << c.TerminateOf(i).ExceptionMsg;
    }
    // One after another, and the final event only after the third has ended.
    EXPECT_LT(c.PositionOf(TRunEvent::Ended, 1), c.PositionOf(TRunEvent::Ended, 2));
    EXPECT_LT(c.PositionOf(TRunEvent::Ended, 2), c.PositionOf(TRunEvent::Terminate, -1));
    const TTerminateInfo final = c.TerminateOf(-1);
    EXPECT_TRUE(final.Finished);
    EXPECT_FALSE(final.Exception);
    EXPECT_TRUE(final.ExceptionMsg.empty());
}

TEST(ComponentRun, GuardedOperationsRefuseAfterTheFinalEventUntilClearTasks)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"));
    c.StartTask(1);
    ASSERT_TRUE(c.WaitFinal());
    EXPECT_TRUE(c.Working());
    EXPECT_TRUE(c.AllTerminated());

    struct TCase {
        const char* Name;
        std::function<void()> Call;
    };
    TOutputOptions o = CheapOutput();
    const TCase cases[] = {
        {"AddTask", [&] { c.AddTask(FixturePath(Fixture::Mp4)); }},
        {"SetOutputFile", [&] { c.SetOutputFile(0, dir.file("b.mp4"), &o); }},
        {"RemoveTask", [&] { c.RemoveTask(0); }},
        {"StartTask", [&] { c.StartTask(1); }},
    };
    for (const TCase& k : cases) {
        try {
            k.Call();
            ADD_FAILURE() << k.Name << " worked after the final event";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Cannot ") + k.Name + " while working.");
        }
    }
    EXPECT_EQ(c.TasksCount(), 1);

    c.ClearTasks();
    EXPECT_EQ(c.TasksCount(), 0);
    EXPECT_FALSE(c.Working());
    EXPECT_EQ(c.AddTask(FixturePath(Fixture::Mp4)), 0) << c.LastErrMsg();
}

TEST(ComponentRun, ClearTasksRefusesWhileARunLasts)
{
    LoadEngine();
    TempDir dir;
    TRecordingComponent c;
    TLatch release;
    c.SetOnCustomHook([&](TCustomFFmpegVCL&, PHookInfo) { release.Wait(60s); });
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"), true);
    c.StartTask(1);
    try {
        c.ClearTasks();
        ADD_FAILURE() << "ClearTasks worked during a run";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot ClearTasks while working.");
    }
    release.Open();
    ASSERT_TRUE(c.WaitFinal());
    c.ClearTasks();
}

// An empty list finishes the run at once, so the component can be cleared.
TEST(ComponentRun, StartTaskOnAnEmptyListEndsTheRunAtOnce)
{
    for (int count : {1, 0}) {
        TRecordingComponent c;
        c.StartTask(count);
        ASSERT_TRUE(c.WaitFinal(5s)) << count;
        EXPECT_EQ(c.Terminates().size(), 1u);
        EXPECT_TRUE(c.AllTerminated());
        EXPECT_NO_THROW(c.ClearTasks());
        EXPECT_FALSE(c.Working());
    }
}

TEST(ComponentRun, WithoutTerminateHandlerTheRunStillEnds)
{
    LoadEngine();
    TempDir dir;
    TFFmpegVCL c;
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"));
    AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("b.mp4"));
    c.StartTask(1);
    ASSERT_TRUE(WaitUntil([&] { return c.AllTerminated(); }, 60s));
    EXPECT_NO_THROW(c.ClearTasks());
}

// The handler of the final event may free the tasks, in both kinds of run.
TEST(ComponentRun, TheFinalHandlerMayClearTheTasks)
{
    LoadEngine();
    for (int count : {1, 0}) {
        TempDir dir;
        TFFmpegVCL c;
        TLatch cleared;
        c.SetOnTerminate([&](TCustomFFmpegVCL& sender, const TTerminateInfo& info) {
            if (info.TaskIndex != -1) return;
            sender.ClearTasks();
            cleared.Open();
        });
        AddCheapTask(c, FixturePath(Fixture::Mp4), dir.file("a.mp4"));
        c.StartTask(count);
        ASSERT_TRUE(cleared.Wait(60s)) << count;
        EXPECT_EQ(c.TasksCount(), 0);
        EXPECT_FALSE(c.Working());
    }
}

}  // namespace
}  // namespace quorvia::test
