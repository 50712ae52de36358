#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "app/Dispatcher.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"

namespace quorvia {
namespace {

struct Delivered {
    const void* sender;
    uint32_t threadId;
    TLogLevel level;
    std::string msg;
    std::thread::id ranOn;
};

// Captures what the logger delivers and puts the process's logger back as it was.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedLevel_ = FFLogger().LogLevel();
        savedTrigger_ = FFLogger().TriggerEventInMainThread();
        savedDispatcher_ = MainDispatcher();
        FFLogger().SetOnLog([this](const void* sender, uint32_t id, TLogLevel level, const std::string& msg) {
            std::lock_guard lock(mutex_);
            delivered_.push_back({sender, id, level, msg, std::this_thread::get_id()});
        });
    }
    void TearDown() override
    {
        FFLogger().SetOnLog(nullptr);
        FFLogger().SetLogLevel(savedLevel_);
        FFLogger().SetTriggerEventInMainThread(savedTrigger_);
        SetMainDispatcher(savedDispatcher_);
    }
    std::vector<Delivered> Take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(delivered_, {});
    }

    std::mutex mutex_;
    std::vector<Delivered> delivered_;

private:
    TLogLevel savedLevel_ = llInfo;
    bool savedTrigger_ = true;
    std::shared_ptr<IDispatcher> savedDispatcher_;
};

// Library output goes through the installed callback, as after loading avutil.
class LibraryLogTest : public LoggerTest {
protected:
    void SetUp() override
    {
        LoggerTest::SetUp();
        FFLogger().InstallLibraryCallback();
    }
};

TEST(LogLevelMapping, LibraryLevelsToLogLevels)
{
    const struct {
        int library;
        TLogLevel expected;
    } cases[] = {
        {-100, llQuiet}, {-8, llQuiet}, {-1, llQuiet}, {0, llPanic}, {7, llPanic}, {8, llFatal},
        {16, llError}, {20, llError}, {24, llWarning}, {31, llWarning}, {32, llInfo},
        {40, llVerbose}, {47, llVerbose}, {48, llDebug}, {56, llDebug}, {1000, llDebug},
    };
    for (const auto& c : cases) EXPECT_EQ(LibraryLevelToLogLevel(c.library), c.expected) << c.library;
}

TEST(LogLevelMapping, LogLevelsToLibraryLevelsAndBack)
{
    const int expected[] = {-8, 0, 8, 16, 24, 32, 40, 48};
    for (int n = llQuiet; n <= llDebug; ++n) {
        const auto level = static_cast<TLogLevel>(n);
        EXPECT_EQ(LogLevelToLibraryLevel(level), expected[n]);
        EXPECT_EQ(LibraryLevelToLogLevel(LogLevelToLibraryLevel(level)), level);
    }
}

TEST_F(LoggerTest, DeliveryFollowsLogLevelAndVerboseRule)
{
    const struct {
        TLogLevel logLevel;
        TLogLevel msgLevel;
        bool delivered;
    } cases[] = {
        {llWarning, llWarning, true}, {llWarning, llError, true}, {llWarning, llInfo, false},
        {llWarning, llVerbose, true}, {llWarning, llDebug, false}, {llPanic, llVerbose, true},
        {llQuiet, llVerbose, false},  {llQuiet, llPanic, false},   {llDebug, llDebug, true},
        {llInfo, llDebug, false},
    };
    for (const auto& c : cases) {
        FFLogger().SetLogLevel(c.logLevel);
        int sender = 0;
        FFLogger().Log(&sender, c.msgLevel, "message");
        const auto got = Take();
        ASSERT_EQ(got.size(), c.delivered ? 1u : 0u) << c.logLevel << " / " << c.msgLevel;
        if (c.delivered) {
            EXPECT_EQ(got[0].sender, &sender);
            EXPECT_EQ(got[0].level, c.msgLevel);
            EXPECT_EQ(got[0].msg, "message");
            EXPECT_EQ(got[0].threadId, CurrentThreadId());
        }
    }
}

TEST_F(LoggerTest, LogFmtFormatsLongTextsWhole)
{
    FFLogger().SetLogLevel(llInfo);
    const std::string longText(5000, 'x');
    FFLogger().LogFmt(nullptr, llInfo, "%s: %d %s", "open", 42, longText.c_str());
    const auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msg, "open: 42 " + longText);
}

TEST(Logger, OneInstancePerProcess)
{
    TFFLogger& first = FFLogger();
    EXPECT_EQ(&first, &FFLogger());
    try {
        TFFLogger::CreateAnother();
        FAIL() << "a second logger was created";
    } catch (const FFmpegException& e) {
        EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
    }
}

TEST_F(LibraryLogTest, PartsOfOneThreadJoinIntoOneLineWithOnePrefix)
{
    FFLogger().SetLogLevel(llInfo);
    AVCodecContext* ctx = avcodec_alloc_context3(avcodec_find_decoder(AV_CODEC_ID_MPEG4));
    ASSERT_NE(ctx, nullptr);
    av_log(ctx, AV_LOG_WARNING, "abc");
    EXPECT_TRUE(Take().empty());
    av_log(ctx, AV_LOG_INFO, "def\n");
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "[mpeg4 @ %p]", static_cast<void*>(ctx));
    avcodec_free_context(&ctx);

    const auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msg, std::string(prefix) + "abcdef");
    EXPECT_EQ(got[0].sender, &FFLogger());
    EXPECT_EQ(got[0].threadId, CurrentThreadId());
    EXPECT_EQ(got[0].level, llInfo);  // the level of the part that ended the line
}

TEST_F(LibraryLogTest, SplitsLinesAndKeepsTheRestPending)
{
    FFLogger().SetLogLevel(llInfo);
    av_log(nullptr, AV_LOG_ERROR, "one\ntwo\n\nthr");
    av_log(nullptr, AV_LOG_ERROR, "ee\n");
    std::vector<std::string> lines;
    for (const auto& d : Take()) lines.push_back(d.msg);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"}));
}

TEST_F(LibraryLogTest, LongMessageKeepsItsLineEnd)
{
    FFLogger().SetLogLevel(llInfo);
    const std::string longText(3000, 'y');
    av_log(nullptr, AV_LOG_ERROR, "%s\n", longText.c_str());
    av_log(nullptr, AV_LOG_ERROR, "next\n");
    const auto got = Take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].msg, longText);
    EXPECT_EQ(got[1].msg, "next");
}

TEST_F(LibraryLogTest, LibraryLevelFollowsLogLevel)
{
    FFLogger().SetLogLevel(llWarning);
    EXPECT_EQ(av_log_get_level(), AV_LOG_WARNING);
    EXPECT_EQ(FFLogger().LibraryLogLevel(), AV_LOG_WARNING);
    av_log(nullptr, AV_LOG_INFO, "dropped\n");
    av_log(nullptr, AV_LOG_VERBOSE, "dropped too\n");
    av_log(nullptr, AV_LOG_WARNING, "kept\n");
    const auto got = Take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].msg, "kept");
    EXPECT_EQ(got[0].level, llWarning);

    FFLogger().SetLogLevel(llDebug);
    EXPECT_EQ(av_log_get_level(), AV_LOG_DEBUG);
}

TEST_F(LibraryLogTest, ThreadsNeverMixWithinALine)
{
    FFLogger().SetLogLevel(llInfo);
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    std::vector<uint32_t> ids(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &ids, &ready] {
            ids[t] = CurrentThreadId();
            // Start together and yield between the parts so that they interleave.
            ++ready;
            while (ready < kThreads) std::this_thread::yield();
            for (int i = 0; i < kLines; ++i) {
                av_log(nullptr, AV_LOG_ERROR, "t%d-", t);
                std::this_thread::yield();
                av_log(nullptr, AV_LOG_ERROR, "part-");
                std::this_thread::yield();
                av_log(nullptr, AV_LOG_ERROR, "%d\n", i);
            }
        });
    }
    for (auto& th : threads) th.join();

    std::vector<int> next(kThreads, 0);
    const auto got = Take();
    ASSERT_EQ(got.size(), static_cast<size_t>(kThreads * kLines));
    for (const auto& d : got) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(d.msg.c_str(), "t%d-part-%d", &t, &i), 2) << d.msg;
        ASSERT_TRUE(t >= 0 && t < kThreads) << d.msg;
        EXPECT_EQ(d.msg, "t" + std::to_string(t) + "-part-" + std::to_string(next[t])) << "mixed or out of order";
        EXPECT_EQ(d.threadId, ids[t]);
        ++next[t];
    }
}

// Stands in for the user-interface thread: calls from other threads queue
// here and wait until the test's thread runs them.
class QueueDispatcher : public IDispatcher {
public:
    bool IsMainThread() const override { return std::this_thread::get_id() == main_; }
    void RunAndWait(const std::function<void()>& fn) override
    {
        if (IsMainThread()) return fn();
        bool done = false;
        std::unique_lock lock(mutex_);
        queue_.push_back([&] {
            fn();
            std::lock_guard inner(mutex_);
            done = true;
        });
        cv_.notify_all();
        cv_.wait(lock, [&] { return done; });
    }
    // Runs queued calls until stop() is true (or a generous deadline passes).
    void Pump(const std::function<bool()>& stop)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!stop() && std::chrono::steady_clock::now() < deadline) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                cv_.wait_for(lock, std::chrono::milliseconds(10), [&] { return !queue_.empty(); });
                if (queue_.empty()) continue;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
            cv_.notify_all();
        }
    }

private:
    std::thread::id main_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
};

TEST_F(LibraryLogTest, HandlerRunsOnMainThreadOnlyWhenAsked)
{
    auto dispatcher = std::make_shared<QueueDispatcher>();
    SetMainDispatcher(dispatcher);
    FFLogger().SetLogLevel(llInfo);

    for (bool trigger : {true, false}) {
        FFLogger().SetTriggerEventInMainThread(trigger);
        std::atomic<bool> finished{false};
        std::thread::id worker;
        std::thread th([&] {
            worker = std::this_thread::get_id();
            FFLogger().Log(nullptr, llError, "from worker");
            av_log(nullptr, AV_LOG_ERROR, "library line\n");
            finished = true;
        });
        dispatcher->Pump([&] { return finished.load(); });
        th.join();
        ASSERT_TRUE(finished);
        const auto got = Take();
        ASSERT_EQ(got.size(), 2u);
        for (const auto& d : got)
            EXPECT_EQ(d.ranOn, trigger ? std::this_thread::get_id() : worker) << d.msg;
    }
}

TEST_F(LibraryLogTest, WithoutHandlerNothingIsDeliveredOrPrinted)
{
    FFLogger().SetOnLog(nullptr);
    FFLogger().SetLogLevel(llDebug);

    // Watch the process's stderr while the libraries and the program log.
    char path[] = "/tmp/quorvia-stderr-XXXXXX";
    const int capture = ::mkstemp(path);
    ASSERT_GE(capture, 0);
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(capture, STDERR_FILENO);
    av_log(nullptr, AV_LOG_ERROR, "library error\n");
    av_log(nullptr, AV_LOG_PANIC, "library panic\n");
    FFLogger().Log(nullptr, llError, "program error");
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    const off_t size = ::lseek(capture, 0, SEEK_END);
    ::close(capture);
    ::unlink(path);

    EXPECT_EQ(size, 0);
    EXPECT_FALSE(FFLogger().HasOnLog());
    EXPECT_TRUE(Take().empty());
}

TEST_F(LoggerTest, LogLevelOptionValues)
{
    const struct {
        const char* value;
        int library;
        TLogLevel level;
    } cases[] = {
        {"quiet", -8, llQuiet},   {"panic", 0, llPanic},     {"fatal", 8, llFatal},
        {"error", 16, llError},   {"ERROR", 16, llError},    {"Warning", 24, llWarning},
        {"info", 32, llInfo},     {"verbose", 40, llVerbose}, {"debug", 48, llDebug},
        {"24", 24, llWarning},    {"20", 20, llError},       {"-8", -8, llQuiet},
        {"+32", 32, llInfo},      {"56", 56, llDebug},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLogLevelOption(c.value), c.library) << c.value;
        EXPECT_EQ(ApplyLogLevelOption(c.value), c.level) << c.value;
        EXPECT_EQ(FFLogger().LogLevel(), c.level) << c.value;
    }
}

TEST_F(LoggerTest, LogLevelOptionRejectsBadNumbers)
{
    FFLogger().SetLogLevel(llInfo);
    for (const char* bad : {"", "abc", "2x", " 24", "+-5", "1.5", "99999999999", "trace"}) {
        try {
            ApplyLogLevelOption(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const FFmpegException& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
        EXPECT_EQ(FFLogger().LogLevel(), llInfo) << bad;
    }
}

}  // namespace
}  // namespace quorvia
