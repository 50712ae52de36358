#pragma once
// Texts of the engine component, its task list and the task threads. Format
// texts take their arguments in the order shown.

namespace quorvia::msg {

// Guards of the component's operations.
inline constexpr const char* CannotWhileWorking = "Cannot %s while working.";  // operation
inline constexpr const char* CannotClearTasksWhileWorking = "Cannot ClearTasks while working.";
inline constexpr const char* OpAddTask = "AddTask";
inline constexpr const char* OpSetOutputFile = "SetOutputFile";
inline constexpr const char* OpRemoveTask = "RemoveTask";
inline constexpr const char* OpStartTask = "StartTask";

// The task list.
inline constexpr const char* ListIndexError = "List index out of bounds (%d)";  // index

// Threads and event delivery.
inline constexpr const char* PriorityRefused =
    "Cannot set the priority %d of the conversion thread: %s";  // priority, reason
inline constexpr const char* TerminateHandlerError = "Error occurs OnTerminate: ";  // + reason
inline constexpr const char* UnknownException = "Unknown exception";

}  // namespace quorvia::msg
