#include "jobs/BatchProgress.h"

#include "jobs/Messages.h"

namespace quorvia {

int ProgressPercent(int64_t time, int64_t totalDuration)
{
    if (totalDuration <= 0 || time <= 0) return 0;
    // Output time may run a little past the input's duration (audio padding).
    if (time >= totalDuration) return 100;
    return static_cast<int>(time * 100 / totalDuration);
}

std::string PercentText(int percent) { return std::to_string(percent) + jobs::msg::PercentSign; }

namespace {

// Byte offset of the character after the first n UTF-8 characters (the
// text's length when it has fewer).
size_t OffsetOfCharacter(const std::string& s, size_t n)
{
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;  // continuation byte
        if (count == n) return i;
        ++count;
    }
    return s.size();
}

size_t CharacterCount(const std::string& s)
{
    size_t count = 0;
    for (unsigned char c : s) count += (c & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

std::string ExtensionOf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

}  // namespace

std::string ShortFileCaption(const std::string& caption)
{
    if (CharacterCount(caption) < 51) return caption;
    return caption.substr(0, OffsetOfCharacter(caption, 44)) + jobs::msg::ShortenedMark + ExtensionOf(caption);
}

TProgressTexts ProgressTextsOf(const TProgressInfo& info, int taskCount, const std::string& caption)
{
    TProgressTexts t;
    t.CurrentTime = std::to_string(info.Time / 1000000) + jobs::msg::SecondUnit;
    t.Length = std::to_string(info.TotalDuration / 1000000) + jobs::msg::SecondUnit;
    t.FileSize = std::to_string(info.TotalSize / 1000) + jobs::msg::KilobyteUnit;
    t.Progress = "[" + std::to_string(info.TaskIndex + 1) + "/" + std::to_string(taskCount) + "]";
    t.File = ShortFileCaption(caption);
    return t;
}

std::optional<TThreadPriority> PriorityFromSetting(int value)
{
    switch (value) {
    case 0: return tpIdle;
    case 1: return tpNormal;
    case 2: return tpLower;
    case 3: return tpLowest;
    default: return std::nullopt;
    }
}

}  // namespace quorvia
