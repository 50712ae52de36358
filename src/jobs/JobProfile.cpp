#include "jobs/JobProfile.h"

#include "profiles/ChoiceList.h"
#include "profiles/FormatProfile.h"

namespace quorvia {

TJobProfile ReadJobProfile(const TIniFile& programIni, const TIniFile& formatIni, int profileCode)
{
    const std::string section = ProfileSection(profileCode);
    TJobProfile p;
    const auto para = [&](TChoiceKey key, std::string& value) {
        value = programIni.ReadString(section, ParaKeyName(key), value);
    };
    p.Format = formatIni.ReadString(section, kFormatKey, p.Format);
    para(TChoiceKey::ckVideoSize, p.VideoSize);
    para(TChoiceKey::ckVideoEncoder, p.VideoEncoder);
    para(TChoiceKey::ckVideoBitRate, p.VideoBitRate);
    para(TChoiceKey::ckFrameRate, p.FrameRate);
    const char* audioKey = ParaKeyName(TChoiceKey::ckAudioEncoder);
    if (programIni.ValueExists(section, audioKey)) p.AudioEncoder = programIni.ReadString(section, audioKey, {});
    para(TChoiceKey::ckChannel, p.Channel);
    para(TChoiceKey::ckSampleRate, p.SampleRate);
    para(TChoiceKey::ckAudioBitRate, p.AudioBitRate);
    para(TChoiceKey::ckVolume, p.Volume);
    return p;
}

}  // namespace quorvia
