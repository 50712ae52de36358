// Batch runs through the real engine on tiny clips: the job map, progress
// reaching the right row, the after-conversion actions, cancel (also while
// paused), trim, and the effects of each job reaching its own output.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QJsonArray>

#include "JobsTestSupport.h"
#include "engine/FFmpegVCL.h"
#include "jobs/BatchDriver.h"
#include "jobs/JobAdding.h"
#include "jobs/CallQueueDispatcher.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class BatchDriverTest : public TJobsTestBase {
protected:
    void SetUp() override
    {
        TJobsTestBase::SetUp();
        out = Folder("out") + "/";
        settings.WriteString("settings", "OutPutDir", out);
        settings.WriteString("settings", "FormatCode", "5");
        settings.WriteInteger("settings", "priority", 2);
        format.WriteString("formatInfo5", "FileExt", "mp4");
        // A cheap video profile: MPEG-4 at 160x120, no sound.
        settings.WriteString("formatInfo5", "paraVideoEncoder", "mpeg4");
        settings.WriteString("formatInfo5", "paraVideoSize", "160x120");
        settings.WriteString("formatInfo5", "paraVideoBitRate", "300");
        settings.WriteString("formatInfo5", "paraFrameRate", "25");
        settings.WriteString("formatInfo5", "paraZoom", "full");

        engine = std::make_unique<TFFmpegVCL>();
        // Adding files binds the libraries; these tests list their rows directly.
        ASSERT_TRUE(engine->LoadLibraries(dir.file("LibAV"))) << engine->LastErrMsg();
        engine->SetProgressInterval(100);
        driver = std::make_unique<TBatchDriver>(TBatchEnvironment{
            *engine, list, settings, format, prompts, view, shell, shutdown, dispatcher});
        driver->SetOnTaskEnd([this](int row, const TTerminateInfo& info) {
            ends.push_back({row, info, shell.Opened.size()});
        });
        driver->SetOnRunOver([this] { ++runOvers; });
        driver->SetOnHookError([this](int task, const std::string&) {
            std::lock_guard<std::mutex> lock(hookMutex);
            hookErrorTasks.insert(task);
            if (task == 0) {
                firstTaskFramed = true;
                std::this_thread::sleep_for(slowFirstTask);
            }
        });
    }
    void TearDown() override
    {
        driver.reset();
        engine.reset();
        TJobsTestBase::TearDown();
    }

    // A row for a copy of the 2-second clip.
    TlvFilesRecord& AddRow(const std::string& folder, const std::string& name, bool checked = true)
    {
        auto job = std::make_unique<TlvFilesRecord>();
        job->SourceFile = CopyFixture(Fixture::Mp4, dir.file(folder), name);
        job->DestFile = out + "proposed_(new)_ipod.mp4";
        job->Duration = 2;
        const int row = list.Append(std::move(job), "2");
        list.SetChecked(row, checked);
        return list.Record(row);
    }

    bool WaitRunOver() { return dispatcher->RunUntil([this] { return !driver->Running(); }, 120s); }

    static double Seconds(const std::string& file)
    {
        return Probe(file)["format"].toObject()["duration"].toString().toDouble();
    }
    // Mean luma and mean colourfulness (|R-G| + |G-B|) of the first frame.
    struct TFrameStats {
        double Luma = -1;
        double Colour = -1;
    };
    static TFrameStats FirstFrameStats(const std::string& file)
    {
        TFrameStats st;
        std::string raw;
        RunCommand("ffmpeg -v error -i " + ShellQuote(file) + " -frames:v 1 -f rawvideo -pix_fmt rgb24 -", &raw);
        if (raw.size() < 3) return st;
        double luma = 0, colour = 0;
        const size_t pixels = raw.size() / 3;
        for (size_t i = 0; i < pixels; ++i) {
            const int r = static_cast<unsigned char>(raw[3 * i]);
            const int g = static_cast<unsigned char>(raw[3 * i + 1]);
            const int b = static_cast<unsigned char>(raw[3 * i + 2]);
            luma += 0.299 * r + 0.587 * g + 0.114 * b;
            colour += std::abs(r - g) + std::abs(g - b);
        }
        st.Luma = luma / static_cast<double>(pixels);
        st.Colour = colour / static_cast<double>(pixels);
        return st;
    }

    struct TEnd {
        int Row;
        TTerminateInfo Info;
        size_t OpensBefore;
    };

    std::string out;
    std::shared_ptr<TCallQueueDispatcher> dispatcher = std::make_shared<TCallQueueDispatcher>();
    TJobList list;
    TRecordingPrompts prompts;
    TRecordingView view;
    TRecordingShell shell;
    TRecordingShutdown shutdown;
    std::unique_ptr<TFFmpegVCL> engine;
    std::unique_ptr<TBatchDriver> driver;

    std::vector<TEnd> ends;
    int runOvers = 0;
    std::mutex hookMutex;
    std::set<int> hookErrorTasks;
    std::atomic<bool> firstTaskFramed{false};
    std::chrono::milliseconds slowFirstTask{0};
};

TEST_F(BatchDriverTest, NoCheckedRowStartsNothing)
{
    AddRow("a", "clip.mp4", false);
    bool checkedFrameSize = false;
    driver->SetFrameSizeCheck([&] { checkedFrameSize = true; });
    EXPECT_FALSE(driver->Start());
    EXPECT_TRUE(checkedFrameSize);
    EXPECT_EQ(view.Shows, 0);
    EXPECT_FALSE(driver->Running());
    EXPECT_EQ(engine->ThreadPriority(), tpLower);
}

TEST_F(BatchDriverTest, TwoCheckedRowsAroundAnUncheckedOne)
{
    // Rows 0 and 2 share their file name: their outputs must still differ.
    AddRow("one", "clip.mp4").ZoomMode = "center";
    AddRow("two", "other.mp4", false);
    AddRow("three", "clip.mp4");
    view.ShutDown = true;
    bool previewStopped = false;
    driver->SetStopPreview([&] { previewStopped = true; });

    ASSERT_TRUE(driver->Start());
    EXPECT_TRUE(previewStopped);
    EXPECT_EQ(driver->JobMap(), (std::vector<int>{0, 2}));
    EXPECT_EQ(view.Shows, 1);
    EXPECT_EQ(list.Record(0).ZoomMode, "full") << "the profile's zoom replaces the row's";
    ASSERT_TRUE(WaitRunOver());

    // Progress of task 1 went to row 2.
    bool sawSecond = false;
    for (const auto& t : view.Texts) {
        EXPECT_TRUE(t.Progress == "[1/2]" || t.Progress == "[2/2]") << t.Progress;
        if (t.Progress == "[2/2]") {
            sawSecond = true;
            EXPECT_EQ(t.File, list.Row(2).Caption);
        }
    }
    EXPECT_TRUE(sawSecond);
    EXPECT_EQ(list.Text(0, jcProgress), "100%");
    EXPECT_EQ(list.Text(1, jcProgress), "");
    EXPECT_EQ(list.Text(2, jcProgress), "100%");
    ASSERT_FALSE(view.Positions.empty());
    EXPECT_EQ(view.Positions.back(), 100);

    // Both tasks finished; the after-conversion actions came after the last.
    ASSERT_EQ(ends.size(), 2u);
    for (const auto& e : ends) EXPECT_TRUE(e.Info.Finished) << e.Info.ExceptionMsg;
    EXPECT_EQ(ends[0].Row, 0);
    EXPECT_EQ(ends[1].Row, 2);
    EXPECT_EQ(ends[0].OpensBefore, 0u);
    EXPECT_EQ(shell.Opened, (std::vector<std::string>{out}));
    EXPECT_EQ(shutdown.Requests(), 1);

    // The run is over: view closed once, tasks cleared.
    EXPECT_EQ(view.Closes, 1);
    EXPECT_EQ(runOvers, 1);
    EXPECT_EQ(engine->TasksCount(), 0);
    EXPECT_FALSE(engine->Working());

    // The real outputs: no "_ipod" part, two names for the two "clip" sources.
    for (const char* name : {"clip_(new).mp4", "clip_(new_1).mp4"}) {
        const QJsonObject probe = Probe(out + name);
        const QJsonArray streams = probe["streams"].toArray();
        ASSERT_EQ(streams.size(), 1) << name;
        EXPECT_EQ(streams[0].toObject()["codec_name"].toString().toStdString(), "mpeg4") << name;
        EXPECT_EQ(streams[0].toObject()["width"].toInt(), 160) << name;
    }
    EXPECT_FALSE(fs::exists(out + "other_(new).mp4"));
}

TEST_F(BatchDriverTest, CancelDuringTheFirstOfThreeEndsTheRun)
{
    for (bool pausedFirst : {false, true}) {
        SCOPED_TRACE(pausedFirst ? "paused first" : "running");
        ClearJobList(list, *engine);
        ends.clear();
        runOvers = 0;
        view = TRecordingView();
        hookErrorTasks.clear();
        firstTaskFramed = false;
        // A missing watermark makes every frame report to the hook error
        // callback, which slows task 0 down enough to cancel it.
        slowFirstTask = 20ms;
        const std::string folder = pausedFirst ? "p" : "r";
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) AddRow(folder, name).WaterImage = dir.file("missing.bmp");

        ASSERT_TRUE(driver->Start());
        ASSERT_TRUE(dispatcher->RunUntil([&] { return firstTaskFramed.load(); }, 30s));
        if (pausedFirst) {
            driver->Pause();
            EXPECT_TRUE(driver->Paused());
            std::this_thread::sleep_for(100ms);
        }
        driver->Cancel();
        ASSERT_TRUE(WaitRunOver());

        EXPECT_EQ(view.Closes, 1);
        EXPECT_EQ(runOvers, 1);
        EXPECT_FALSE(driver->Paused());
        ASSERT_EQ(ends.size(), 3u);
        for (const auto& e : ends) EXPECT_FALSE(e.Info.Finished) << "row " << e.Row;
        {
            std::lock_guard<std::mutex> lock(hookMutex);
            EXPECT_EQ(hookErrorTasks, (std::set<int>{0})) << "a task after the cancelled one ran";
        }
        EXPECT_TRUE(shell.Opened.empty());
        EXPECT_EQ(shutdown.Requests(), 0);
        EXPECT_EQ(list.Text(1, jcProgress), "");
        EXPECT_EQ(list.Text(2, jcProgress), "");
        for (const char* name : {"b_(new).mp4", "c_(new).mp4"}) EXPECT_FALSE(fs::exists(out + name)) << name;
        EXPECT_EQ(engine->TasksCount(), 0);
    }
}

TEST_F(BatchDriverTest, SeveralAtOnceRunTheAfterActionsOnlyAfterTheLastToEnd)
{
    // Task 0 converts a clip of 750 small frames (several times the work
    // of the 2-second clip), so task 1, the last index, ends first.
    const std::string longClip = dir.file("n/long.mp4");
    std::filesystem::create_directories(dir.file("n"));
    ASSERT_EQ(RunCommand("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=30 -c:v mpeg4 " +
                         ShellQuote(longClip)),
              0);
    auto job = std::make_unique<TlvFilesRecord>();
    job->SourceFile = longClip;
    list.Append(std::move(job), "30");
    AddRow("n", "quick.mp4");
    ASSERT_TRUE(driver->Start(2));
    ASSERT_TRUE(WaitRunOver());
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].Row, 1) << "the quick task should end first";
    for (const auto& e : ends) {
        EXPECT_TRUE(e.Info.Finished) << e.Info.ExceptionMsg;
        EXPECT_EQ(e.OpensBefore, 0u) << "folder opened before row " << e.Row << " ended";
    }
    EXPECT_EQ(shell.Opened.size(), 1u);
    EXPECT_EQ(view.Closes, 1);
}

TEST_F(BatchDriverTest, ARunOnTheCallersThreadIsOverWhenStartReturns)
{
    AddRow("s", "one.mp4");
    AddRow("s", "two.mp4");
    ASSERT_TRUE(driver->Start(0));
    EXPECT_FALSE(driver->Running());
    EXPECT_EQ(view.Shows, 0) << "nothing left to show";
    EXPECT_EQ(view.Closes, 1);
    EXPECT_EQ(runOvers, 1);
    EXPECT_EQ(list.Text(0, jcProgress), "100%");
    EXPECT_EQ(list.Text(1, jcProgress), "100%");
    EXPECT_EQ(engine->TasksCount(), 0);
}

TEST_F(BatchDriverTest, TrimLimitsTheOutput)
{
    TlvFilesRecord& trimmed = AddRow("t", "trimmed.mp4");
    trimmed.TrimStart = 500000;
    trimmed.TrimDuration = 1000000;
    TlvFilesRecord& tail = AddRow("t", "tail.mp4");
    tail.TrimStart = 1200000;  // to the end: 0.8 s left
    AddRow("t", "whole.mp4");
    ASSERT_TRUE(driver->Start());
    ASSERT_TRUE(WaitRunOver());
    for (const auto& e : ends) EXPECT_TRUE(e.Info.Finished) << e.Info.ExceptionMsg;
    EXPECT_NEAR(Seconds(out + "trimmed_(new).mp4"), 1.0, 0.15);
    EXPECT_NEAR(Seconds(out + "tail_(new).mp4"), 0.8, 0.15);
    EXPECT_NEAR(Seconds(out + "whole_(new).mp4"), 2.0, 0.15);
}

TEST_F(BatchDriverTest, EachTaskGetsTheEffectsOfItsOwnRow)
{
    // Rows 0 and 1 darken, row 2 takes the colour out; only rows 0 and 2
    // are checked, so engine task 1 must take row 2's settings, not row 1's.
    AddRow("fx", "first.mp4").Brightness = 60;
    AddRow("fx", "skipped.mp4", false).Brightness = 60;
    AddRow("fx", "third.mp4").Saturation = 0;
    ASSERT_TRUE(driver->Start());
    ASSERT_TRUE(WaitRunOver());
    for (const auto& e : ends) EXPECT_TRUE(e.Info.Finished) << e.Info.ExceptionMsg;

    const TFrameStats source = FirstFrameStats(list.Row(0).Caption);
    const TFrameStats first = FirstFrameStats(out + "first_(new).mp4");
    const TFrameStats third = FirstFrameStats(out + "third_(new).mp4");
    ASSERT_GT(source.Colour, 40);
    EXPECT_LT(first.Luma, source.Luma / 2) << "task 0 was not darkened";
    EXPECT_GT(first.Colour, 10) << "task 0 lost its colour";
    EXPECT_LT(third.Colour, 8) << "task 1 did not get the third row's settings";
    EXPECT_NEAR(third.Luma, source.Luma, source.Luma / 5) << "task 1 was darkened like row 1";
    std::lock_guard<std::mutex> lock(hookMutex);
    EXPECT_TRUE(hookErrorTasks.empty());
}

TEST_F(BatchDriverTest, ASourceThatIsGoneEndsTheStartAndLeavesNothingBehind)
{
    AddRow("g", "fine.mp4");
    TlvFilesRecord& gone = AddRow("g", "gone.mp4");
    fs::remove(gone.SourceFile);
    EXPECT_THROW(driver->Start(), std::runtime_error);
    EXPECT_EQ(view.Shows, 0);
    EXPECT_FALSE(driver->Running());
    EXPECT_EQ(engine->TasksCount(), 0);
    EXPECT_FALSE(fs::exists(out + "fine_(new).mp4")) << "the empty output of the first job stayed";
    // The list is unchanged and a later start works.
    list.SetChecked(1, false);
    ASSERT_TRUE(driver->Start());
    ASSERT_TRUE(WaitRunOver());
    EXPECT_EQ(list.Text(0, jcProgress), "100%");
}

}  // namespace
}  // namespace quorvia::test
