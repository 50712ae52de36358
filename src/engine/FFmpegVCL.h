#pragma once
// The engine component the windows convert with: a list of tasks (one per
// source file, up to 20 outputs each), runs over them, and four events.
//
// Runs: StartTask(N > 0) keeps at most N tasks converting at once, each on
// its own worker thread, in list order; StartTask(N <= 0) runs them all one
// after another on the caller's thread before it returns. After the last task
// a final terminate event with TaskIndex -1 follows; from then on the guarded
// operations refuse ("Cannot %s while working.") until ClearTasks.
// StartTask on an empty list finishes the run at once: the final event
// follows immediately, so ClearTasks works as after any run.
//
// Event delivery:
//   OnProgress, OnPreviewBitmap  on the user-interface thread through the
//                                dispatcher while the worker waits (when
//                                TriggerEventInMainThread and the caller is
//                                not that thread; else on the caller), one at
//                                a time per kind (the kind's lock);
//   OnCustomHook                 always on the worker that made the frame,
//                                under the hook lock, the bitmap locked;
//   OnTerminate                  threaded run: each delivery on its own
//                                short-lived thread with its own copy of the
//                                record, unordered; run on the caller's
//                                thread: directly on it, the final event
//                                when StartTask is about to return (ends that
//                                a stop announces from other threads still
//                                go to delivery threads). A handler of the
//                                final event may call ClearTasks.
//
// Locks: one per event kind (hook, preview, progress) and the terminate lock,
// which also guards the run counters, the task list and LastErrMsg; it is
// never held while a handler runs or while a task is waited for.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/ConvertThread.h"
#include "engine/FFmpegList.h"
#include "engine/OptionRecords.h"
#include "engine/TaskEvents.h"
#include "probe/AVProbe.h"

namespace quorvia {

class IDispatcher;
class TCustomFFmpegVCL;

using TCustomHookEvent = std::function<void(TCustomFFmpegVCL& sender, PHookInfo AHookInfo)>;
using TPreviewBitmapEvent = std::function<void(TCustomFFmpegVCL& sender, const TPreviewInfo& APreviewInfo)>;
using TProgressEvent = std::function<void(TCustomFFmpegVCL& sender, PProgressInfo AProgressInfo)>;
using TTerminateEvent = std::function<void(TCustomFFmpegVCL& sender, const TTerminateInfo& ATerminateInfo)>;

class TCustomFFmpegVCL {
public:
    TCustomFFmpegVCL();
    // Stops every task and waits for it, then for the terminate deliveries
    // still running; no event is raised any more once destruction began.
    virtual ~TCustomFFmpegVCL();
    TCustomFFmpegVCL(const TCustomFFmpegVCL&) = delete;
    TCustomFFmpegVCL& operator=(const TCustomFFmpegVCL&) = delete;

    // Checks and binds the FFmpeg libraries; false with LastErrMsg.
    bool LoadLibraries(const std::string& folder);

    // Guarded operations (std::runtime_error "Cannot %s while working.").
    // AddTask: opens and probes the file; the task's index, or -1 with
    // LastErrMsg. An empty FileName of the record is filled in.
    int AddTask(const std::string& fileName, TInputOptions* inputOptions = nullptr);
    // SetOutputFile: creates the output and its streams; false with
    // LastErrMsg. A task index outside the list throws std::out_of_range.
    bool SetOutputFile(int taskIndex, const std::string& fileName, TOutputOptions* outputOptions = nullptr);
    void RemoveTask(int index);
    void StartTask(int count);

    // std::runtime_error "Cannot ClearTasks while working." while a run lasts.
    void ClearTasks();

    // Pause: every worker stops at its next safe point; tasks the run starts
    // while paused start held. Resume lets them go on.
    void Pause();
    void Resume();
    // Ends the run: no further task starts; running tasks get a stop request
    // (a paused one is let go to see it), tasks of the run that never started
    // are announced ended. With wait, returns once they all have ended (the
    // dispatcher's queued calls keep running meanwhile on the user-interface
    // thread). Outside a run, running tasks are only stopped.
    void Stop(bool wait);

    int TasksCount() const;
    // Prober attached to an input of a task (nullptr when the slot has none).
    TAVProbe* TaskProbe(int taskIndex, int inputIndex) const;
    TAVProbe& AVProbe() { return Probe; }
    std::string LastErrMsg() const;

    // Waits until no terminate event is being delivered on a thread of its
    // own (a delivery calling this does not wait for itself). For owners
    // that tear down what their handlers use.
    void WaitForDeliveries();

    // Run state (see the header comment).
    bool Working() const;
    bool AllTerminated() const;

    // Properties.
    bool Preview() const { return Preview_; }
    void SetPreview(bool value);
    bool PreviewBitmap() const { return PreviewBitmap_; }
    void SetPreviewBitmap(bool value);
    int ProgressInterval() const { return ProgressInterval_; }
    void SetProgressInterval(int milliseconds);  // 100 or less is stored as 100
    TThreadPriority ThreadPriority() const { return ThreadPriority_; }
    void SetThreadPriority(TThreadPriority value) { ThreadPriority_ = value; }
    bool TriggerEventInMainThread() const { return TriggerEventInMainThread_; }
    void SetTriggerEventInMainThread(bool value) { TriggerEventInMainThread_ = value; }
    int Verbose() const { return Verbose_; }
    void SetVerbose(int value) { Verbose_ = value; }
    // Dispatcher of the user-interface thread; null (default) means MainDispatcher().
    void SetDispatcher(std::shared_ptr<IDispatcher> dispatcher);

    // Events (set while no run is going on).
    void SetOnCustomHook(TCustomHookEvent handler);
    void SetOnPreviewBitmap(TPreviewBitmapEvent handler);
    void SetOnProgress(TProgressEvent handler);
    void SetOnTerminate(TTerminateEvent handler);

protected:
    // Called by the tasks through their callbacks.
    virtual void DoCustomHook(TCustomFFmpeg& task, THookInfo& info);
    virtual void DoPreviewBitmap(TCustomFFmpeg& task, const TPreviewInfo& info);
    virtual void DoProgress(TCustomFFmpeg& task, const TProgressInfo& info);
    virtual void DoTerminate(TCustomFFmpeg& task);

private:
    void CheckNotWorking(const char* operation) const;
    std::shared_ptr<TFFmpeg> TaskAt(int index) const;
    int IndexOfTask(const TCustomFFmpeg& task) const;
    void SetLastErrMsg(std::string text);
    std::shared_ptr<IDispatcher> CurrentDispatcher() const;
    // Runs a progress or preview handler where TriggerEventInMainThread says.
    void RunHandler(const std::function<void()>& handler);

    // Under TerminateLock: the next task of the run (ReportInterval, index and
    // the gate of a paused run set), or nullptr when none is left to start.
    TFFmpegList::TTaskPtr TakeNextTask();
    void StartTaskNow(TFFmpeg& task, bool threaded);
    void DeliverTerminate(const TTerminateEvent& handler, const TTerminateInfo& info, bool threaded);
    void DeliverFinal(bool threaded);

    mutable std::mutex HookLock;
    mutable std::mutex PreviewLock;
    mutable std::mutex ProgressLock;
    mutable std::mutex TerminateLock;

    TAVProbe Probe;
    TFFmpegList Tasks;  // under TerminateLock

    // The run, under TerminateLock.
    int FinishedCount = 0;
    int NextTaskIndex = -1;
    int RemainingToStart = 0;
    bool AllTerminated_ = false;
    bool ThreadedMode = false;
    bool Working_ = false;
    bool PausedRun = false;    // Pause during the run: tasks it starts start held
    int StartDepth = 0;        // StartTask is on the stack: the final event waits for its end
    bool FinalPending = false; // the final event became due meanwhile
    bool Destroying = false;   // no event any more
    std::string LastErrMsg_;

    std::atomic<bool> Preview_{false};
    std::atomic<bool> PreviewBitmap_{false};
    std::atomic<int> ProgressInterval_{500};
    std::atomic<TThreadPriority> ThreadPriority_{tpNormal};
    std::atomic<bool> TriggerEventInMainThread_{true};
    std::atomic<int> Verbose_{1};

    // Handlers and the dispatcher: copied out under HandlerLock before use.
    mutable std::mutex HandlerLock;
    TCustomHookEvent OnCustomHook;
    TPreviewBitmapEvent OnPreviewBitmap;
    TProgressEvent OnProgress;
    TTerminateEvent OnTerminate;
    std::shared_ptr<IDispatcher> Dispatcher;

    // One record of each kind, reused (under its event's lock; TerminateInfo
    // under TerminateLock, each delivery gets a copy).
    THookInfo HookInfo;
    TPreviewInfo PreviewInfo;
    TProgressInfo ProgressInfo;
    TTerminateInfo TerminateInfo;

    // Terminate deliveries still running on their threads.
    std::mutex DeliveryLock;
    std::condition_variable DeliveryDone;
    int Deliveries = 0;
};

// The component the windows place: publishes everything of TCustomFFmpegVCL.
class TFFmpegVCL : public TCustomFFmpegVCL {};

}  // namespace quorvia
