#pragma once
// "Run this on the user-interface thread and wait": engine, prober and player
// never include Qt; the desktop program injects a Qt implementation, the
// command-line tools and tests use the inline one.
#include <functional>
#include <memory>

namespace quorvia {

class IDispatcher {
public:
    virtual ~IDispatcher() = default;
    // True when the caller is on the user-interface thread.
    virtual bool IsMainThread() const = 0;
    // Runs fn on the user-interface thread and returns once it has run.
    virtual void RunAndWait(const std::function<void()>& fn) = 0;
    // Called on the user-interface thread while it waits for a worker (stop
    // with wait): runs the calls queued by RunAndWait meanwhile, so a worker
    // waiting for the user-interface thread cannot deadlock the wait.
    virtual void ProcessPendingEvents() {}
};

// Runs everything on the calling thread.
class InlineDispatcher : public IDispatcher {
public:
    bool IsMainThread() const override { return true; }
    void RunAndWait(const std::function<void()>& fn) override { fn(); }
};

// Process-wide dispatcher; the inline one until the program installs its own.
std::shared_ptr<IDispatcher> MainDispatcher();
void SetMainDispatcher(std::shared_ptr<IDispatcher> dispatcher);

}  // namespace quorvia
