#include "jobs/CallQueueDispatcher.h"

#include <algorithm>
#include <exception>
#include <future>
#include <memory>

namespace quorvia {

void TCallQueueDispatcher::RunAndWait(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> result = done->get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back([fn, done] {
            try {
                fn();
                done->set_value();
            } catch (...) {
                done->set_exception(std::current_exception());
            }
        });
    }
    queued_.notify_all();
    result.get();
}

void TCallQueueDispatcher::ProcessPendingEvents()
{
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (calls_.empty()) return;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
    }
}

bool TCallQueueDispatcher::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessPendingEvents();
        if (done()) return true;
        std::unique_lock<std::mutex> lock(mutex_);
        // Short waits: done() may change through calls that are not queued.
        if (!queued_.wait_until(lock, std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)),
                                [this] { return !calls_.empty(); }) &&
            std::chrono::steady_clock::now() >= end) {
            lock.unlock();
            ProcessPendingEvents();
            return done();
        }
    }
}

}  // namespace quorvia
