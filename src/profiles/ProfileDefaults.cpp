#include "profiles/ProfileDefaults.h"

#include "profiles/ChoiceList.h"

namespace quorvia {

void StoreDefaultChoices(TFormatProfileStore& store, int code)
{
    for (TChoiceKey key : kAllChoiceKeys) {
        const TChoiceList list = store.ReadChoiceList(code, key);
        if (!list.Enabled || list.Items.empty()) continue;
        const int index = store.DefaultIndex(code, key);
        if (index < 0 || index >= static_cast<int>(list.Items.size())) continue;
        const std::string& item = list.Items[static_cast<size_t>(index)];
        switch (key) {
        case TChoiceKey::ckVideoEncoder: store.StoreVideoEncoder(code, item); break;
        case TChoiceKey::ckAudioEncoder: store.StoreAudioEncoder(code, item); break;
        case TChoiceKey::ckChannel: store.StoreChannel(code, item); break;
        case TChoiceKey::ckVolume: store.StoreVolume(code, item); break;
        default: store.WritePara(code, ParaKeyName(key), item); break;
        }
    }
    store.WritePara(code, "paraZoom", "full");
}

bool ProfileNeverSetUp(const TFormatProfileStore& store, int code)
{
    return !store.SettingsIni().SectionExists(ProfileSection(code));
}

}  // namespace quorvia
