#pragma once
// Value kinds of the options and the parsers of structured option values.
// Pure functions: they read text and either return the value or throw
// FFmpegException with the option's failure text. The dispatcher decides
// where the results go.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/OptionState.h"

namespace quorvia {

// bool: true unless the value is exactly "0" (empty is true).
bool OptionBool(const std::string& value);
// int / int64: decimal (or "$"/"0x" hexadecimal), optional sign, leading
// blanks allowed, nothing after the number.
// Throws "'%s' is not a valid integer value".
int OptionInt(const std::string& value);
int64_t OptionInt64(const std::string& value);
// float: a decimal number ("." separator, exponent allowed), surrounding
// blanks allowed, finite. Throws "'%s' is not a valid floating point value".
double OptionFloat(const std::string& value);
// Without throwing: the default when the text is not a number.
int OptionIntDef(const std::string& value, int def);
double OptionFloatDef(const std::string& value, double def);
// duration/date via av_parse_time; a value it cannot read throws the
// invalid-time message of OptionMessages.h.
int64_t OptionDuration(const std::string& optionName, const std::string& value);
int64_t OptionDate(const std::string& optionName, const std::string& value);

// "F.S[:SF.SS]" (strtol base 0 per number, one separator character each).
TStreamMap ParseStreamMap(const std::string& value);
// "O:I".
TMetaDataMap ParseMetaDataMap(const std::string& value);

struct TStreamScale {
    long Stream = 0;
    double Scale = 0;
};
// "S:X" (strtol base 0, strtod).
TStreamScale ParseStreamScale(const std::string& value);

// "W:H" or a number; 0 when it gives nothing usable (H <= 0, not a number).
double ParseAspect(const std::string& value);

// Four characters as a little-endian code (first character lowest);
// nullopt when the value is not exactly four bytes.
std::optional<uint32_t> ParseFourCC(const std::string& value);

// 64 comma-separated coefficients. Throws "Syntax error in matrix "%s" at
// coeff %d" when a comma is missing, or the coefficient range text when an
// entry is 0 or does not fit 16 bits (it would reach the encoder as a divisor).
TQuantMatrix ParseQuantMatrix(const std::string& value);

struct TStreamId {
    int Index = 0;
    int Value = 0;
};
// "index:value"; both parts required (syntax text names optionName),
// both integers. Range of Index is checked by the caller.
TStreamId ParseStreamId(const std::string& optionName, const std::string& value);

// "name[=args]": the name is the part before the first "=" when that "=" is
// at the second character or later. nullopt for an empty value or one that
// begins with "=". The name is not checked here.
std::optional<TBitstreamFilterSpec> ParseBitstreamFilter(const std::string& value);

// Leading and trailing blanks (spaces and control characters) removed.
std::string TrimText(const std::string& text);

}  // namespace quorvia
