#pragma once
// Helpers of the input opening, output creation and codec check tests.
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include "engine/Logger.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace quorvia::test {

// Collects what the logger delivers while it lives; keeps the library's own
// console output down to errors.
class FileLogCapture {
public:
    FileLogCapture()
    {
        savedLevel_ = FFLogger().LogLevel();
        savedTrigger_ = FFLogger().TriggerEventInMainThread();
        savedLibraryLevel_ = av_log_get_level();
        av_log_set_level(AV_LOG_ERROR);
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetLogLevel(llDebug);
        FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& msg) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(level, msg);
        });
    }
    ~FileLogCapture()
    {
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetLogLevel(savedLevel_);
        FFLogger().SetTriggerEventInMainThread(savedTrigger_);
        av_log_set_level(savedLibraryLevel_);
    }
    FileLogCapture(const FileLogCapture&) = delete;
    FileLogCapture& operator=(const FileLogCapture&) = delete;

    bool Has(TLogLevel level, const std::string& text)
    {
        std::lock_guard lock(mutex_);
        for (const auto& [l, m] : lines_)
            if (l == level && m == text) return true;
        return false;
    }
    int CountContaining(const std::string& part)
    {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& line : lines_) n += line.second.find(part) != std::string::npos;
        return n;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<TLogLevel, std::string>> lines_;
    TLogLevel savedLevel_ = llInfo;
    bool savedTrigger_ = true;
    int savedLibraryLevel_ = AV_LOG_INFO;
};

// Makes a clip with the ffmpeg tool (arguments before the output name).
inline std::string MakeClip(const TempDir& dir, const std::string& name, const std::string& args)
{
    const std::string path = dir.file(name);
    std::string out;
    const int rc = RunCommand("ffmpeg -nostdin -y -v error " + args + " " + ShellQuote(path), &out);
    if (rc != 0) throw std::runtime_error("cannot make clip " + name + ": " + out);
    return path;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace quorvia::test
