#include "ui/ProgramSettings.h"

#include "app/GlobalObject.h"
#include "app/IniFile.h"
#include "ui/Messages.h"

namespace quorvia::ui {
namespace {
const TGlobalObject* Global() { return GlobalObject(); }
}  // namespace

std::string ReadSetting(const char* key, const std::string& def)
{
    if (!Global()) return def;
    return TIniFile(Global()->SettingsFile()).ReadString(kSectionSettings, key, def);
}

int ReadSettingInteger(const char* key, int def)
{
    if (!Global()) return def;
    return TIniFile(Global()->SettingsFile()).ReadInteger(kSectionSettings, key, def);
}

void WriteSetting(const char* key, const std::string& value)
{
    if (Global()) TIniFile(Global()->SettingsFile()).WriteString(kSectionSettings, key, value);
}

void WriteSettingInteger(const char* key, int value)
{
    if (Global()) TIniFile(Global()->SettingsFile()).WriteInteger(kSectionSettings, key, value);
}

}  // namespace quorvia::ui
