#include "profiles/ChoiceList.h"

namespace quorvia {
namespace {

struct TKeyNames {
    const char* List;
    const char* Index;
    const char* Para;
};

const TKeyNames& NamesOf(TChoiceKey key)
{
    static const TKeyNames names[] = {
        {"VideoSize", "iVideoSize", "paraVideoSize"},
        {"VideoBitRate", "iVideoBitRate", "paraVideoBitRate"},
        {"FrameRate", "iFrameRate", "paraFrameRate"},
        {"VideoEncoder", "iVideoEncoder", "paraVideoEncoder"},
        {"AudioBitRate", "iAudioBitRate", "paraAudioBitRate"},
        {"SampleRate", "iSampleRate", "paraSampleRate"},
        {"AudioEncoder", "iAudioEncoder", "paraAudioEncoder"},
        {"Channel", "iChannel", "paraChannel"},
        {"Volume", "iVolume", "paraVolume"},
    };
    return names[static_cast<int>(key)];
}

// The size, video bit-rate and frame-rate boxes stay usable (typed values)
// when their list is empty.
bool EmptyKeepsEnabled(TChoiceKey key)
{
    return key == TChoiceKey::ckVideoSize || key == TChoiceKey::ckVideoBitRate ||
           key == TChoiceKey::ckFrameRate;
}

}  // namespace

const char* ListKeyName(TChoiceKey key) { return NamesOf(key).List; }
const char* IndexKeyName(TChoiceKey key) { return NamesOf(key).Index; }
const char* ParaKeyName(TChoiceKey key) { return NamesOf(key).Para; }

std::vector<std::string> SplitChoiceList(const std::string& text)
{
    std::vector<std::string> items;
    if (text.empty()) return items;
    std::string current;
    for (const char c : text) {
        if (c == ',') {
            items.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    items.push_back(current);
    return items;
}

TChoiceList ParseChoiceList(TChoiceKey key, const std::string& value)
{
    TChoiceList list;
    if (value == kNullList) return list;
    if (value.empty()) {
        list.Enabled = EmptyKeepsEnabled(key);
        return list;
    }
    list.Enabled = true;
    list.Items = SplitChoiceList(value);
    return list;
}

}  // namespace quorvia
