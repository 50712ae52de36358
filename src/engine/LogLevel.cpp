// Level mapping between the libraries' numbers and TLogLevel, and the
// "loglevel" option value.
#include <charconv>
#include <strings.h>

#include "engine/BindingMessages.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"

namespace quorvia {

TLogLevel LibraryLevelToLogLevel(int libraryLevel)
{
    // Each TLogLevel covers one band of eight library levels starting at -8
    // (quiet); everything below panic is quiet, everything from 48 on debug.
    if (libraryLevel < 0) return llQuiet;
    if (libraryLevel < 48) return static_cast<TLogLevel>(libraryLevel / 8 + 1);
    return llDebug;
}

int LogLevelToLibraryLevel(TLogLevel level)
{
    return (static_cast<int>(level) - 1) * 8;
}

int ParseLogLevelOption(const std::string& value)
{
    static constexpr struct {
        const char* name;
        int level;
    } kNames[] = {
        {"quiet", -8}, {"panic", 0}, {"fatal", 8}, {"error", 16},
        {"warning", 24}, {"info", 32}, {"verbose", 40}, {"debug", 48},
    };
    for (const auto& entry : kNames)
        if (::strcasecmp(value.c_str(), entry.name) == 0) return entry.level;

    const char* first = value.data();
    const char* last = first + value.size();
    if (last - first > 1 && first[0] == '+' && first[1] != '-') ++first;
    int number = 0;
    const auto [end, ec] = std::from_chars(first, last, number);
    if (first == last || ec != std::errc() || end != last)
        throw FFmpegException(StrFormat(msg::NotValidInteger, value.c_str()));
    return number;
}

TLogLevel ApplyLogLevelOption(const std::string& value)
{
    const TLogLevel level = LibraryLevelToLogLevel(ParseLogLevelOption(value));
    FFLogger().SetLogLevel(level);
    return level;
}

}  // namespace quorvia
