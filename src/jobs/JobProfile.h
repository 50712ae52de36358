#pragma once
// What the option builder reads of one output profile: the container or
// target keyword from the format INI and the user's choices from the program
// INI, each with the default the builder reads it with. Absent keys differ
// from the panel's defaults on purpose (a fresh profile has no video
// encoder, hence no video; its volume is "3", not "256").
#include <optional>
#include <string>

#include "app/IniFile.h"

namespace quorvia {

struct TJobProfile {
    std::string Format = "null";      // format INI "Format"
    std::string VideoSize = "null";   // "paraVideoSize"
    std::string VideoEncoder;         // "paraVideoEncoder"; blank = audio only
    std::string VideoBitRate = "512"; // "paraVideoBitRate", kbit/s or "as source"
    std::string FrameRate = "29.97";  // "paraFrameRate"
    // "paraAudioEncoder": absent means "libfaac" for an audio-only job and no
    // audio for a video job.
    std::optional<std::string> AudioEncoder;
    std::string Channel = "2";        // "paraChannel"
    std::string SampleRate = "44100"; // "paraSampleRate"
    std::string AudioBitRate = "128"; // "paraAudioBitRate", kbit/s or "as source"
    std::string Volume = "3";         // "paraVolume", 256 = unchanged
};

// Section "formatInfo" + code of both files.
TJobProfile ReadJobProfile(const TIniFile& programIni, const TIniFile& formatIni, int profileCode);

}  // namespace quorvia
