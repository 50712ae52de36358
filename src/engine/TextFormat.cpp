#include "engine/TextFormat.h"

#include <cstdio>

namespace quorvia {

std::string VStrFormat(const char* fmt, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (needed <= 0) return {};
    std::string out(static_cast<size_t>(needed), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string StrFormat(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string out = VStrFormat(fmt, args);
    va_end(args);
    return out;
}

}  // namespace quorvia
