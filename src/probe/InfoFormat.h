#pragma once
// Pieces of the prober's description text, kept apart so each rule can be
// checked on its own.
#include <cstdint>
#include <string>

namespace quorvia {

// "1024 Byte", "1.00 KB", "1024.00 KB", "1.50 MB", "2.00 GB".
std::string FormatFileSize(int64_t bytes);

// Microseconds as "hh:mm:ss.mmm"; "N/A" when missing (AV_NOPTS_VALUE) or negative.
std::string FormatDuration(int64_t us);

// Microseconds as seconds with six decimals ("1.500000", "-0.021333").
std::string FormatSeconds(int64_t us);

// Unix seconds as local "yyyy-mm-dd hh:nn:ss".
std::string FormatTimeStamp(int64_t unixSeconds);

// A rate with its unit as the stream line writes it: ", 29.97 fps", ", 25 tbr", ", 90k tbn".
std::string FormatRate(double value, const char* unit);

// The name a tag key is shown under ("TIT2" -> "title"); other keys as they are.
std::string TagDisplayName(const std::string& key);

}  // namespace quorvia
