#pragma once
// Helpers of the component and task thread tests: a latch, a dispatcher with
// a "user-interface" thread of its own, a component that records when tasks
// end (on the thread that ends them), and outputs with low-cost settings.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Dispatcher.h"
#include "engine/FFmpegVCL.h"
#include "engine/Loader.h"
#include "engine/OptionRecords.h"
#include "support/Fixtures.h"

namespace quorvia::test {

using namespace std::chrono_literals;

// Opens once; waits with a time limit.
class TLatch {
public:
    void Open()
    {
        std::lock_guard<std::mutex> lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    bool Wait(std::chrono::milliseconds timeout = 20s)
    {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, timeout, [this] { return open_; });
    }
    bool IsOpen() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return open_;
    }
    void Reset()
    {
        std::lock_guard<std::mutex> lock(m_);
        open_ = false;
    }

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

// Waits until pred holds (polling), false after the timeout.
inline bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 20s)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A user-interface thread with a call queue, like a window system's: calls
// from other threads wait in the queue until the thread takes them.
class TQueueDispatcher : public IDispatcher {
public:
    TQueueDispatcher() : thread_([this] { Loop(); }) { ready_.Wait(); }
    ~TQueueDispatcher() override
    {
        {
            std::lock_guard<std::mutex> lock(m_);
            quit_ = true;
            cv_.notify_all();
        }
        thread_.join();
    }

    bool IsMainThread() const override { return std::this_thread::get_id() == id_; }

    void RunAndWait(const std::function<void()>& fn) override
    {
        if (IsMainThread()) {
            fn();
            return;
        }
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> result = done->get_future();
        Enqueue([fn, done] {
            try {
                fn();
                done->set_value();
            } catch (...) {
                done->set_exception(std::current_exception());
            }
        });
        result.get();
    }

    void ProcessPendingEvents() override
    {
        ++pumps_;
        for (;;) {
            std::function<void()> fn;
            {
                std::lock_guard<std::mutex> lock(m_);
                if (queue_.empty()) return;
                fn = std::move(queue_.front());
                queue_.pop_front();
            }
            fn();
        }
    }

    // Runs fn on the user-interface thread later (like a click).
    std::future<void> Post(std::function<void()> fn)
    {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> result = done->get_future();
        Enqueue([fn = std::move(fn), done] {
            try {
                fn();
                done->set_value();
            } catch (...) {
                done->set_exception(std::current_exception());
            }
        });
        return result;
    }

    size_t Queued() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return queue_.size();
    }
    int Pumps() const { return pumps_; }

private:
    void Enqueue(std::function<void()> fn)
    {
        std::lock_guard<std::mutex> lock(m_);
        queue_.push_back(std::move(fn));
        cv_.notify_all();
    }
    void Loop()
    {
        id_ = std::this_thread::get_id();
        ready_.Open();
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [this] { return quit_ || !queue_.empty(); });
                if (queue_.empty()) return;
                fn = std::move(queue_.front());
                queue_.pop_front();
            }
            fn();
        }
    }

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    bool quit_ = false;
    std::atomic<int> pumps_{0};
    std::thread::id id_;
    TLatch ready_;
    std::thread thread_;
};

// What happened in a run, in the order it happened.
struct TRunEvent {
    enum TKind { Started, Ended, Terminate } Kind;
    int Task;
};

// Records the end of every task on the thread that ends it (before the
// component handles it), the terminate events, and the first hook frame of
// each task as its start (also without a hook handler, when the output asked
// for the hook).
class TRecordingComponent : public TFFmpegVCL {
public:
    TRecordingComponent()
    {
        SetOnTerminate([this](TCustomFFmpegVCL&, const TTerminateInfo& info) {
            std::lock_guard<std::mutex> lock(m_);
            terminates_.push_back(info);
            events_.push_back({TRunEvent::Terminate, info.TaskIndex});
            threads_.push_back(std::this_thread::get_id());
            cv_.notify_all();
        });
    }

    // Called on the worker at the first hook frame of each task, outside
    // the component's locks (so holding one task holds no other). Set before
    // the run.
    std::function<void(int task)> HoldAtFirstFrame;

    ~TRecordingComponent() override
    {
        Stop(true);
        WaitForDeliveries();
    }

    void NoteStarted(int task)
    {
        std::lock_guard<std::mutex> lock(m_);
        events_.push_back({TRunEvent::Started, task});
        cv_.notify_all();
    }

    std::vector<TRunEvent> Events() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return events_;
    }
    std::vector<TTerminateInfo> Terminates() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return terminates_;
    }
    std::vector<std::thread::id> TerminateThreads() const
    {
        std::lock_guard<std::mutex> lock(m_);
        return threads_;
    }
    bool Has(TRunEvent::TKind kind, int task) const
    {
        std::lock_guard<std::mutex> lock(m_);
        return Find(kind, task) >= 0;
    }
    // Position of an event in the sequence, -1 when it did not happen.
    int PositionOf(TRunEvent::TKind kind, int task) const
    {
        std::lock_guard<std::mutex> lock(m_);
        return Find(kind, task);
    }
    bool WaitFor(TRunEvent::TKind kind, int task, std::chrono::milliseconds timeout = 30s)
    {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, timeout, [&] { return Find(kind, task) >= 0; });
    }
    bool WaitFinal(std::chrono::milliseconds timeout = 60s) { return WaitFor(TRunEvent::Terminate, -1, timeout); }
    // The task's terminate record, waited for (deliveries are unordered: the
    // final event may come before a task's own).
    TTerminateInfo TerminateOf(int task)
    {
        if (!WaitFor(TRunEvent::Terminate, task, 30s)) {
            ADD_FAILURE() << "no terminate event for task " << task;
            return {};
        }
        std::lock_guard<std::mutex> lock(m_);
        for (const auto& t : terminates_)
            if (t.TaskIndex == task) return t;
        return {};
    }

protected:
    // The first hook frame marks the start, noted (and held, see
    // HoldAtFirstFrame) before the component takes its hook lock.
    void DoCustomHook(TCustomFFmpeg& task, THookInfo& info) override
    {
        if (info.FrameNumber == 1) {
            NoteStarted(task.Control().TaskIndex);
            if (HoldAtFirstFrame) HoldAtFirstFrame(task.Control().TaskIndex);
        }
        TFFmpegVCL::DoCustomHook(task, info);
    }

    void DoTerminate(TCustomFFmpeg& task) override
    {
        {
            std::lock_guard<std::mutex> lock(m_);
            events_.push_back({TRunEvent::Ended, task.Control().TaskIndex});
            cv_.notify_all();
        }
        TFFmpegVCL::DoTerminate(task);
    }

private:
    int Find(TRunEvent::TKind kind, int task) const
    {
        for (size_t i = 0; i < events_.size(); ++i)
            if (events_[i].Kind == kind && events_[i].Task == task) return static_cast<int>(i);
        return -1;
    }

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<TRunEvent> events_;
    std::vector<TTerminateInfo> terminates_;
    std::vector<std::thread::id> threads_;
};

// Low-cost output: MPEG-4 video at 160x120, no sound; the frame hook on when asked.
inline TOutputOptions CheapOutput(bool hook = false)
{
    TOutputOptions o;
    InitOutputOptions(o);
    o.VideoCodec = "mpeg4";
    o.FrameSize = "160x120";
    o.DisableAudio = true;
    o.CustomHook = hook;
    return o;
}

// Adds a task for in with one cheap output; fails the test when it cannot.
inline int AddCheapTask(TCustomFFmpegVCL& c, const std::string& in, const std::string& out, bool hook = false)
{
    const int index = c.AddTask(in);
    EXPECT_GE(index, 0) << c.LastErrMsg();
    TOutputOptions o = CheapOutput(hook);
    EXPECT_TRUE(c.SetOutputFile(index, out, &o)) << c.LastErrMsg();
    return index;
}

inline void LoadEngine() { ASSERT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError(); }

}  // namespace quorvia::test
