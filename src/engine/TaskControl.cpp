// Run control of a task: start (threaded or on the caller's thread), the run
// wrapper, pause/resume through the pause gate, stop, the end announcement
// and the release of the task's files.
//
// Threads: Start, Pause, Resume, Stop and StopOrTerminate come from the
// component (user-interface thread, a worker that starts the next task, or a
// delivery thread); the run wrapper runs on the worker or on the caller of a
// synchronous Start. Phase changes are made under Threads.Lock, so a task
// is either started or announced as never started, never both.
#include <chrono>
#include <exception>
#include <functional>

#include "app/Dispatcher.h"
#include "engine/ComponentMessages.h"
#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"

namespace quorvia {

namespace {

constexpr std::chrono::milliseconds kWaitStep{20};

// One stage of the run wrapper: a failure is logged and becomes the task's
// error (a later one overwrites an earlier text), and the next stage runs.
void Guarded(TCustomFFmpeg& task, const std::function<void()>& stage)
{
    TRunControl& c = task.Control();
    try {
        stage();
    } catch (const std::exception& e) {
        FFLogger().Log(&task, llQuiet, e.what());
        c.ErrorOccurred = true;
        c.ExceptionMsg = e.what();
    } catch (...) {
        FFLogger().Log(&task, llQuiet, msg::UnknownException);
        c.ErrorOccurred = true;
        c.ExceptionMsg = msg::UnknownException;
    }
}

// Waits for the event; on the user-interface thread the dispatcher's queued
// calls run between steps, so a worker waiting for the user-interface thread
// (progress, preview) can reach its end.
void WaitRunningEvents(TManualResetEvent& done, const std::shared_ptr<IDispatcher>& dispatcher)
{
    while (!done.WaitFor(kWaitStep)) {
        if (dispatcher->IsMainThread()) dispatcher->ProcessPendingEvents();
    }
}

}  // namespace

TConvertThread* TCustomFFmpeg::Start(bool threaded, TThreadPriority priority)
{
    TRunControl& c = RunCtl;
    const char* missing = nullptr;
    {
        std::lock_guard<std::mutex> lock(Threads.Lock);
        if (Threads.Phase != TTaskThreads::phIdle) return nullptr;
        missing = OutputFileCount() == 0  ? transcode::msg::NeedOutputFile
                  : InputFileCount() == 0 ? transcode::msg::NeedInputFile
                                          : nullptr;
        c.StopRequested = false;
        c.Finished = false;
        c.ErrorOccurred = false;
        c.ExceptionMsg.clear();
        if (missing) {
            Threads.Phase = TTaskThreads::phEnding;
        } else {
            Threads.Phase = TTaskThreads::phRunning;
            c.Running = true;
            c.Terminated = false;
            c.SafePoint = [this] { Threads.Gate.Pass(RunCtl.StopRequested); };
            if (threaded) {
                Threads.ThreadDone.Reset();
                Threads.Convert = std::make_unique<TConvertThread>(*this, priority);
                Threads.Thread = Threads.Convert.get();
                Threads.Convert->Launch();
                return Threads.Thread;
            }
        }
    }
    if (missing) {
        Guarded(*this, [this] { Cleanup(); });
        FFLogger().Log(this, llQuiet, missing);
        c.ErrorOccurred = true;
        c.ExceptionMsg = missing;
        Guarded(*this, [this] { NotifyTerminate(); });
        return nullptr;
    }
    Execute();
    return nullptr;
}

void TCustomFFmpeg::Execute()
{
    RunCtl.Finished = false;
    // The transcoder's destructor closes every codec still open, each under
    // the codec lock, also after a failure.
    Guarded(*this, [this] {
        transcode::TTranscoder run(*this, Files);
        run.Run();
    });
    Guarded(*this, [this] { Cleanup(); });
    Guarded(*this, [this] { NotifyTerminate(); });
}

void TCustomFFmpeg::NotifyTerminate()
{
    {
        std::lock_guard<std::mutex> lock(Threads.Lock);
        RunCtl.Running = false;
        RunCtl.Terminated = true;
        Threads.Phase = TTaskThreads::phEnded;
        Threads.Thread = nullptr;
    }
    if (RunCtl.OnTerminate) RunCtl.OnTerminate(*this);
}

void TCustomFFmpeg::Cleanup()
{
    Files.Clear();
    HookRegistry->Clear();
}

void TCustomFFmpeg::Pause()
{
    std::lock_guard<std::mutex> lock(Threads.Lock);
    if (Threads.Thread) Threads.Gate.Pause();
}

void TCustomFFmpeg::Resume()
{
    // Also without a worker: a gate closed ahead of a start must not stay
    // closed once the run is resumed.
    Threads.Gate.Resume();
}

void TCustomFFmpeg::Stop(bool wait)
{
    RunCtl.StopRequested = true;
    bool self = false;
    std::shared_ptr<IDispatcher> dispatcher;
    {
        std::lock_guard<std::mutex> lock(Threads.Lock);
        // After the stop request, so a held worker wakes up to see it.
        Threads.Gate.Resume();
        self = Threads.Convert && Threads.Convert->IsCurrent();
        dispatcher = Threads.Dispatcher;
    }
    if (!wait || self) return;
    WaitRunningEvents(Threads.ThreadDone, dispatcher ? dispatcher : MainDispatcher());
}

void TCustomFFmpeg::StopOrTerminate(bool wait)
{
    bool running = false;
    bool waitAnnouncement = false;
    std::shared_ptr<IDispatcher> dispatcher;
    {
        std::lock_guard<std::mutex> lock(Threads.Lock);
        dispatcher = Threads.Dispatcher;
        switch (Threads.Phase) {
        case TTaskThreads::phRunning:
            running = true;
            break;
        case TTaskThreads::phIdle:
            Threads.Phase = TTaskThreads::phEnding;
            Threads.TerminateDone.Reset();
            Threads.Announce = std::make_unique<TDoTerminateThread>(*this);
            Threads.Announce->Launch();
            waitAnnouncement = true;
            break;
        case TTaskThreads::phEnding:
            // Being announced by an earlier call: wait for it like that one.
            waitAnnouncement = Threads.Announce && !Threads.Announce->IsCurrent();
            break;
        case TTaskThreads::phEnded:
            break;
        }
    }
    if (running) Stop(wait);
    else if (wait && waitAnnouncement)
        WaitRunningEvents(Threads.TerminateDone, dispatcher ? dispatcher : MainDispatcher());
}

void TCustomFFmpeg::SetDispatcher(std::shared_ptr<IDispatcher> dispatcher)
{
    std::lock_guard<std::mutex> lock(Threads.Lock);
    Threads.Dispatcher = std::move(dispatcher);
}

void TCustomFFmpeg::Shutdown()
{
    Stop(true);
    std::unique_ptr<TConvertThread> convert;
    std::unique_ptr<TDoTerminateThread> announce;
    std::shared_ptr<IDispatcher> dispatcher;
    {
        std::lock_guard<std::mutex> lock(Threads.Lock);
        convert = std::move(Threads.Convert);
        announce = std::move(Threads.Announce);
        dispatcher = Threads.Dispatcher;
    }
    if (announce && !announce->IsCurrent())
        WaitRunningEvents(Threads.TerminateDone, dispatcher ? dispatcher : MainDispatcher());
    // Destroying the thread objects joins them.
    convert.reset();
    announce.reset();
}

void TCustomFFmpeg::ResetRun()
{
    Shutdown();
    std::lock_guard<std::mutex> lock(Threads.Lock);
    Threads.Phase = TTaskThreads::phIdle;
    Threads.Thread = nullptr;
    Threads.Gate.Resume();
    RunCtl.StopRequested = false;
    RunCtl.Running = false;
    RunCtl.Finished = false;
    RunCtl.Terminated = false;
    RunCtl.ErrorOccurred = false;
    RunCtl.ExceptionMsg.clear();
    RunCtl.SafePoint = nullptr;
}

}  // namespace quorvia
