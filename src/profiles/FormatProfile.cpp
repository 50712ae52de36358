#include "profiles/FormatProfile.h"

#include "app/GlobalObject.h"
#include "app/Paths.h"
#include "profiles/ProfileVocabulary.h"

#include <algorithm>
#include <cctype>

namespace quorvia {
namespace {

bool IsTrueText(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s == "true";
}

}  // namespace

std::string ProfileSection(int code) { return kProfileSectionPrefix + std::to_string(code); }

TFormatProfileStore::TFormatProfileStore(std::string formatFile, std::string settingsFile)
    : format_(std::move(formatFile)), settings_(std::move(settingsFile))
{
}

std::string TFormatProfileStore::Format(int code) const
{
    return format_.ReadString(ProfileSection(code), kFormatKey, kDefaultFormat);
}

std::string TFormatProfileStore::FileExt(int code) const
{
    return format_.ReadString(ProfileSection(code), kFileExtKey, kDefaultFileExt);
}

std::string TFormatProfileStore::ReadListText(int code, TChoiceKey key) const
{
    return format_.ReadString(ProfileSection(code), ListKeyName(key), kNullList);
}

TChoiceList TFormatProfileStore::ReadChoiceList(int code, TChoiceKey key) const
{
    return ParseChoiceList(key, ReadListText(code, key));
}

int TFormatProfileStore::DefaultIndex(int code, TChoiceKey key) const
{
    return format_.ReadInteger(ProfileSection(code), IndexKeyName(key), 0);
}

std::string TFormatProfileStore::ReadPara(int code, const std::string& key,
                                          const std::string& def) const
{
    return settings_.ReadString(ProfileSection(code), key, def);
}

int TFormatProfileStore::ReadIndex(int code, const std::string& key, int def) const
{
    return settings_.ReadInteger(ProfileSection(code), key, def);
}

void TFormatProfileStore::WritePara(int code, const std::string& key, const std::string& value)
{
    settings_.WriteString(ProfileSection(code), key, value);
}

void TFormatProfileStore::WriteIndex(int code, const std::string& key, int index)
{
    settings_.WriteInteger(ProfileSection(code), key, index);
}

bool TFormatProfileStore::StoreVideoEncoder(int code, const std::string& displayName)
{
    const auto value = VideoEncoderValue(displayName);
    if (!value) return false;
    WritePara(code, ParaKeyName(TChoiceKey::ckVideoEncoder), *value);
    if (IsH264DisplayName(displayName)) CopyH264Extras(code);
    return true;
}

bool TFormatProfileStore::StoreAudioEncoder(int code, const std::string& displayName)
{
    const auto value = AudioEncoderValue(displayName);
    if (!value) return false;
    WritePara(code, ParaKeyName(TChoiceKey::ckAudioEncoder), *value);
    return true;
}

bool TFormatProfileStore::StoreChannel(int code, const std::string& item)
{
    const auto value = ChannelValue(item);
    if (!value) return false;
    WritePara(code, ParaKeyName(TChoiceKey::ckChannel), *value);
    return true;
}

bool TFormatProfileStore::StoreVolume(int code, const std::string& item)
{
    const auto value = VolumeValue(item);
    if (!value) return false;
    WritePara(code, ParaKeyName(TChoiceKey::ckVolume), *value);
    return true;
}

void TFormatProfileStore::CopyH264Extras(int code)
{
    const std::string section = ProfileSection(code);
    const auto copy = [&](const char* key) {
        settings_.WriteString(section, key, format_.ReadString(section, key, {}));
    };
    if (IsTrueText(format_.ReadString(section, kParaBitExact, {}))) copy(kParaBitExact);
    for (const char* key : {kParaMaxBitrate, kParaBufferSize, kParaLevel, kParaQscale, kParaGop})
        if (format_.ReadInteger(section, key, 0) > 0) copy(key);
    if (format_.ReadInteger(section, kParaCoder, -1) >= 0) copy(kParaCoder);
}

int TFormatProfileStore::CurrentCode() const
{
    return settings_.ReadInteger(kSettingsSection, kFormatCodeKey, kDefaultFormatCode);
}

TFormatProfileStore ProgramProfileStore()
{
    if (const TGlobalObject* g = GlobalObject()) return {g->FormatFile(), g->SettingsFile()};
    return {DefaultFormatFile(), DefaultSettingsFile()};
}

}  // namespace quorvia
