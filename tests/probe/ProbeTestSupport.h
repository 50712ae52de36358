#pragma once
// Shared set-up of the prober tests: the engine's libraries bound once, and a
// capture of what a prober reports through the logger.
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/Loader.h"
#include "engine/Logger.h"

namespace quorvia::test {

class ProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError(); }
};

// Lines logged by one sender while the capture lives.
class LogCapture {
public:
    struct Line {
        TLogLevel level;
        std::string text;
    };

    explicit LogCapture(const void* sender) : sender_(sender)
    {
        FFLogger().SetTriggerEventInMainThread(false);
        FFLogger().SetOnLog([this](const void* s, uint32_t, TLogLevel level, const std::string& msg) {
            if (s != sender_) return;
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back({level, msg});
        });
    }
    ~LogCapture() { FFLogger().SetOnLog(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> Take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(lines_, {});
    }

private:
    const void* sender_;
    std::mutex mutex_;
    std::vector<Line> lines_;
};

}  // namespace quorvia::test
