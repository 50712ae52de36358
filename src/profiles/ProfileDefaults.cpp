#include "profiles/ProfileDefaults.h"

namespace quorvia {

bool StoreChoice(TFormatProfileStore& store, int code, TChoiceKey key, const std::string& item)
{
    switch (key) {
    case TChoiceKey::ckVideoEncoder: return store.StoreVideoEncoder(code, item);
    case TChoiceKey::ckAudioEncoder: return store.StoreAudioEncoder(code, item);
    case TChoiceKey::ckChannel: return store.StoreChannel(code, item);
    case TChoiceKey::ckVolume: return store.StoreVolume(code, item);
    default: store.WritePara(code, ParaKeyName(key), item); return true;
    }
}

void StoreDefaultChoices(TFormatProfileStore& store, int code)
{
    for (TChoiceKey key : kAllChoiceKeys) {
        const TChoiceList list = store.ReadChoiceList(code, key);
        if (!list.Enabled || list.Items.empty()) continue;
        const int index = store.DefaultIndex(code, key);
        if (index < 0 || index >= static_cast<int>(list.Items.size())) continue;
        StoreChoice(store, code, key, list.Items[static_cast<size_t>(index)]);
    }
    store.WritePara(code, "paraZoom", "full");
}

bool ProfileNeverSetUp(const TFormatProfileStore& store, int code)
{
    return !store.SettingsIni().SectionExists(ProfileSection(code));
}

}  // namespace quorvia
