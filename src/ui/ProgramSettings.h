#pragma once
// Section "settings" of the program INI named by the global object. Every read
// opens the file with the caller's default; every write goes to disk at once.
// Once the global object is gone (the main window closed) reads give the
// defaults and writes do nothing.
#include <string>

namespace quorvia::ui {

std::string ReadSetting(const char* key, const std::string& def);
int ReadSettingInteger(const char* key, int def);
void WriteSetting(const char* key, const std::string& value);
void WriteSettingInteger(const char* key, int value);

}  // namespace quorvia::ui
