// The "Default" choices of a profile written to the program INI, as
// quorvia-batch gives them to a profile the user never set up.
#include <gtest/gtest.h>

#include <string>

#include "profiles/ProfileDefaults.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

std::string ShippedFormatIni() { return std::string(QUORVIA_SOURCE_DIR) + "/src/profiles/data/quorviamp4format.ini"; }

TEST(ProfileDefaults, DefaultItemsReachTheProgramIni)
{
    TempDir dir;
    TFormatProfileStore store(ShippedFormatIni(), dir.file("settings.ini"));
    EXPECT_TRUE(ProfileNeverSetUp(store, 1));
    StoreDefaultChoices(store, 1);
    EXPECT_FALSE(ProfileNeverSetUp(store, 1));
    EXPECT_TRUE(ProfileNeverSetUp(store, 2));

    // Profile 1: items iVideoSize=0, iVideoBitRate=2, iFrameRate=4, iVideoEncoder=0 ("h264").
    const struct {
        const char* Key;
        const char* Value;
    } expected[] = {
        {"paraVideoSize", "320x240"}, {"paraVideoBitRate", "768"}, {"paraFrameRate", "29.97"},
        {"paraVideoEncoder", "libx264"}, {"paraZoom", "full"},
    };
    for (const auto& e : expected) EXPECT_EQ(store.ReadPara(1, e.Key, "?"), e.Value) << e.Key;
    // An audio encoder and a volume are stored too: the profile is not audio-only or silent.
    EXPECT_NE(store.ReadPara(1, "paraAudioEncoder", ""), "");
    EXPECT_NE(store.ReadPara(1, "paraVolume", "3"), "3");
}

}  // namespace
}  // namespace quorvia::test
