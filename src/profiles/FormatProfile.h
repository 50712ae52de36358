#pragma once
// Output profiles: one section "formatInfo" + profile code in two INI files.
// The format INI is shipped with the program and only read (container
// keyword, extension, choice lists, default indices, H.264 extras); the
// program INI holds the user's current choices under the same section name.
// Every call opens, reads or writes and closes the file: nothing is cached,
// so a value written by one window is seen by the next reader at once.
#include "app/IniFile.h"
#include "profiles/ChoiceList.h"

#include <string>

namespace quorvia {

inline constexpr const char* kProfileSectionPrefix = "formatInfo";
inline constexpr const char* kSettingsSection = "settings";
inline constexpr const char* kFormatCodeKey = "FormatCode";
inline constexpr const char* kFormatKey = "Format";
inline constexpr const char* kFileExtKey = "FileExt";
inline constexpr const char* kDefaultFormat = "null";
inline constexpr const char* kDefaultFileExt = "mp4";
inline constexpr int kDefaultFormatCode = 1;

// The seven H.264 extras, copied from the format INI to the program INI when
// the user picks the H.264 encoder. In the shipped INI: paraMaxBitrate and
// paraBufferSize in kbit/s, paraLevel as level x 10 (30 = 3.0), paraGop in
// frames, paraCoder 0 = CAVLC, 1 = CABAC, paraBitExact "true"/"false".
inline constexpr const char* kParaBitExact = "paraBitExact";
inline constexpr const char* kParaMaxBitrate = "paraMaxBitrate";
inline constexpr const char* kParaBufferSize = "paraBufferSize";
inline constexpr const char* kParaLevel = "paraLevel";
inline constexpr const char* kParaQscale = "paraQscale";
inline constexpr const char* kParaGop = "paraGop";
inline constexpr const char* kParaCoder = "paraCoder";

// "formatInfo" + code in decimal ("formatInfo2103").
std::string ProfileSection(int code);

class TFormatProfileStore {
public:
    TFormatProfileStore(std::string formatFile, std::string settingsFile);

    const TIniFile& FormatIni() const { return format_; }
    TIniFile& SettingsIni() { return settings_; }
    const TIniFile& SettingsIni() const { return settings_; }

    // --- format INI (read only) ---
    // Container or target keyword ("null" when absent).
    std::string Format(int code) const;
    // Extension of output files without the point ("mp4" when absent).
    std::string FileExt(int code) const;
    // The raw list value ("null" when absent).
    std::string ReadListText(int code, TChoiceKey key) const;
    TChoiceList ReadChoiceList(int code, TChoiceKey key) const;
    // Default choice ("i" + key of the format INI, 0 when absent).
    int DefaultIndex(int code, TChoiceKey key) const;

    // --- program INI (the user's choices) ---
    std::string ReadPara(int code, const std::string& key, const std::string& def) const;
    int ReadIndex(int code, const std::string& key, int def = 0) const;
    void WritePara(int code, const std::string& key, const std::string& value);
    void WriteIndex(int code, const std::string& key, int index);

    // Writers through the vocabulary tables. Each returns false and writes
    // nothing when the item is not in its table (the previous value stays).
    // The video encoder writer also copies the H.264 extras for "h264".
    bool StoreVideoEncoder(int code, const std::string& displayName);
    bool StoreAudioEncoder(int code, const std::string& displayName);
    bool StoreChannel(int code, const std::string& item);
    bool StoreVolume(int code, const std::string& item);

    // Copies each extra that passes its test: paraBitExact when "true" in
    // any case; paraMaxBitrate, paraBufferSize, paraLevel, paraQscale,
    // paraGop when greater than 0; paraCoder when 0 or greater. Nothing is
    // ever deleted.
    void CopyH264Extras(int code);

    // --- current profile ---
    // "FormatCode" of section "settings" (1 when absent or not a number).
    int CurrentCode() const;
    std::string CurrentSection() const { return ProfileSection(CurrentCode()); }
    std::string CurrentFileExt() const { return FileExt(CurrentCode()); }

private:
    TIniFile format_;
    TIniFile settings_;
};

// A store on the global object's FormatFile and SettingsFile (the default
// paths when the global object does not exist).
TFormatProfileStore ProgramProfileStore();

}  // namespace quorvia
