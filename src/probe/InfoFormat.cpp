#include "probe/InfoFormat.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string_view>

extern "C" {
#include <libavutil/avutil.h>
}

#include "engine/TextFormat.h"
#include "probe/ProbeMessages.h"

namespace quorvia {

std::string FormatFileSize(int64_t bytes)
{
    constexpr int64_t kKB = 1024, kMB = 1048576, kGB = 1073741824;
    if (bytes <= kKB) return StrFormat(msg::probe::SizeBytes, static_cast<int>(bytes));
    if (bytes <= kMB) return StrFormat(msg::probe::SizeKB, static_cast<double>(bytes) / kKB);
    if (bytes <= kGB) return StrFormat(msg::probe::SizeMB, static_cast<double>(bytes) / kMB);
    return StrFormat(msg::probe::SizeGB, static_cast<double>(bytes) / kGB);
}

std::string FormatDuration(int64_t us)
{
    if (us == AV_NOPTS_VALUE || us < 0) return msg::probe::NotAvailable;
    const int64_t ms = us / 1000;
    return StrFormat(msg::probe::TimeFormat, static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                     static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
}

std::string FormatSeconds(int64_t us)
{
    // Whole seconds and the remainder carry the sign once, so -0.5 s is not shown as 0.5.
    const int64_t magnitude = us < 0 ? -us : us;
    const std::string text = StrFormat(msg::probe::SecondsFormat, static_cast<int>(magnitude / AV_TIME_BASE),
                                       static_cast<int>(magnitude % AV_TIME_BASE));
    return us < 0 ? "-" + text : text;
}

std::string FormatTimeStamp(int64_t unixSeconds)
{
    // The C library's local time, summer time included.
    const time_t t = static_cast<time_t>(unixSeconds);
    struct tm local {};
    if (!localtime_r(&t, &local)) return msg::probe::NotAvailable;
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string FormatRate(double value, const char* unit)
{
    const long long hundredths = std::llround(value * 100);
    if (hundredths % 100) return StrFormat(msg::probe::RateFraction, value, unit);
    if (hundredths % (100 * 1000)) return StrFormat(msg::probe::RateWhole, value, unit);
    return StrFormat(msg::probe::RateThousands, value / 1000, unit);
}

std::string TagDisplayName(const std::string& key)
{
    struct Row {
        std::string_view key, shown;
    };
    static constexpr Row kRows[] = {
        {"TALB", "album"},    {"TAL", "album"},        {"TCOM", "composer"},   {"TCON", "genre"},
        {"TCO", "genre"},     {"TCOP", "copyright"},   {"TDRL", "date"},       {"TENC", "encoder"},
        {"TEN", "encoder"},   {"TIT2", "title"},       {"TT2", "title"},       {"TLAN", "language"},
        {"TPE1", "artist"},   {"TP1", "artist"},       {"TPOS", "disc"},       {"TPUB", "publisher"},
        {"TRCK", "track"},    {"TRK", "track"},        {"TSOA", "albumsort"},  {"TSOP", "authorsort"},
        {"TSOT", "titlesort"}, {"TYER", "year"},
    };
    for (const Row& row : kRows)
        if (row.key == key) return std::string(row.shown);
    return key;
}

}  // namespace quorvia
