#pragma once
// The built-in option presets: libx264 option sets that option text and the
// H.264 profiles select by name. Constant, shared by every task.
#include <array>
#include <string_view>

namespace quorvia {

struct TOptionsPreset {
    const char* Name;
    const char* Text;  // key=value lines, LF separated
};

inline constexpr int BuiltinOptionPresetCount = 40;

const std::array<TOptionsPreset, BuiltinOptionPresetCount>& BuiltinOptionPresets();

// Case-insensitive lookup by preset name; nullptr when the table has none.
const TOptionsPreset* FindBuiltinOptionPreset(std::string_view name);

}  // namespace quorvia
