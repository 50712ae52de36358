#include "profiles/FormatProfile.h"

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace quorvia;
using quorvia::test::TempDir;

namespace {

class FormatProfileStore : public ::testing::Test {
protected:
    void WriteFormatIni(const std::string& text)
    {
        std::ofstream(dir.file("format.ini")) << text;
    }

    TempDir dir;
    TFormatProfileStore store{dir.file("format.ini"), dir.file("settings.ini")};
};

}  // namespace

TEST_F(FormatProfileStore, MissingFileGivesDefaults)
{
    EXPECT_EQ(store.Format(2103), "null");
    EXPECT_EQ(store.FileExt(2103), "mp4");
    for (TChoiceKey key : kAllChoiceKeys) {
        EXPECT_EQ(store.ReadListText(2103, key), "null");
        EXPECT_FALSE(store.ReadChoiceList(2103, key).Enabled);
        EXPECT_EQ(store.DefaultIndex(2103, key), 0);
    }
    EXPECT_EQ(store.CurrentCode(), 1);
    EXPECT_EQ(store.CurrentSection(), "formatInfo1");
    EXPECT_EQ(store.CurrentFileExt(), "mp4");
}

TEST_F(FormatProfileStore, ReadsSectionOfCode)
{
    WriteFormatIni(
        "[formatInfo2103]\n"
        "Format=mov\nFileExt=mov\n"
        "VideoSize=null\nVideoBitRate=\nAudioEncoder=\n"
        "Channel=as source,mono 1 channel,stereo 2 channels\niChannel=2\n"
        "FrameRate=25,,29.97,\niFrameRate=x\n");
    EXPECT_EQ(ProfileSection(2103), "formatInfo2103");
    EXPECT_EQ(store.Format(2103), "mov");
    EXPECT_EQ(store.FileExt(2103), "mov");
    EXPECT_EQ(store.FileExt(2102), "mp4");

    EXPECT_FALSE(store.ReadChoiceList(2103, TChoiceKey::ckVideoSize).Enabled);
    const TChoiceList bitRates = store.ReadChoiceList(2103, TChoiceKey::ckVideoBitRate);
    EXPECT_TRUE(bitRates.Enabled);
    EXPECT_TRUE(bitRates.Items.empty());
    EXPECT_FALSE(store.ReadChoiceList(2103, TChoiceKey::ckAudioEncoder).Enabled);
    EXPECT_EQ(store.ReadChoiceList(2103, TChoiceKey::ckFrameRate).Items,
              (std::vector<std::string>{"25", "", "29.97", ""}));
    EXPECT_EQ(store.ReadChoiceList(2103, TChoiceKey::ckChannel).Items.size(), 3u);
    EXPECT_EQ(store.DefaultIndex(2103, TChoiceKey::ckChannel), 2);
    EXPECT_EQ(store.DefaultIndex(2103, TChoiceKey::ckFrameRate), 0);  // not a number

    store.SettingsIni().WriteString("settings", "FormatCode", "2103");
    EXPECT_EQ(store.CurrentSection(), "formatInfo2103");
    EXPECT_EQ(store.CurrentFileExt(), "mov");
}

TEST_F(FormatProfileStore, UserValuesAndIndexes)
{
    EXPECT_EQ(store.ReadPara(5, "paraVideoSize", "320x240"), "320x240");
    EXPECT_EQ(store.ReadIndex(5, "iVideoSize"), 0);
    EXPECT_EQ(store.ReadIndex(5, "iVideoSize", -1), -1);
    store.WritePara(5, "paraVideoSize", "as source");
    store.WriteIndex(5, "iVideoSize", -1);
    EXPECT_EQ(store.ReadPara(5, "paravideosize", "x"), "as source");
    EXPECT_EQ(store.ReadIndex(5, "iVideoSize"), -1);
    EXPECT_EQ(store.ReadPara(6, "paraVideoSize", "none"), "none");
}

TEST_F(FormatProfileStore, VocabularyWriters)
{
    EXPECT_TRUE(store.StoreChannel(7, "mono 1 channel"));
    EXPECT_EQ(store.ReadPara(7, "paraChannel", ""), "1");

    EXPECT_TRUE(store.StoreVolume(7, "150%"));
    EXPECT_FALSE(store.StoreVolume(7, "110%"));
    EXPECT_EQ(store.ReadPara(7, "paraVolume", ""), "384");

    EXPECT_TRUE(store.StoreAudioEncoder(7, "aac"));
    EXPECT_FALSE(store.StoreAudioEncoder(7, "opus"));
    EXPECT_EQ(store.ReadPara(7, "paraAudioEncoder", ""), "libfaac");

    EXPECT_TRUE(store.StoreVideoEncoder(7, "mpeg-4"));
    EXPECT_FALSE(store.StoreVideoEncoder(7, "vp9"));
    EXPECT_EQ(store.ReadPara(7, "paraVideoEncoder", ""), "mpeg4");
    EXPECT_FALSE(store.SettingsIni().ValueExists("formatInfo7", "paraLevel"));
}

TEST_F(FormatProfileStore, H264ExtrasCopiedWhenTheyPassTheirTest)
{
    struct Case {
        const char* key;
        const char* value;
        bool copied;
    };
    const Case cases[] = {
        {"paraBitExact", "TRUE", true},   {"paraBitExact", "false", false},
        {"paraBitExact", "1", false},     {"paraMaxBitrate", "1500", true},
        {"paraMaxBitrate", "0", false},   {"paraBufferSize", "-5", false},
        {"paraLevel", "30", true},        {"paraQscale", "abc", false},
        {"paraGop", "250", true},         {"paraCoder", "0", true},
        {"paraCoder", "-1", false},       {"paraCoder", "", false},
    };
    for (const auto& c : cases) {
        TempDir d;
        std::ofstream(d.file("f.ini")) << "[formatInfo101]\n" << c.key << "=" << c.value << "\n";
        TFormatProfileStore s(d.file("f.ini"), d.file("s.ini"));
        ASSERT_TRUE(s.StoreVideoEncoder(101, "H264"));
        EXPECT_EQ(s.ReadPara(101, "paraVideoEncoder", ""), "libx264");
        EXPECT_EQ(s.SettingsIni().ValueExists("formatInfo101", c.key), c.copied)
            << c.key << "=" << c.value;
        if (c.copied) {
            EXPECT_EQ(s.ReadPara(101, c.key, ""), c.value);
        }
    }
}

TEST_F(FormatProfileStore, H264ExtrasStayWhenAnotherEncoderIsPicked)
{
    WriteFormatIni("[formatInfo1]\nparaLevel=30\nparaCoder=1\nparaBitExact=true\n");
    ASSERT_TRUE(store.StoreVideoEncoder(1, "h264"));
    ASSERT_TRUE(store.StoreVideoEncoder(1, "mpeg-4"));
    EXPECT_EQ(store.ReadPara(1, "paraVideoEncoder", ""), "mpeg4");
    EXPECT_EQ(store.ReadPara(1, "paraLevel", ""), "30");
    EXPECT_EQ(store.ReadPara(1, "paraCoder", ""), "1");
    EXPECT_EQ(store.ReadPara(1, "paraBitExact", ""), "true");
    // Another profile's section is untouched.
    EXPECT_FALSE(store.SettingsIni().SectionExists("formatInfo0"));
}
