#pragma once
// The threads of one conversion task and the pause gate.
//
//   TConvertThread      the task's worker: sets its priority, runs the run
//                       wrapper (transcode, release, end announcement) and
//                       signals ThreadDone;
//   TDoTerminateThread  announces the end of a task that never ran (stopped
//                       before its start) and signals TerminateDone;
//   TPauseGate          pausing without suspending a thread from outside: a
//                       paused worker stops at its next safe point (top of
//                       the packet loop, between duplicated frames; never
//                       inside the codec lock or an event lock) and waits
//                       there until it is resumed or stopped.
//
// Ownership: TTaskThreads lives in the task. The thread objects stay owned by
// it until they are joined (by Reset or destruction of the task), so Pause,
// Resume and Stop never reach a thread object that has already gone; the
// task's Thread pointer is cleared when the end is announced.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvia {

class TCustomFFmpeg;
class IDispatcher;

// Priorities of worker threads: SCHED_IDLE, nice 10, nice 5, nice 0.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal };

// Policy and nice value a priority stands for.
struct TThreadSchedule {
    int Policy;  // SCHED_IDLE or SCHED_OTHER
    int Nice;
};
TThreadSchedule ScheduleOf(TThreadPriority priority);

// Applies a priority to the calling thread; false with errno set when the
// system refused (a thread can lower its own priority, not raise it again
// without privilege: a worker started by a lower-priority worker keeps the
// lower one).
bool ApplyThreadPriority(TThreadPriority priority);

// A manual-reset event.
class TManualResetEvent {
public:
    explicit TManualResetEvent(bool signalled) : signalled_(signalled) {}
    void Set();
    void Reset();
    bool IsSet() const;
    void Wait();
    // True when signalled within the time.
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_;
};

class TPauseGate {
public:
    // The worker stops at its next safe point.
    void Pause();
    // Lets a held worker go on; also wakes it to see a stop request.
    void Resume();
    bool PauseRequested() const { return paused_.load(std::memory_order_acquire); }
    // True while the worker stands at the gate.
    bool Holding() const;
    // Waits until the worker stands at the gate; false on timeout.
    bool WaitHolding(std::chrono::milliseconds timeout) const;

    // Worker side, at a safe point: returns at once unless paused; otherwise
    // waits until resumed or until stop is set (Stop sets it before Resume).
    void Pass(const std::atomic<bool>& stop);

private:
    std::atomic<bool> paused_{false};  // written under mutex_, read lock-free on the fast path
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    bool holding_ = false;  // guarded by mutex_
};

class TConvertThread {
public:
    TConvertThread(TCustomFFmpeg& task, TThreadPriority priority);
    // Joins the thread (detaches when called on the thread itself).
    ~TConvertThread();
    TConvertThread(const TConvertThread&) = delete;
    TConvertThread& operator=(const TConvertThread&) = delete;

    // Starts the thread; ThreadDone must already be reset. Called under the
    // task's Lock, like Join's callers take the object out under it.
    void Launch();
    void Join();
    bool IsCurrent() const;
    TThreadPriority Priority() const { return priority_; }

private:
    void Execute();

    TCustomFFmpeg& task_;
    TThreadPriority priority_;
    std::thread thread_;
    std::atomic<std::thread::id> id_{};  // stored by the thread itself, first thing
};

class TDoTerminateThread {
public:
    explicit TDoTerminateThread(TCustomFFmpeg& task);
    ~TDoTerminateThread();
    TDoTerminateThread(const TDoTerminateThread&) = delete;
    TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

    // Starts the thread; TerminateDone must already be reset.
    void Launch();
    void Join();
    bool IsCurrent() const;

private:
    void Execute();

    TCustomFFmpeg& task_;
    std::thread thread_;
    std::atomic<std::thread::id> id_{};
};

// Run-control block of a task (the fields of TCustomFFmpeg that belong to its
// threads).
struct TTaskThreads {
    enum TPhase {
        phIdle,     // created or reset: may start once
        phRunning,  // Start succeeded; ends with the announcement
        phEnding,   // end being announced without a run (failed start, stop before start)
        phEnded,    // announced
    };

    // Guards Phase, Thread, Convert, Announce and the task's Running and
    // Terminated flags; never held while waiting or running a callback.
    std::mutex Lock;
    TPhase Phase = phIdle;
    TConvertThread* Thread = nullptr;  // the worker while the run lasts
    std::unique_ptr<TConvertThread> Convert;
    std::unique_ptr<TDoTerminateThread> Announce;

    // Signalled except while a worker runs (reset before it starts, so a
    // stop with wait right after the start waits for it).
    TManualResetEvent ThreadDone{true};
    // Signalled except while a TDoTerminateThread announces the end.
    TManualResetEvent TerminateDone{true};
    TPauseGate Gate;

    // Dispatcher whose queued calls a wait on the user-interface thread keeps
    // running; null means MainDispatcher(). Set while the task is idle.
    std::shared_ptr<IDispatcher> Dispatcher;
};

}  // namespace quorvia
