#pragma once
// The words a profile's choice lists use and what each choice stores in the
// program INI. The parameter panel and the settings window write through these
// tables; the option builder reads the stored values back.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvia {

// Keep the source file's value for this parameter.
inline constexpr const char* kAsSource = "as source";

// Channel items and their stored "paraChannel" values.
inline constexpr const char* kChannelMono = "mono 1 channel";
inline constexpr const char* kChannelStereo = "stereo 2 channels";

struct TVocabularyPair {
    std::string_view Item;    // as offered in a choice list
    std::string_view Stored;  // as written to the program INI
};

// "as source" -> "as source", "mono 1 channel" -> "1", "stereo 2 channels" -> "2";
// any other item stores nothing.
std::optional<std::string> ChannelValue(const std::string& item);

// A volume item is a percentage with a trailing character ("150%"); the last
// character is dropped, the number looked up in the percent table and its
// "paraVolume" value returned (100 -> "256"). Any other number, or no number,
// stores nothing.
std::optional<std::string> VolumeValue(const std::string& item);

// Encoder display names, compared in lower case, to the stored engine name
// ("h264" -> "libx264", "aac" -> "libfaac"). Any other name stores nothing.
std::optional<std::string> VideoEncoderValue(const std::string& displayName);
std::optional<std::string> AudioEncoderValue(const std::string& displayName);

// True for the display name that selects the H.264 encoder (and so copies the
// H.264 extras).
bool IsH264DisplayName(const std::string& displayName);

// The full tables, in the order they are documented (for checks and tests).
const std::vector<TVocabularyPair>& ChannelTable();
const std::vector<TVocabularyPair>& VolumeTable();  // Item is the bare percent number
const std::vector<TVocabularyPair>& VideoEncoderTable();
const std::vector<TVocabularyPair>& AudioEncoderTable();

}  // namespace quorvia
