#pragma once
// One logger per process. Collects program messages of the engine, prober and
// player and the FFmpeg libraries' own log output, filters them by level and
// hands each line to OnLog (on the user-interface thread through the injected
// dispatcher when TriggerEventInMainThread is set).
//
// Threads: Log/LogFmt and the library callback may be called from any thread.
// The pending-line table is guarded by its own lock inside Logger.cpp; every
// delivery gets its own copy of the message record.
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

namespace quorvia {

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// Library numeric level <-> TLogLevel.
TLogLevel LibraryLevelToLogLevel(int libraryLevel);
int LogLevelToLibraryLevel(TLogLevel level);

struct TLogInfo {
    const void* Sender = nullptr;
    uint32_t ThreadID = 0;
    TLogLevel LogLevel = llInfo;
    std::string LogMsg;
};

using TLogEvent = std::function<void(const void* sender, uint32_t threadId, TLogLevel level,
                                     const std::string& msg)>;

class TFFLogger {
public:
    TFFLogger(const TFFLogger&) = delete;
    TFFLogger& operator=(const TFFLogger&) = delete;
    ~TFFLogger();

    TLogLevel LogLevel() const;
    // Also passes the converted level to the libraries once avutil is in use.
    void SetLogLevel(TLogLevel level);

    bool TriggerEventInMainThread() const;
    void SetTriggerEventInMainThread(bool value);

    void SetOnLog(TLogEvent handler);
    bool HasOnLog() const;

    void Log(const void* sender, TLogLevel level, const std::string& msg);
    void LogFmt(const void* sender, TLogLevel level, const char* fmt, ...)
        __attribute__((format(printf, 4, 5)));

    // Installs the library log callback and applies LogLevel (done once by the loader).
    void InstallLibraryCallback();
    bool LibraryCallbackInstalled() const;

    // The library log level (initially 32, AV_LOG_INFO).
    int LibraryLogLevel() const;

    // Entry point of the library log callback; public for tests.
    void LibraryMessage(void* avcl, int level, const char* fmt, va_list args);

    // Creates a second instance: always fails with
    // "Allow creating only one instance of TFFLogger."
    static void CreateAnother();

private:
    friend TFFLogger& FFLogger();
    TFFLogger();
    struct Impl;
    Impl* d;
};

// The process's logger, created on first use.
TFFLogger& FFLogger();

// Id of the calling thread as the logger tags it (the kernel thread id).
uint32_t CurrentThreadId();

// The "loglevel" option: a level name (quiet, panic, fatal, error, warning,
// info, verbose, debug; any case) or a decimal integer, as a library level.
// Throws FFmpegException "'%s' is not a valid integer value" otherwise.
int ParseLogLevelOption(const std::string& value);
// Parses as above and sets the logger's LogLevel; returns the level set.
TLogLevel ApplyLogLevelOption(const std::string& value);

}  // namespace quorvia
