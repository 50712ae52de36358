#include "app/IniFile.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using quorvia::TIniFile;
using quorvia::test::TempDir;

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("settings.ini");
    TIniFile ini{path};
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndCreatesNothing)
{
    EXPECT_EQ(ini.ReadString("settings", "OutPutDir", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("settings", "volume", 7), 7);
    EXPECT_TRUE(ini.ReadBool("settings", "mute", true));
    EXPECT_FALSE(ini.SectionExists("settings"));
    EXPECT_FALSE(ini.ValueExists("settings", "volume"));
    EXPECT_TRUE(ini.ReadSection("settings").empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(IniFileTest, SectionsAndKeysIgnoreCase)
{
    ASSERT_TRUE(ini.WriteString("settings", "snapOutPutDir", "/tmp/snaps"));
    EXPECT_EQ(ini.ReadString("Settings", "SnapOutPutDir", "x"), "/tmp/snaps");
    EXPECT_EQ(ini.ReadString("SETTINGS", "SNAPOUTPUTDIR", "x"), "/tmp/snaps");

    // A second write under another spelling replaces the one key.
    ASSERT_TRUE(ini.WriteString("SETTINGS", "SnapOutPutDir", "/tmp/other"));
    EXPECT_EQ(ini.ReadString("settings", "snapoutputdir", "x"), "/tmp/other");
    EXPECT_EQ(ini.ReadSection("settings").size(), 1u);
    EXPECT_EQ(FileText(path), "[settings]\nsnapOutPutDir=/tmp/other\n");
}

TEST_F(IniFileTest, ValuesAreKeptVerbatim)
{
    const std::string values[] = {
        "  leading and trailing  ",
        "a=b=c",
        "1,2,,3, 4",
        "\"quoted\"",
        "; not a comment",
        "[not a section]",
        "Größe ✓",
        "",
    };
    for (size_t i = 0; i < std::size(values); ++i) {
        const std::string key = "k" + std::to_string(i);
        ASSERT_TRUE(ini.WriteString("formatInfo100", key, values[i])) << key;
    }
    TIniFile other(path);  // a fresh reader sees exactly what was written
    for (size_t i = 0; i < std::size(values); ++i) {
        const std::string key = "k" + std::to_string(i);
        EXPECT_EQ(other.ReadString("formatInfo100", key, "default"), values[i]) << key;
    }
}

TEST_F(IniFileTest, ReadsHandWrittenFiles)
{
    WriteText(path,
              "; comment line\r\n"
              "[settings]\r\n"
              "  skinIndex = 3\r\n"
              "OutPutDir=/home/u/out \r\n"
              "\r\n"
              "[lstformat]\r\n"
              "0=1\r\n"
              "noequals\r\n"
              "1=0\r\n");
    EXPECT_EQ(ini.ReadInteger("settings", "skinindex", 0), 3);
    EXPECT_EQ(ini.ReadString("settings", "OutPutDir", ""), "/home/u/out ");
    EXPECT_TRUE(ini.ReadBool("lstformat", "0", false));
    EXPECT_FALSE(ini.ReadBool("lstformat", "1", true));
    EXPECT_TRUE(ini.ReadBool("lstformat", "2", true));
    EXPECT_EQ(ini.ReadSection("lstformat"), (std::vector<std::string>{"0", "1"}));
    // Keys of one section are not found in another.
    EXPECT_EQ(ini.ReadString("lstformat", "skinIndex", "none"), "none");
}

TEST_F(IniFileTest, IntegerReading)
{
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"-5", -5},
        {"+8", 8},
        {" 12 ", 12},
        {"0x1F", 31},
        {"$10", 16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        // Not numbers: the caller's default.
        {"", -99},
        {"abc", -99},
        {"12abc", -99},
        {"1.5", -99},
        {"2147483648", -99},
        {"--5", -99},
        {"+-5", -99},
        {"0x-5", -99},
        {"-", -99},
        {"0x", -99},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ini.WriteString("settings", "n", c.text));
        EXPECT_EQ(ini.ReadInteger("settings", "n", -99), c.expected) << '"' << c.text << '"';
    }
}

TEST_F(IniFileTest, BooleansAndIntegersAreWrittenAsDecimalText)
{
    ASSERT_TRUE(ini.WriteInteger("settings", "volume", -128));
    ASSERT_TRUE(ini.WriteBool("settings", "mute", true));
    ASSERT_TRUE(ini.WriteBool("lstformat", "3", false));
    EXPECT_EQ(ini.ReadString("settings", "volume", ""), "-128");
    EXPECT_EQ(ini.ReadString("settings", "mute", ""), "1");
    EXPECT_EQ(ini.ReadString("lstformat", "3", ""), "0");
    // Any non-zero number reads as true; a non-number gives the default.
    ASSERT_TRUE(ini.WriteString("settings", "flag", "2"));
    EXPECT_TRUE(ini.ReadBool("settings", "flag", false));
    ASSERT_TRUE(ini.WriteString("settings", "flag", "yes"));
    EXPECT_FALSE(ini.ReadBool("settings", "flag", false));
    EXPECT_TRUE(ini.ReadBool("settings", "flag", true));
}

TEST_F(IniFileTest, WritesGoToDiskAtOnceAndKeepTheRest)
{
    WriteText(path,
              "; keep me\n"
              "[settings]\n"
              "skinIndex=2\n"
              "\n"
              "[formatInfo1]\n"
              "paraVideoSize=320x240\n");
    ASSERT_TRUE(ini.WriteString("settings", "OutPutDir", "/out"));
    ASSERT_TRUE(ini.WriteInteger("formatInfo1", "iVideoSize", 1));
    ASSERT_TRUE(ini.WriteString("lstformat", "0", "0"));
    EXPECT_EQ(FileText(path),
              "; keep me\n"
              "[settings]\n"
              "skinIndex=2\n"
              "OutPutDir=/out\n"
              "\n"
              "[formatInfo1]\n"
              "paraVideoSize=320x240\n"
              "iVideoSize=1\n"
              "\n"
              "[lstformat]\n"
              "0=0\n");
}

// A value, key or section with a line break (a Linux folder name may hold
// one) must not inject keys or sections; such a write is refused.
TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFormat)
{
    ASSERT_TRUE(ini.WriteString("settings", "OutPutDir", "/safe"));
    const std::string before = FileText(path);
    EXPECT_FALSE(ini.WriteString("settings", "OutPutDir", "/x\n[settings]\nskinIndex=6"));
    EXPECT_FALSE(ini.WriteString("settings", "OutPutDir", "/x\rskinIndex=6"));
    EXPECT_FALSE(ini.WriteString("settings", "a\nb", "1"));
    EXPECT_FALSE(ini.WriteString("settings", "a=b", "1"));
    EXPECT_FALSE(ini.WriteString("settings", "", "1"));
    EXPECT_FALSE(ini.WriteString("set]tings", "a", "1"));
    EXPECT_FALSE(ini.WriteString("set\ntings", "a", "1"));
    EXPECT_EQ(FileText(path), before);
    EXPECT_EQ(ini.ReadInteger("settings", "skinIndex", -1), -1);
}

TEST_F(IniFileTest, UnwritableLocationReportsFalseAndLeavesNothing)
{
    TIniFile bad(dir.file("no/such/folder/settings.ini"));
    EXPECT_FALSE(bad.WriteString("settings", "a", "1"));
    EXPECT_EQ(bad.ReadString("settings", "a", "d"), "d");
}

TEST_F(IniFileTest, ReplaceLeavesNoTemporaryFile)
{
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(ini.WriteInteger("settings", "k" + std::to_string(i % 5), i));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"settings.ini"});
}

}  // namespace
