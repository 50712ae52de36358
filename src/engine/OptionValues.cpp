#include "engine/OptionValues.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/parseutils.h>
}

#include "engine/FFmpegException.h"
#include "engine/OptionMessages.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Integer text as the option vocabulary accepts it; false when it is not one
// or does not fit between lo and hi.
bool ParseInteger(const std::string& value, int64_t lo, int64_t hi, int64_t& out)
{
    size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    int base = 10;
    if (i < value.size() && value[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= value.size()) return false;
    // Accumulate as a negative number so that the lowest value fits.
    int64_t acc = 0;
    for (; i < value.size(); ++i) {
        int digit = 0;
        const char c = value[i];
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        if (acc < (INT64_MIN + digit) / base) return false;
        acc = acc * base - digit;
    }
    if (!negative) {
        if (acc == INT64_MIN) return false;
        acc = -acc;
    }
    if (acc < lo || acc > hi) return false;
    out = acc;
    return true;
}

bool ParseFloating(const std::string& value, double& out)
{
    const std::string text = TrimText(value);
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
    if (first == last) return false;
    double d = 0;
    const auto [end, ec] = std::from_chars(first, last, d);
    if (ec != std::errc() || end != last || !std::isfinite(d)) return false;
    out = d;
    return true;
}

int ClampToInt(long v)
{
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// strtol with base 0 at p; moves p past the digits read.
int ReadLong(const char*& p)
{
    char* end = nullptr;
    const long v = std::strtol(p, &end, 0);
    p = end;
    return ClampToInt(v);
}

void SkipOne(const char*& p)
{
    if (*p) ++p;
}

int64_t ParseTime(const std::string& optionName, const std::string& value, bool duration)
{
    int64_t t = 0;
    if (av_parse_time(&t, value.c_str(), duration ? 1 : 0) < 0)
        throw FFmpegException(StrFormat(msg::InvalidTimeValue,
                                        duration ? msg::TimeKindDuration : msg::TimeKindDate,
                                        optionName.c_str(), value.c_str()));
    return t;
}

}  // namespace

std::string TrimText(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

bool OptionBool(const std::string& value) { return value != "0"; }

int OptionInt(const std::string& value)
{
    int64_t v = 0;
    if (!ParseInteger(value, INT_MIN, INT_MAX, v))
        throw FFmpegException(StrFormat(msg::NotValidInteger, value.c_str()));
    return static_cast<int>(v);
}

int64_t OptionInt64(const std::string& value)
{
    int64_t v = 0;
    if (!ParseInteger(value, INT64_MIN, INT64_MAX, v))
        throw FFmpegException(StrFormat(msg::NotValidInteger, value.c_str()));
    return v;
}

double OptionFloat(const std::string& value)
{
    double d = 0;
    if (!ParseFloating(value, d)) throw FFmpegException(StrFormat(msg::NotValidFloat, value.c_str()));
    return d;
}

int OptionIntDef(const std::string& value, int def)
{
    int64_t v = 0;
    return ParseInteger(value, INT_MIN, INT_MAX, v) ? static_cast<int>(v) : def;
}

double OptionFloatDef(const std::string& value, double def)
{
    double d = 0;
    return ParseFloating(value, d) ? d : def;
}

int64_t OptionDuration(const std::string& optionName, const std::string& value)
{
    return ParseTime(optionName, value, true);
}

int64_t OptionDate(const std::string& optionName, const std::string& value)
{
    return ParseTime(optionName, value, false);
}

TStreamMap ParseStreamMap(const std::string& value)
{
    const char* p = value.c_str();
    TStreamMap m;
    m.FileIndex = ReadLong(p);
    SkipOne(p);
    m.StreamIndex = ReadLong(p);
    if (*p) {
        SkipOne(p);
        m.SyncFileIndex = ReadLong(p);
        SkipOne(p);
        m.SyncStreamIndex = ReadLong(p);
    } else {
        m.SyncFileIndex = m.FileIndex;
        m.SyncStreamIndex = m.StreamIndex;
    }
    return m;
}

TMetaDataMap ParseMetaDataMap(const std::string& value)
{
    const char* p = value.c_str();
    TMetaDataMap m;
    m.OutFile = ReadLong(p);
    SkipOne(p);
    m.InFile = ReadLong(p);
    return m;
}

TStreamScale ParseStreamScale(const std::string& value)
{
    const char* p = value.c_str();
    TStreamScale s;
    char* end = nullptr;
    s.Stream = std::strtol(p, &end, 0);
    p = end;
    SkipOne(p);
    s.Scale = std::strtod(p, nullptr);
    return s;
}

double ParseAspect(const std::string& value)
{
    const size_t colon = value.find(':');
    if (colon == std::string::npos) return OptionFloatDef(value, 0);
    const int w = OptionIntDef(value.substr(0, colon), 0);
    const int h = OptionIntDef(value.substr(colon + 1), 0);
    if (h <= 0) return 0;
    return static_cast<double>(w) / h;
}

std::optional<uint32_t> ParseFourCC(const std::string& value)
{
    if (value.size() != 4) return std::nullopt;
    uint32_t tag = 0;
    for (int i = 3; i >= 0; --i) tag = (tag << 8) | static_cast<unsigned char>(value[i]);
    return tag;
}

TQuantMatrix ParseQuantMatrix(const std::string& value)
{
    long coeffs[64] = {};
    const char* p = value.c_str();
    for (int i = 0; i < 64; ++i) {
        coeffs[i] = std::strtol(p, nullptr, 10);
        if (i == 63) break;
        p = std::strchr(p, ',');
        if (!p) throw FFmpegException(StrFormat(msg::MatrixSyntax, value.c_str(), i));
        ++p;
    }
    TQuantMatrix m{};
    for (int i = 0; i < 64; ++i) {
        if (coeffs[i] < 1 || coeffs[i] > 65535)
            throw FFmpegException(StrFormat(msg::MatrixCoeffRange, value.c_str(), i));
        m[i] = static_cast<uint16_t>(coeffs[i]);
    }
    return m;
}

TStreamId ParseStreamId(const std::string& optionName, const std::string& value)
{
    const size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == value.size())
        throw FFmpegException(StrFormat(msg::StreamIdSyntax, value.c_str(), optionName.c_str()));
    TStreamId id;
    id.Index = OptionInt(value.substr(0, colon));
    id.Value = OptionInt(value.substr(colon + 1));
    return id;
}

std::optional<TBitstreamFilterSpec> ParseBitstreamFilter(const std::string& value)
{
    if (value.empty() || value[0] == '=') return std::nullopt;
    TBitstreamFilterSpec wanted;
    const size_t eq = value.find('=');
    if (eq == std::string::npos) {
        wanted.Name = value;
    } else {
        wanted.Name = value.substr(0, eq);
        wanted.Args = value.substr(eq + 1);
    }
    return wanted;
}

}  // namespace quorvia
