#pragma once
// Option presets ("apre", "vpre", "spre", "fpre"): a named block of
// key=value lines taken from the built-in table (OptionPresetTable.h) or from
// a preset file. The entry point is TCustomFFmpeg::ApplyPreset.
//
// A built-in preset must always apply: a line of it that the installed
// libraries refuse (options and flags that left libx264/libavcodec since the
// table was written) is skipped with a warning naming it. Preset files keep
// the strict failure.
#include <string>
#include <vector>

namespace quorvia {

// One key=value line of preset text: the trimmed line and its two parts.
struct TPresetLine {
    std::string Line;
    std::string Key;
    std::string Value;
};

// Trims the text, turns CR LF / CR into LF, trims every line and drops the
// empty ones.
std::vector<std::string> PresetTextLines(const std::string& text);

// Splits a trimmed line at its first "=". Throws FFmpegException
// "%s: Invalid syntax: "%s"" (label, line) when the key or value is empty.
TPresetLine SplitPresetLine(const std::string& label, const std::string& line);

}  // namespace quorvia
