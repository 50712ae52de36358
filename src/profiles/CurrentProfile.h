#pragma once
// The current output profile ("FormatName", "FormatCode" of section
// "settings") and the picker's collapsed categories (section "lstformat") in
// the program INI.
#include "app/IniFile.h"

#include <string>

namespace quorvia {

inline constexpr const char* kFormatNameKey = "FormatName";
inline constexpr const char* kCategoryStateSection = "lstformat";
// "FormatName" default where the main window is first shown.
inline constexpr const char* kDefaultFormatNameOnShow = "iPod Video MPEG-4";
// "FormatName" default where the picker is built or opened. It names no
// catalogue entry, so no row is selected on a first run.
inline constexpr const char* kDefaultFormatNameInPicker = "Apple iPod Video MPEG-4 Movie (*.mp4)";
// "FormatCode" default, as the window keeps it: text.
inline constexpr const char* kDefaultFormatCodeText = "1";

struct TCurrentProfile {
    std::string Name;
    std::string Code;  // profile code as text, as stored
};

// Reads "FormatName" with the caller's default (one of the two above) and
// "FormatCode" with default "1".
TCurrentProfile ReadCurrentProfile(const TIniFile& settings, const std::string& nameDefault);
std::string ReadFormatName(const TIniFile& settings, const std::string& nameDefault);
std::string ReadFormatCodeText(const TIniFile& settings);
// "FormatCode" as a number (1 when absent or not a number).
int ReadFormatCode(const TIniFile& settings);
void WriteCurrentProfile(TIniFile& settings, const std::string& name, int code);

// "lstformat" key = category code: "1" collapsed, "0" expanded; missing keys
// read as collapsed.
bool ReadCategoryCollapsed(const TIniFile& settings, int category);
void WriteCategoryCollapsed(TIniFile& settings, int category, bool collapsed);

}  // namespace quorvia
