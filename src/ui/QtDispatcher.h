#pragma once
// "Run on the user-interface thread and wait" for the desktop program:
// directly when already on that thread, otherwise a blocking queued call.
// An exception thrown by the function is re-raised on the calling thread.
#include "app/Dispatcher.h"

namespace quorvia::ui {

class TQtDispatcher : public IDispatcher {
public:
    bool IsMainThread() const override;
    void RunAndWait(const std::function<void()>& fn) override;
    void ProcessPendingEvents() override;
};

}  // namespace quorvia::ui
