#pragma once
// The figures the batch shows for a progress report, and the thread
// priority named by the program INI. Pure functions.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/ConvertThread.h"
#include "engine/TaskEvents.h"
#include "jobs/BatchViews.h"

namespace quorvia {

// time * 100 / totalDuration, truncated, kept within 0..100. An unknown
// total (0 or negative) gives 0: the bar stays at its start until the task
// ends (then it shows 100).
int ProgressPercent(int64_t time, int64_t totalDuration);

// Percent + "%".
std::string PercentText(int percent);

// The source as the view shows it: unchanged below 51 characters, else its
// first 44 characters, "..", and its extension with the point. Characters
// are UTF-8 characters, never cut in half.
std::string ShortFileCaption(const std::string& caption);

// The view texts for a report of task taskIndex of taskCount.
TProgressTexts ProgressTextsOf(const TProgressInfo& info, int taskCount, const std::string& caption);

// "priority" of section "settings": 0 idle, 1 normal, 2 lower, 3 lowest;
// nothing for any other value (the engine keeps its current priority).
std::optional<TThreadPriority> PriorityFromSetting(int value);

}  // namespace quorvia
