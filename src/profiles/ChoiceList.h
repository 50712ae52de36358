#pragma once
// Choice lists of a profile section: the items offered for one parameter,
// written as one INI value with the items separated by ",".
#include <string>
#include <vector>

namespace quorvia {

// The nine parameters a profile offers choices for.
enum class TChoiceKey {
    ckVideoSize,
    ckVideoBitRate,
    ckFrameRate,
    ckVideoEncoder,
    ckAudioBitRate,
    ckSampleRate,
    ckAudioEncoder,
    ckChannel,
    ckVolume,
};

inline constexpr TChoiceKey kAllChoiceKeys[] = {
    TChoiceKey::ckVideoSize,    TChoiceKey::ckVideoBitRate, TChoiceKey::ckFrameRate,
    TChoiceKey::ckVideoEncoder, TChoiceKey::ckAudioBitRate, TChoiceKey::ckSampleRate,
    TChoiceKey::ckAudioEncoder, TChoiceKey::ckChannel,      TChoiceKey::ckVolume,
};

// "VideoSize", "iVideoSize", "paraVideoSize" and so on.
const char* ListKeyName(TChoiceKey key);
const char* IndexKeyName(TChoiceKey key);
const char* ParaKeyName(TChoiceKey key);

// The value that means "no choices offered".
inline constexpr const char* kNullList = "null";

struct TChoiceList {
    // False when the box is to be emptied and disabled: "null", or an empty
    // value for any list but VideoSize, VideoBitRate and FrameRate.
    bool Enabled = false;
    std::vector<std::string> Items;
};

// Splits on "," with no escaping and no trimming: "a,,b," gives "a", "", "b",
// ""; an empty text gives no item.
std::vector<std::string> SplitChoiceList(const std::string& text);

// Reads a list value of the given key ("null" gives no items, not enabled).
TChoiceList ParseChoiceList(TChoiceKey key, const std::string& value);

}  // namespace quorvia
