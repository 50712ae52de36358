#include "jobs/NumberText.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "jobs/OptionBuilderMessages.h"

namespace quorvia {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c)
{
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

size_t SkipBlanks(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return i;
}

}  // namespace

std::optional<int> IntegerValue(const std::string& text)
{
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;
    // Magnitude limit: INT_MAX, or one more for a negative value.
    const int64_t limit = negative ? int64_t(INT_MAX) + 1 : INT_MAX;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int d = base == 16 ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (d < 0) return std::nullopt;
        value = value * base + d;
        if (value > limit) return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsInteger(const std::string& text) { return IntegerValue(text).has_value(); }

std::optional<long double> NumberValue(const std::string& text)
{
    if (const auto v = IntegerValue(text)) return static_cast<long double>(*v);
    size_t i = SkipBlanks(text);
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < text.size() && IsDigit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    // from_chars: "." whatever the process locale is (Qt sets the user's);
    // it takes no "+" sign.
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    long double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || end != last) return std::nullopt;
    return v;
}

bool IsNumber(const std::string& text) { return NumberValue(text).has_value(); }

int StrToInt(const std::string& text)
{
    if (const auto v = IntegerValue(text)) return *v;
    const int size = std::snprintf(nullptr, 0, msg::NotAnIntegerValue, text.c_str());
    std::string message(size > 0 ? size : 0, '\0');
    std::snprintf(message.data(), message.size() + 1, msg::NotAnIntegerValue, text.c_str());
    throw EConvertError(message);
}

std::string TrimBlanks(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

std::string LowerCase(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace quorvia
