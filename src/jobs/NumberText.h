#pragma once
// The number tests of profile values. An integer is the whole text as a
// 32-bit integer: optional leading blanks, an optional sign, then decimal
// digits, or hexadecimal digits after "$", "x", "X" or "0x". A number is an
// integer or the whole text as a decimal number (leading blanks, sign,
// digits with "." as the separator, an optional exponent). The empty text is
// neither.
#include <optional>
#include <stdexcept>
#include <string>

namespace quorvia {

// The conversion error of a text that must be an integer. Not an engine
// failure: the error handler shows it as a plain error.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::optional<int> IntegerValue(const std::string& text);
bool IsInteger(const std::string& text);

// Integers convert exactly; the rest with the long double parser (the
// extended precision keeps "1.005" x 1000 at 1005).
std::optional<long double> NumberValue(const std::string& text);
bool IsNumber(const std::string& text);

// The integer value; throws EConvertError "'%s' is not a valid integer value".
int StrToInt(const std::string& text);

// Blanks and control characters removed from both ends.
std::string TrimBlanks(const std::string& text);
std::string LowerCase(std::string text);

}  // namespace quorvia
