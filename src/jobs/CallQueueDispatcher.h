#pragma once
// A user-interface thread for programs without a window system
// (quorvia-batch, the tests): the thread that creates the dispatcher is the
// user-interface thread; other threads queue calls and wait for them, and
// that thread runs them while it pumps (RunUntil, ProcessPendingEvents).
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "app/Dispatcher.h"

namespace quorvia {

class TCallQueueDispatcher : public IDispatcher {
public:
    TCallQueueDispatcher() : owner_(std::this_thread::get_id()) {}

    bool IsMainThread() const override { return std::this_thread::get_id() == owner_; }
    // On the owner: runs fn at once. Elsewhere: queues it and waits until the
    // owner has run it (an exception of fn is rethrown here).
    void RunAndWait(const std::function<void()>& fn) override;
    // Runs every queued call (owner only).
    void ProcessPendingEvents() override;

    // Pumps queued calls until done() holds or the time is up; true when
    // done() held. Owner only.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> calls_;
};

}  // namespace quorvia
