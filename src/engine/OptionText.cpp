#include "engine/OptionText.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "engine/CustomFFmpeg.h"
#include "engine/OptionValues.h"

namespace quorvia {

namespace {

// CR LF, CR, LF and the literal "<CRLF>" all become LF (one pass: the
// literal holds no line break, so the order of the two rules does not matter).
std::string NormaliseLineBreaks(const std::string& text)
{
    static constexpr std::string_view kCrLf = "<CRLF>";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (std::string_view(text).substr(i, kCrLf.size()) == kCrLf) {
            out += '\n';
            i += kCrLf.size() - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Handled when an output record is applied, never here.
bool SkippedName(const std::string& name)
{
    static const char* const kSkipped[] = {"newvideo", "newaudio", "newsubtitle", "apre",
                                           "vpre",     "spre",     "vfilters",    "vf"};
    return std::any_of(std::begin(kSkipped), std::end(kSkipped),
                       [&](const char* s) { return name == s; });
}

bool CodecSelectionName(const std::string& name)
{
    return name == "acodec" || name == "vcodec" || name == "scodec" || name == "s";
}

}  // namespace

std::vector<TOptionLine> SplitOptionText(const std::string& text)
{
    std::vector<TOptionLine> lines;
    const std::string rest = NormaliseLineBreaks(TrimText(text));
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('\n', start);
        if (end == std::string::npos) end = rest.size();
        const std::string line = rest.substr(start, end - start);
        start = end + 1;

        TOptionLine entry;
        const size_t eq = line.find('=');
        entry.Name = line.substr(0, eq);
        if (eq != std::string::npos) entry.Value = line.substr(eq + 1);
        std::transform(entry.Name.begin(), entry.Name.end(), entry.Name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        lines.push_back(std::move(entry));
    }
    return lines;
}

void TCustomFFmpeg::ParseOptionText(const std::string& text, bool includeCodecOptions)
{
    for (const TOptionLine& line : SplitOptionText(text)) {
        if (SkippedName(line.Name)) continue;
        if (CodecSelectionName(line.Name) && !includeCodecOptions) continue;
        SetOption(line.Name, line.Value);
    }
}

}  // namespace quorvia
