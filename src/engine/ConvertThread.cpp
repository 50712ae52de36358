#include "engine/ConvertThread.h"

#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "engine/ComponentMessages.h"
#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"

namespace quorvia {

TThreadSchedule ScheduleOf(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle: return {SCHED_IDLE, 0};
    case tpLowest: return {SCHED_OTHER, 10};
    case tpLower: return {SCHED_OTHER, 5};
    case tpNormal: break;
    }
    return {SCHED_OTHER, 0};
}

bool ApplyThreadPriority(TThreadPriority priority)
{
    const TThreadSchedule want = ScheduleOf(priority);
    const int policy = sched_getscheduler(0);
    if (policy != want.Policy) {
        sched_param param{};
        if (const int rc = pthread_setschedparam(pthread_self(), want.Policy, &param); rc != 0) {
            errno = rc;
            return false;
        }
    }
    // Nice values are per thread on Linux; SCHED_IDLE ignores them.
    if (want.Policy == SCHED_IDLE) return true;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (errno == 0 && nice == want.Nice) return true;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), want.Nice) == 0;
}

// ---- TManualResetEvent ----

void TManualResetEvent::Set()
{
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
    cv_.notify_all();
}

void TManualResetEvent::Reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

bool TManualResetEvent::IsSet() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
}

void TManualResetEvent::Wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return signalled_; });
}

bool TManualResetEvent::WaitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return signalled_; });
}

// ---- TPauseGate ----

void TPauseGate::Pause()
{
    std::lock_guard<std::mutex> lock(mutex_);
    paused_.store(true, std::memory_order_release);
}

void TPauseGate::Resume()
{
    std::lock_guard<std::mutex> lock(mutex_);
    paused_.store(false, std::memory_order_release);
    cv_.notify_all();
}

bool TPauseGate::Holding() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return holding_;
}

bool TPauseGate::WaitHolding(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return holding_; });
}

void TPauseGate::Pass(const std::atomic<bool>& stop)
{
    // Fast path: one atomic load per packet.
    if (!paused_.load(std::memory_order_acquire)) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!paused_.load(std::memory_order_relaxed) || stop.load()) return;
    holding_ = true;
    cv_.notify_all();
    cv_.wait(lock, [&] { return !paused_.load(std::memory_order_relaxed) || stop.load(); });
    holding_ = false;
}

// ---- TConvertThread ----

TConvertThread::TConvertThread(TCustomFFmpeg& task, TThreadPriority priority) : task_(task), priority_(priority) {}

TConvertThread::~TConvertThread() { Join(); }

void TConvertThread::Launch() { thread_ = std::thread([this] { Execute(); }); }

void TConvertThread::Join()
{
    if (!thread_.joinable()) return;
    if (IsCurrent()) thread_.detach();
    else thread_.join();
}

bool TConvertThread::IsCurrent() const { return id_.load() == std::this_thread::get_id(); }

void TConvertThread::Execute()
{
    id_.store(std::this_thread::get_id());
    const std::string name = StrFormat("convert%d", task_.Control().TaskIndex);
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
    if (!ApplyThreadPriority(priority_))
        FFLogger().LogFmt(&task_, llWarning, msg::PriorityRefused, static_cast<int>(priority_), std::strerror(errno));
    try {
        task_.Execute();
    } catch (...) {
        // The run wrapper guards every stage; nothing may leave the thread.
    }
    task_.Threads.ThreadDone.Set();
}

// ---- TDoTerminateThread ----

TDoTerminateThread::TDoTerminateThread(TCustomFFmpeg& task) : task_(task) {}

TDoTerminateThread::~TDoTerminateThread() { Join(); }

void TDoTerminateThread::Launch() { thread_ = std::thread([this] { Execute(); }); }

void TDoTerminateThread::Join()
{
    if (!thread_.joinable()) return;
    if (IsCurrent()) thread_.detach();
    else thread_.join();
}

bool TDoTerminateThread::IsCurrent() const { return id_.load() == std::this_thread::get_id(); }

void TDoTerminateThread::Execute()
{
    id_.store(std::this_thread::get_id());
    pthread_setname_np(pthread_self(), "announce");
    try {
        task_.NotifyTerminate();
    } catch (const std::exception& e) {
        FFLogger().Log(&task_, llQuiet, e.what());
    } catch (...) {
        FFLogger().Log(&task_, llQuiet, msg::UnknownException);
    }
    task_.Threads.TerminateDone.Set();
}

}  // namespace quorvia
