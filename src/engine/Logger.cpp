#include "engine/Logger.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <unordered_map>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "app/Dispatcher.h"
#include "engine/BindingMessages.h"
#include "engine/FFmpegException.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

std::atomic<bool> g_loggerCreated{false};

// Size of the buffer a library message is formatted into; longer messages
// are formatted again at full length so that their line end is not lost.
constexpr size_t kLibraryMessageBuffer = 2048;

void LibraryCallback(void* avcl, int level, const char* fmt, va_list args)
{
    FFLogger().LibraryMessage(avcl, level, fmt, args);
}

std::string ContextPrefix(void* avcl)
{
    if (!avcl) return {};
    const AVClass* avc = *static_cast<const AVClass* const*>(avcl);
    if (!avc) return {};
    const char* name = avc->item_name ? avc->item_name(avcl) : avc->class_name;
    return StrFormat(msg::LogPrefix, name ? name : "", avcl);
}

}  // namespace

struct TFFLogger::Impl {
    std::atomic<TLogLevel> logLevel{LibraryLevelToLogLevel(AV_LOG_INFO)};
    std::atomic<bool> triggerInMainThread{true};
    std::atomic<int> libraryLevel{AV_LOG_INFO};
    std::atomic<bool> installed{false};

    mutable std::mutex handlerLock;
    std::shared_ptr<const TLogEvent> onLog;  // guarded by handlerLock

    // TLogList: pending text per thread that has produced library output.
    std::mutex listLock;
    std::unordered_map<uint32_t, std::string> pending;  // guarded by listLock

    std::shared_ptr<const TLogEvent> Handler() const
    {
        std::lock_guard lock(handlerLock);
        return onLog;
    }

    // Each delivery owns its record, so concurrent loggers never share one.
    void Deliver(const TLogInfo& info) const
    {
        const auto handler = Handler();
        if (!handler) return;
        const auto dispatcher = MainDispatcher();
        if (triggerInMainThread && !dispatcher->IsMainThread())
            dispatcher->RunAndWait(
                [&] { (*handler)(info.Sender, info.ThreadID, info.LogLevel, info.LogMsg); });
        else
            (*handler)(info.Sender, info.ThreadID, info.LogLevel, info.LogMsg);
    }
};

uint32_t CurrentThreadId()
{
    thread_local const uint32_t id = static_cast<uint32_t>(::gettid());
    return id;
}

TFFLogger::TFFLogger()
{
    if (g_loggerCreated.exchange(true)) throw FFmpegException(msg::OnlyOneLogger);
    d = new Impl;
}

TFFLogger::~TFFLogger()
{
    delete d;
}

void TFFLogger::CreateAnother()
{
    FFLogger();
    TFFLogger another;  // always throws: the process's logger exists
}

TFFLogger& FFLogger()
{
    // Never destroyed: the library callback may run until the process ends.
    static TFFLogger* const instance = new TFFLogger();
    return *instance;
}

TLogLevel TFFLogger::LogLevel() const
{
    return d->logLevel;
}

void TFFLogger::SetLogLevel(TLogLevel level)
{
    const TLogLevel previous = d->logLevel.exchange(level);
    if (previous != level && d->installed) {
        d->libraryLevel = LogLevelToLibraryLevel(level);
        av_log_set_level(d->libraryLevel);
    }
}

bool TFFLogger::TriggerEventInMainThread() const
{
    return d->triggerInMainThread;
}

void TFFLogger::SetTriggerEventInMainThread(bool value)
{
    d->triggerInMainThread = value;
}

void TFFLogger::SetOnLog(TLogEvent handler)
{
    auto shared = handler ? std::make_shared<const TLogEvent>(std::move(handler)) : nullptr;
    std::lock_guard lock(d->handlerLock);
    d->onLog = std::move(shared);
}

bool TFFLogger::HasOnLog() const
{
    return d->Handler() != nullptr;
}

void TFFLogger::Log(const void* sender, TLogLevel level, const std::string& msg)
{
    if (!HasOnLog()) return;
    const TLogLevel current = d->logLevel;
    if (!(current >= level || (level == llVerbose && current != llQuiet))) return;
    d->Deliver(TLogInfo{sender, CurrentThreadId(), level, msg});
}

void TFFLogger::LogFmt(const void* sender, TLogLevel level, const char* fmt, ...)
{
    if (!HasOnLog()) return;
    va_list args;
    va_start(args, fmt);
    std::string text = VStrFormat(fmt, args);
    va_end(args);
    Log(sender, level, text);
}

void TFFLogger::InstallLibraryCallback()
{
    av_log_set_callback(&LibraryCallback);
    d->libraryLevel = LogLevelToLibraryLevel(d->logLevel);
    av_log_set_level(d->libraryLevel);
    d->installed = true;
}

bool TFFLogger::LibraryCallbackInstalled() const
{
    return d->installed;
}

int TFFLogger::LibraryLogLevel() const
{
    return d->libraryLevel;
}

void TFFLogger::LibraryMessage(void* avcl, int level, const char* fmt, va_list args)
{
    if (level >= 0) level &= 0xff;  // strip the colour bits some callers add
    if (level > d->libraryLevel || !fmt) return;

    const std::string prefix = ContextPrefix(avcl);
    char buffer[kLibraryMessageBuffer] = {};
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    std::string text;
    if (length >= static_cast<int>(sizeof buffer))
        text = VStrFormat(fmt, again);
    else if (length > 0)
        text.assign(buffer, static_cast<size_t>(length));
    va_end(again);

    const uint32_t threadId = CurrentThreadId();
    std::vector<std::string> lines;
    {
        std::lock_guard lock(d->listLock);
        std::string& item = d->pending[threadId];
        if (item.empty())
            item = prefix + text;
        else
            item += text;
        for (size_t end; (end = item.find('\n')) != std::string::npos;) {
            lines.push_back(item.substr(0, end));
            item.erase(0, end + 1);
        }
        if (item.empty()) d->pending.erase(threadId);
    }
    // Delivered outside the lock: a handler that waits for the main thread
    // must not keep other threads' library output waiting.
    const TLogLevel logLevel = LibraryLevelToLogLevel(level);
    for (auto& line : lines) d->Deliver(TLogInfo{this, threadId, logLevel, std::move(line)});
}

}  // namespace quorvia
