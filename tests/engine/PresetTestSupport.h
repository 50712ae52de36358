#pragma once
// Helpers shared by the preset, target and option record tests: a log
// capture on the process logger and a look into the accepted generic options.
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorvia::test {

// Collects every logger line while alive (delivered on the logging thread).
class LogCapture {
public:
    struct Line {
        TLogLevel Level;
        std::string Text;
    };

    LogCapture()
    {
        previousLevel_ = FFLogger().LogLevel();
        previousTrigger_ = FFLogger().TriggerEventInMainThread();
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetLogLevel(llDebug);
        FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& msg) {
            std::lock_guard lock(mutex_);
            lines_.push_back({level, msg});
        });
    }
    ~LogCapture()
    {
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetLogLevel(previousLevel_);
        FFLogger().SetTriggerEventInMainThread(previousTrigger_);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> Lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // Texts at one level, in order.
    std::vector<std::string> At(TLogLevel level) const
    {
        std::vector<std::string> out;
        for (const Line& line : Lines())
            if (line.Level == level) out.push_back(line.Text);
        return out;
    }
    bool Contains(const std::string& text) const
    {
        for (const Line& line : Lines())
            if (line.Text.find(text) != std::string::npos) return true;
        return false;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Line> lines_;
    TLogLevel previousLevel_;
    bool previousTrigger_;
};

// The value of the last accepted generic option `name` in one template.
inline std::optional<std::string> Accepted(const TCustomFFmpeg& task, TGenericTemplate which,
                                           const std::string& name)
{
    std::optional<std::string> value;
    for (const TGenericOptionValue& option : task.Options().Templates.Accepted[which])
        if (option.Name == name) value = option.Value;
    return value;
}

// An integer option as the template object holds it now (e.g. "b" of the
// audio template after "ab"); nothing when the template has no such option.
inline std::optional<int64_t> TemplateInt(const TCustomFFmpeg& task, TGenericTemplate which,
                                          const std::string& name)
{
    int64_t value = 0;
    if (av_opt_get_int(task.Options().Templates.Object(which), name.c_str(), 0, &value) < 0)
        return std::nullopt;
    return value;
}

}  // namespace quorvia::test
