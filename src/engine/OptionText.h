#pragma once
// Line splitting of option text ("name=value" per line), shared by
// ParseOptionText and the output record's scan of its ExtOptions.
#include <string>
#include <vector>

namespace quorvia {

struct TOptionLine {
    std::string Name;   // lower-cased
    std::string Value;  // as it stands, not trimmed
};

// Trims the text, turns CR LF / CR / LF and the literal "<CRLF>" into line
// breaks and cuts every line at its first "=". Names are lower-cased; a line
// without "=" is a name with an empty value; an empty line gives an empty name.
std::vector<TOptionLine> SplitOptionText(const std::string& text);

}  // namespace quorvia
