// One task on its worker thread: start, the pause gate, stop, the end
// announcement and the worker's priority.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "ComponentTestSupport.h"
#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

// A task with its input opened and one output created; its end is noted.
struct TTask {
    TFFmpeg task;
    TLatch ended;
    std::atomic<int> frames{0};
    std::thread::id endThread;

    TTask(const std::string& in, const std::string& out, const std::string& outputOptions)
    {
        LoadEngine();
        TInputOptions i;
        InitInputOptions(i);
        ApplyInputOptions(task, i);
        EXPECT_TRUE(task.OpenInput(in)) << task.LastError();
        if (!out.empty()) {
            TOutputOptions o;
            InitOutputOptions(o);
            o.ExtOptions = outputOptions;
            EXPECT_TRUE(ApplyOutputOptions(task, o, out, [&](const std::string& name) {
                return task.OpenOutput(name, false) >= 0;
            })) << task.LastError();
        }
        task.Control().OnTerminate = [this](TCustomFFmpeg&) {
            endThread = std::this_thread::get_id();
            ended.Open();
        };
    }
    // Counts frames, each taking `delay`.
    void SlowFrames(std::chrono::milliseconds delay)
    {
        task.Control().OnHook = [this, delay](TCustomFFmpeg&, THookInfo&) {
            ++frames;
            std::this_thread::sleep_for(delay);
        };
    }
};

constexpr const char* kCheap = "vcodec=mpeg4\ns=160x120\nan=1";

TEST(TaskThread, APausedWorkerStandsStillAtItsGateAndResumesWhereItWas)
{
    TempDir dir;
    TTask t(FixturePath(Fixture::Mp4), dir.file("a.mp4"), kCheap);
    t.SlowFrames(5ms);
    ASSERT_NE(t.task.Start(true), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return t.frames > 0; }));
    t.task.Pause();
    ASSERT_TRUE(t.task.Gate().WaitHolding(5s));
    const int held = t.frames;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(t.frames, held);
    EXPECT_TRUE(t.task.Gate().Holding());

    t.task.Resume();
    ASSERT_TRUE(t.ended.Wait());
    EXPECT_TRUE(t.task.Control().Finished);
    EXPECT_FALSE(t.task.Control().ErrorOccurred) << t.task.Control().ExceptionMsg;
    EXPECT_EQ(t.frames, 50);
    EXPECT_NE(t.endThread, std::this_thread::get_id());
}

TEST(TaskThread, StoppingAPausedTaskLetsItEndNotFinished)
{
    TempDir dir;
    TTask t(FixturePath(Fixture::Mp4), dir.file("a.mp4"), kCheap);
    t.SlowFrames(5ms);
    t.task.Start(true);
    ASSERT_TRUE(WaitUntil([&] { return t.frames > 0; }));
    t.task.Pause();
    ASSERT_TRUE(t.task.Gate().WaitHolding(5s));
    t.task.Stop(true);
    EXPECT_TRUE(t.ended.IsOpen()) << "Stop with wait returned before the end";
    EXPECT_FALSE(t.task.Control().Finished);
    EXPECT_FALSE(t.task.Control().ErrorOccurred) << t.task.Control().ExceptionMsg;
    EXPECT_TRUE(DecodesCleanly(dir.file("a.mp4")));
}

TEST(TaskThread, StartingTwiceDoesNothingTheSecondTime)
{
    TempDir dir;
    TTask t(FixturePath(Fixture::Mp4), dir.file("a.mp4"), kCheap);
    ASSERT_NE(t.task.Start(true), nullptr);
    EXPECT_EQ(t.task.Start(true), nullptr);
    ASSERT_TRUE(t.ended.Wait());
    t.task.Stop(true);
    EXPECT_EQ(t.task.Start(true), nullptr);
    EXPECT_EQ(t.task.Start(false), nullptr);
    EXPECT_TRUE(t.task.Control().Finished);
}

TEST(TaskThread, ATaskWithoutOutputEndsInsideStart)
{
    TTask t(FixturePath(Fixture::Mp4), "", "");
    EXPECT_EQ(t.task.Start(true), nullptr);
    ASSERT_TRUE(t.ended.IsOpen());
    EXPECT_EQ(t.endThread, std::this_thread::get_id());
    EXPECT_TRUE(t.task.Control().ErrorOccurred);
    EXPECT_EQ(t.task.Control().ExceptionMsg, "At least one output file must be specified");
    EXPECT_FALSE(t.task.Control().Finished);
    EXPECT_TRUE(t.task.Control().Terminated);
}

TEST(TaskThread, ANeverStartedTaskIsAnnouncedOnAThreadOfItsOwn)
{
    TempDir dir;
    TTask t(FixturePath(Fixture::Mp4), dir.file("a.mp4"), kCheap);
    t.task.StopOrTerminate(true);
    ASSERT_TRUE(t.ended.IsOpen());
    EXPECT_NE(t.endThread, std::this_thread::get_id());
    EXPECT_FALSE(t.task.Control().Finished);
    EXPECT_FALSE(t.task.Control().ErrorOccurred);
    // Announced once: neither a start nor a second stop announces it again.
    EXPECT_EQ(t.task.Start(true), nullptr);
    t.ended.Reset();
    t.task.StopOrTerminate(true);
    EXPECT_FALSE(t.ended.IsOpen());
}

TEST(TaskThread, AStopWithWaitOnTheWorkerDoesNotWaitForItself)
{
    TempDir dir;
    TTask t(FixturePath(Fixture::Mp4), dir.file("a.mp4"), kCheap);
    t.task.Control().OnHook = [](TCustomFFmpeg& self, THookInfo&) { self.Stop(true); };
    t.task.Start(true);
    ASSERT_TRUE(t.ended.Wait(20s));
    EXPECT_FALSE(t.task.Control().Finished);
}

TEST(TaskThread, ResetLetsAnEndedTaskBeStartedAgain)
{
    TempDir dir;
    TTask t(FixturePath(Fixture::Mp4), "", "");
    t.task.Start(true);
    ASSERT_TRUE(t.task.Control().Terminated);
    t.task.Reset();
    EXPECT_FALSE(t.task.Control().Terminated);
    EXPECT_FALSE(t.task.Control().ErrorOccurred);
    EXPECT_TRUE(t.task.OpenInput(FixturePath(Fixture::Mp4)));
    EXPECT_GE(t.task.OpenOutput(dir.file("b.mp4"), false), 0) << t.task.LastError();
    t.ended.Reset();
    ASSERT_NE(t.task.Start(true), nullptr);
    ASSERT_TRUE(t.ended.Wait());
    EXPECT_TRUE(t.task.Control().Finished) << t.task.Control().ExceptionMsg;
}

TEST(TaskThread, TheWorkerRunsAtTheGivenPriority)
{
    const struct {
        TThreadPriority Priority;
        int Policy, Nice;
    } cases[] = {{tpNormal, SCHED_OTHER, 0}, {tpLower, SCHED_OTHER, 5}, {tpLowest, SCHED_OTHER, 10}, {tpIdle, SCHED_IDLE, -1}};
    errno = 0;
    if (getpriority(PRIO_PROCESS, 0) != 0 || sched_getscheduler(0) != SCHED_OTHER)
        GTEST_SKIP() << "the test process does not run at normal priority";
    for (const auto& k : cases) {
        TempDir dir;
        TTask t(FixturePath(Fixture::Mp4), dir.file("a.mp4"), kCheap);
        std::atomic<int> policy{-2}, nice{-2};
        t.task.Control().OnHook = [&](TCustomFFmpeg&, THookInfo& info) {
            if (policy != -2) return;
            nice = getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
            policy = sched_getscheduler(0);
            info.StopHook = true;
        };
        t.task.Start(true, k.Priority);
        ASSERT_TRUE(t.ended.Wait());
        EXPECT_EQ(policy, k.Policy) << k.Priority;
        if (k.Nice >= 0) {
            EXPECT_EQ(nice, k.Nice) << k.Priority;
        }
    }
}

// Pause latency: the time from Pause until the packet loop stands at its
// gate. Needs a big source, so it runs only when one is given:
//   QUORVIA_PAUSE_SOURCE=/tmp/src1080.mp4 [QUORVIA_PAUSE_OPTIONS="vcodec=libx264"]
TEST(TaskThread, PauseLatency)
{
    const char* source = std::getenv("QUORVIA_PAUSE_SOURCE");
    if (!source) GTEST_SKIP() << "set QUORVIA_PAUSE_SOURCE to measure";
    const char* options = std::getenv("QUORVIA_PAUSE_OPTIONS");
    TempDir dir;
    TTask t(source, dir.file("out.mp4"), options ? options : "vcodec=mpeg4\nan=1");
    std::atomic<int> frames{0};
    t.task.Control().OnHook = [&](TCustomFFmpeg&, THookInfo&) { ++frames; };
    ASSERT_NE(t.task.Start(true), nullptr);
    std::vector<double> ms;
    for (int i = 0; i < 10 && !t.ended.IsOpen(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(97 + 13 * i));
        const auto before = std::chrono::steady_clock::now();
        t.task.Pause();
        if (!t.task.Gate().WaitHolding(10s)) break;
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
        t.task.Resume();
    }
    t.task.Stop(true);
    EXPECT_FALSE(t.task.Control().ErrorOccurred) << t.task.Control().ExceptionMsg;
    ASSERT_FALSE(ms.empty());
    std::printf("in order:");
    for (double v : ms) std::printf(" %.2f", v);
    std::printf("\n");
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("pause latency over %zu pauses: min %.2f ms, median %.2f ms, mean %.2f ms, max %.2f ms\n", ms.size(),
                ms.front(), ms[ms.size() / 2], sum / ms.size(), ms.back());
}

}  // namespace
}  // namespace quorvia::test
