#pragma once
// printf-style formatting into a std::string of the needed length.
#include <cstdarg>
#include <string>

namespace quorvia {

std::string StrFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string VStrFormat(const char* fmt, va_list args);

}  // namespace quorvia
