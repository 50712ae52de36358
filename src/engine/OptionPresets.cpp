#include "engine/OptionPresets.h"

#include <strings.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/OptionPresetTable.h"
#include "engine/PresetMessages.h"
#include "engine/TextFormat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace quorvia {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& s)
{
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

std::string NormaliseLineBreaks(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The whole file as preset text; nothing when no regular file can be read.
std::optional<std::string> ReadPresetFile(const std::string& name)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return std::nullopt;
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsCodecKey(const std::string& key)
{
    return ::strcasecmp(key.c_str(), "acodec") == 0 || ::strcasecmp(key.c_str(), "vcodec") == 0 ||
           ::strcasecmp(key.c_str(), "scodec") == 0;
}

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// A codec flags value naming a constant the installed libraries no longer
// have (e.g. "flags2=+wpred"). Such a built-in line is refused here, before
// the libraries would report it as an error.
bool NamesVanishedFlag(const std::string& key, const std::string& value)
{
    const AVClass* cls = avcodec_get_class();
    const AVOption* option = av_opt_find(&cls, Trim(key).c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
    if (!option || option->type != AV_OPT_TYPE_FLAGS || !option->unit) return false;
    const std::string flags = Trim(value);
    size_t pos = 0;
    while (pos < flags.size()) {
        if (flags[pos] == '+' || flags[pos] == '-') ++pos;
        const size_t end = flags.find_first_of("+-", pos);
        const std::string token = flags.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? flags.size() : end;
        if (token.empty() || (token[0] >= '0' && token[0] <= '9')) continue;
        const AVOption* constant = av_opt_find(&cls, token.c_str(), option->unit, 0, AV_OPT_SEARCH_FAKE_OBJ);
        if (!constant || constant->type != AV_OPT_TYPE_CONST) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> PresetTextLines(const std::string& text)
{
    std::vector<std::string> lines;
    const std::string all = NormaliseLineBreaks(Trim(text));
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t lf = all.find('\n', pos);
        if (lf == std::string::npos) lf = all.size();
        std::string line = Trim(all.substr(pos, lf - pos));
        pos = lf + 1;
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

TPresetLine SplitPresetLine(const std::string& label, const std::string& line)
{
    const size_t eq = line.find('=');
    TPresetLine parsed{line, line.substr(0, eq), eq == std::string::npos ? std::string() : line.substr(eq + 1)};
    if (parsed.Key.empty() || parsed.Value.empty())
        throw FFmpegException(StrFormat(msg::PresetInvalidSyntax, label.c_str(), line.c_str()));
    return parsed;
}

void TCustomFFmpeg::ApplyPreset(const std::string& optionName, const std::string& presetName)
{
    if (optionName.empty() || presetName.empty()) return;

    std::string label = presetName;
    const TOptionsPreset* builtin = nullptr;
    if (optionName[0] != 'f') {
        builtin = FindBuiltinOptionPreset(presetName);
        if (!builtin) {
            const std::optional<std::string>* codec = nullptr;
            if (optionName[0] == 'v' && State.VideoCodecName)
                codec = &State.VideoCodecName;
            else if (optionName[0] == 'a' && State.AudioCodecName)
                codec = &State.AudioCodecName;
            else if (State.SubtitleCodecName)
                codec = &State.SubtitleCodecName;
            if (codec) label = **codec + "-" + presetName;
            builtin = FindBuiltinOptionPreset(label);
        }
    }

    std::string text;
    if (builtin) {
        text = builtin->Text;
    } else {
        std::optional<std::string> fileText = ReadPresetFile(presetName);
        if (!fileText) throw FFmpegException(StrFormat(msg::PresetNotFound, presetName.c_str()));
        text = std::move(*fileText);
    }

    for (const std::string& textLine : PresetTextLines(text)) {
        const TPresetLine line = SplitPresetLine(label, textLine);
        if (IsCodecKey(line.Key)) {
            SetOption(LowerAscii(line.Key), line.Value);
            continue;
        }
        const bool refused =
            (builtin && NamesVanishedFlag(line.Key, line.Value)) || !SetGenericOption(line.Key, line.Value);
        if (!refused) continue;
        if (builtin) {
            FFLogger().LogFmt(this, llWarning, msg::PresetLineSkipped, label.c_str(), line.Line.c_str());
            continue;
        }
        throw FFmpegException(StrFormat(msg::PresetInvalidOption, label.c_str(), line.Line.c_str(),
                                        line.Key.c_str(), line.Value.c_str()));
    }
}

}  // namespace quorvia
