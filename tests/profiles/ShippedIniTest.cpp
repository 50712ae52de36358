// Checks of the format INI that ships beside the binaries: every catalogue
// entry has a usable section, and every encoder it offers exists in the
// installed libraries.
#include "profiles/Catalogue.h"
#include "profiles/FormatProfile.h"
#include "profiles/ProfileVocabulary.h"
#include "support/Fixtures.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using namespace quorvia;

namespace {

std::string ShippedFormatIni()
{
    const std::string source = std::string(QUORVIA_SOURCE_DIR) + "/src/profiles/data/quorviamp4format.ini";
    if (std::filesystem::exists(source)) return source;
    return std::string(QUORVIA_BIN_DIR) + "/quorviamp4format.ini";
}

TFormatProfileStore Store() { return {ShippedFormatIni(), "/nonexistent/settings.ini"}; }

// Encoder names of the installed libraries, as `ffmpeg -encoders` lists them.
const std::set<std::string>& InstalledEncoders()
{
    static const std::set<std::string> names = [] {
        std::string out;
        std::set<std::string> result;
        if (test::RunCommand("ffmpeg -hide_banner -encoders 2>/dev/null", &out) != 0) return result;
        std::istringstream lines(out);
        std::string flags, name;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            if (words >> flags >> name && flags.size() == 6 && name != "=") result.insert(name);
        }
        return result;
    }();
    return names;
}

// The engine resolves the legacy names the profile vocabulary stores.
std::string ResolveLegacyEncoder(const std::string& stored)
{
    static const std::map<std::string, std::string> aliases = {
        {"libfaac", "aac"}, {"libflac", "flac"}, {"vorbis", "libvorbis"}};
    const auto it = aliases.find(stored);
    return it == aliases.end() ? stored : it->second;
}

// Container words leave the codec to the container.
bool IsContainerWord(const std::string& stored)
{
    return stored == "3gp" || stored == "3g2" || stored == "mov" || stored == "flv" || stored == "swf";
}

}  // namespace

TEST(ShippedFormatIni, EveryEntryHasASectionWithItsExtension)
{
    const TFormatProfileStore store = Store();
    ASSERT_TRUE(std::filesystem::exists(ShippedFormatIni()));
    const std::regex extension(R"(\(\*\.(\w+)\)$)");
    for (int code : AllProfileCodes()) {
        const std::string name = EntryName(code);
        SCOPED_TRACE(name);
        EXPECT_TRUE(store.FormatIni().SectionExists(ProfileSection(code)));
        std::smatch m;
        ASSERT_TRUE(std::regex_search(name, m, extension));
        EXPECT_TRUE(store.FormatIni().ValueExists(ProfileSection(code), "FileExt"));
        EXPECT_EQ(store.FileExt(code), m[1].str());
        EXPECT_NE(store.Format(code), "null");
    }
    EXPECT_EQ(store.FileExt(1402), "3gp");
    EXPECT_EQ(store.FileExt(2401), "aac");
    // No section for a code outside the catalogue.
    EXPECT_EQ(store.FormatIni().ReadSection("formatInfo25").size(), 0u);
}

TEST(ShippedFormatIni, ListsParseAndDefaultsLieInside)
{
    const TFormatProfileStore store = Store();
    for (int code : AllProfileCodes()) {
        SCOPED_TRACE(EntryName(code));
        for (TChoiceKey key : kAllChoiceKeys) {
            SCOPED_TRACE(ListKeyName(key));
            ASSERT_TRUE(store.FormatIni().ValueExists(ProfileSection(code), ListKeyName(key)));
            const TChoiceList list = store.ReadChoiceList(code, key);
            const int index = store.DefaultIndex(code, key);
            if (!list.Enabled) {
                EXPECT_EQ(store.ReadListText(code, key), "null");
                continue;
            }
            ASSERT_FALSE(list.Items.empty());
            EXPECT_GE(index, 0);
            EXPECT_LT(index, static_cast<int>(list.Items.size()));
            const std::set<std::string> unique(list.Items.begin(), list.Items.end());
            EXPECT_EQ(unique.size(), list.Items.size()) << "repeated item";
            for (const auto& item : list.Items) {
                EXPECT_FALSE(item.empty());
                EXPECT_NE(item.front(), ' ') << '"' << item << '"';
                EXPECT_NE(item.back(), ' ') << '"' << item << '"';
            }
        }
        // Audio goes with every profile; video with all but the audio formats.
        EXPECT_TRUE(store.ReadChoiceList(code, TChoiceKey::ckAudioEncoder).Enabled);
        const bool audioOnly = CategoryOfCode(code) == 24;
        for (TChoiceKey key : {TChoiceKey::ckVideoSize, TChoiceKey::ckVideoBitRate,
                               TChoiceKey::ckFrameRate, TChoiceKey::ckVideoEncoder})
            EXPECT_EQ(store.ReadChoiceList(code, key).Enabled, !audioOnly) << ListKeyName(key);
    }
}

TEST(ShippedFormatIni, ItemsUseTheVocabulary)
{
    const TFormatProfileStore store = Store();
    const std::regex size(R"(\d+x\d+)");
    const std::regex number(R"(\d+(\.\d+)?)");
    for (int code : AllProfileCodes()) {
        SCOPED_TRACE(EntryName(code));
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckVideoSize).Items) {
            if (s == kAsSource) continue;
            ASSERT_TRUE(std::regex_match(s, size)) << s;
            const int w = std::stoi(s), h = std::stoi(s.substr(s.find('x') + 1));
            EXPECT_TRUE(w > 0 && h > 0 && w % 2 == 0 && h % 2 == 0) << s;
        }
        for (TChoiceKey key : {TChoiceKey::ckVideoBitRate, TChoiceKey::ckFrameRate,
                               TChoiceKey::ckAudioBitRate, TChoiceKey::ckSampleRate})
            for (const auto& s : store.ReadChoiceList(code, key).Items)
                EXPECT_TRUE(s == kAsSource || std::regex_match(s, number)) << s;
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckChannel).Items)
            EXPECT_TRUE(ChannelValue(s).has_value()) << s;
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckVolume).Items)
            EXPECT_TRUE(VolumeValue(s).has_value()) << s;
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckVideoEncoder).Items)
            EXPECT_TRUE(VideoEncoderValue(s).has_value()) << s;
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckAudioEncoder).Items)
            EXPECT_TRUE(AudioEncoderValue(s).has_value()) << s;
    }
}

TEST(ShippedFormatIni, EncodersExistInTheInstalledLibraries)
{
    const auto& installed = InstalledEncoders();
    ASSERT_TRUE(installed.count("mpeg4")) << "ffmpeg -encoders gave no list";
    const TFormatProfileStore store = Store();
    for (int code : AllProfileCodes()) {
        SCOPED_TRACE(EntryName(code));
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckVideoEncoder).Items) {
            const std::string stored = VideoEncoderValue(s).value_or("");
            if (IsContainerWord(stored)) continue;
            EXPECT_TRUE(installed.count(stored)) << s << " -> " << stored;
        }
        for (const auto& s : store.ReadChoiceList(code, TChoiceKey::ckAudioEncoder).Items) {
            const std::string engine = ResolveLegacyEncoder(AudioEncoderValue(s).value_or(""));
            EXPECT_TRUE(installed.count(engine)) << s << " -> " << engine;
        }
    }
}

TEST(ShippedFormatIni, DeviceRulesHold)
{
    const TFormatProfileStore store = Store();
    const std::set<std::string> h263Sizes = {"128x96", "176x144", "352x288", "704x576", "1408x1152"};
    const auto items = [&](int code, TChoiceKey key) { return store.ReadChoiceList(code, key).Items; };
    const auto offers = [&](int code, TChoiceKey key, const std::string& item) {
        const auto list = items(code, key);
        return std::find(list.begin(), list.end(), item) != list.end();
    };
    for (int code : AllProfileCodes()) {
        SCOPED_TRACE(EntryName(code));
        const std::string format = store.Format(code);
        if (offers(code, TChoiceKey::ckVideoEncoder, "h263")) {
            for (const auto& s : items(code, TChoiceKey::ckVideoSize)) EXPECT_TRUE(h263Sizes.count(s)) << s;
        }
        if (offers(code, TChoiceKey::ckVideoEncoder, "h264")) {
            EXPECT_GT(store.FormatIni().ReadInteger(ProfileSection(code), "paraLevel", 0), 0);
            EXPECT_GE(store.FormatIni().ReadInteger(ProfileSection(code), "paraCoder", -1), 0);
        }
        if (format == "flv" || format == "swf") {
            for (const auto& s : items(code, TChoiceKey::ckSampleRate))
                EXPECT_TRUE(s == "44100" || s == "22050" || s == "11025") << s;
        }
        if (offers(code, TChoiceKey::ckAudioEncoder, "ac-3")) {
            for (const auto& s : items(code, TChoiceKey::ckSampleRate))
                EXPECT_TRUE(s == "48000" || s == "44100" || s == "32000" || s == kAsSource) << s;
        }
        // The DVD preset that mpeg2video brings caps the rate at 9000 kbit/s.
        if (offers(code, TChoiceKey::ckVideoEncoder, "mpeg2video")) {
            for (const auto& s : items(code, TChoiceKey::ckVideoBitRate)) EXPECT_LE(std::stoi(s), 9000);
        }
        if (format == "asf") {
            for (const auto& s : items(code, TChoiceKey::ckVideoEncoder)) EXPECT_NE(s, "wmv3");
        }
    }
    const std::pair<int, const char*> dv[] = {{2308, "720x480"}, {2309, "720x576"}};
    for (const auto& [code, size] : dv) {
        EXPECT_EQ(items(code, TChoiceKey::ckVideoSize), std::vector<std::string>{size});
        EXPECT_EQ(items(code, TChoiceKey::ckVideoEncoder), std::vector<std::string>{"dvvideo"});
        EXPECT_EQ(items(code, TChoiceKey::ckSampleRate), std::vector<std::string>{"48000"});
        EXPECT_EQ(items(code, TChoiceKey::ckAudioEncoder), std::vector<std::string>{"pcm_s16"});
    }
    EXPECT_EQ(items(2308, TChoiceKey::ckFrameRate), std::vector<std::string>{"29.97"});
    EXPECT_EQ(items(2309, TChoiceKey::ckFrameRate), std::vector<std::string>{"25"});
}
