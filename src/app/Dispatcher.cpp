#include "app/Dispatcher.h"

#include <atomic>

namespace quorvia {
namespace {
std::shared_ptr<IDispatcher>& Slot()
{
    static std::shared_ptr<IDispatcher> slot = std::make_shared<InlineDispatcher>();
    return slot;
}
}  // namespace

std::shared_ptr<IDispatcher> MainDispatcher()
{
    return std::atomic_load(&Slot());
}

void SetMainDispatcher(std::shared_ptr<IDispatcher> dispatcher)
{
    if (!dispatcher) dispatcher = std::make_shared<InlineDispatcher>();
    std::atomic_store(&Slot(), std::move(dispatcher));
}

}  // namespace quorvia
