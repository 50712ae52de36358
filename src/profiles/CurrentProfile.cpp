#include "profiles/CurrentProfile.h"

#include "profiles/FormatProfile.h"

namespace quorvia {

TCurrentProfile ReadCurrentProfile(const TIniFile& settings, const std::string& nameDefault)
{
    return {ReadFormatName(settings, nameDefault), ReadFormatCodeText(settings)};
}

std::string ReadFormatName(const TIniFile& settings, const std::string& nameDefault)
{
    return settings.ReadString(kSettingsSection, kFormatNameKey, nameDefault);
}

std::string ReadFormatCodeText(const TIniFile& settings)
{
    return settings.ReadString(kSettingsSection, kFormatCodeKey, kDefaultFormatCodeText);
}

int ReadFormatCode(const TIniFile& settings)
{
    return settings.ReadInteger(kSettingsSection, kFormatCodeKey, kDefaultFormatCode);
}

void WriteCurrentProfile(TIniFile& settings, const std::string& name, int code)
{
    settings.WriteString(kSettingsSection, kFormatNameKey, name);
    settings.WriteInteger(kSettingsSection, kFormatCodeKey, code);
}

bool ReadCategoryCollapsed(const TIniFile& settings, int category)
{
    return settings.ReadBool(kCategoryStateSection, std::to_string(category), true);
}

void WriteCategoryCollapsed(TIniFile& settings, int category, bool collapsed)
{
    settings.WriteBool(kCategoryStateSection, std::to_string(category), collapsed);
}

}  // namespace quorvia
