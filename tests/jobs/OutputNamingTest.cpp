// Output names: the output folder and its fallback, the "_(new)" /
// "_(new_n)" sequence, and names that must never be handed out twice or
// over a source.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "JobsTestSupport.h"
#include "app/Paths.h"
#include "jobs/OutputNaming.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

class OutputNamingTest : public TJobsTestBase {};

TEST_F(OutputNamingTest, FolderFromTheSettingsIsCreatedWithItsParents)
{
    const std::string out = dir.file("a/b/c");
    settings.WriteString("settings", "OutPutDir", out);
    TRecordingPrompts prompts;
    EXPECT_EQ(PrepareOutputFolder(settings, prompts), out + "/");
    EXPECT_TRUE(fs::is_directory(out));
    EXPECT_TRUE(prompts.Warnings.empty());
    // A folder given with its slash keeps one.
    settings.WriteString("settings", "OutPutDir", out + "/");
    EXPECT_EQ(PrepareOutputFolder(settings, prompts), out + "/");
}

TEST_F(OutputNamingTest, NoSettingMeansTheDefaultFolderInHome)
{
    TRecordingPrompts prompts;
    EXPECT_EQ(DefaultOutputFolder(), dir.file("fennrow"));
    EXPECT_EQ(PrepareOutputFolder(settings, prompts), dir.file("fennrow") + "/");
    EXPECT_TRUE(fs::is_directory(dir.file("fennrow")));
    EXPECT_TRUE(prompts.Warnings.empty());
}

TEST_F(OutputNamingTest, AFolderThatCannotBeCreatedFallsBackToTheDefaultWithAWarning)
{
    Touch(dir.file("plain-file"));
    const std::string bad = dir.file("plain-file/sub");
    for (const std::string& value : {bad, std::string()}) {
        settings.WriteString("settings", "OutPutDir", value);
        TRecordingPrompts prompts;
        EXPECT_EQ(PrepareOutputFolder(settings, prompts), DefaultOutputFolder() + "/") << value;
        ASSERT_EQ(prompts.Warnings.size(), 1u) << value;
        EXPECT_EQ(prompts.Warnings[0].Caption, "Warning");
        EXPECT_EQ(prompts.Warnings[0].Text, "Cannot create output directory:" + value +
                                                ".It will create default directory " + DefaultOutputFolder() + "!");
        EXPECT_EQ(settings.ReadString("settings", "OutPutDir", "?"), DefaultOutputFolder());
        EXPECT_TRUE(fs::is_directory(DefaultOutputFolder()));
    }
}

TEST_F(OutputNamingTest, TakenNamesAreSkippedInOrder)
{
    const std::string out = Folder("out") + "/";
    const std::string source = "/media/videos/holiday.clip.avi";
    const struct {
        const char* Name;
        std::vector<std::string> Existing;
        std::string Expected;
    } cases[] = {
        {"nothing there", {}, "holiday.clip_(new)_ipod.mp4"},
        {"first taken", {"holiday.clip_(new)_ipod.mp4"}, "holiday.clip_(new_1)_ipod.mp4"},
        {"first two taken", {"holiday.clip_(new)_ipod.mp4", "holiday.clip_(new_1)_ipod.mp4"},
         "holiday.clip_(new_2)_ipod.mp4"},
        {"a gap is used", {"holiday.clip_(new)_ipod.mp4", "holiday.clip_(new_2)_ipod.mp4"},
         "holiday.clip_(new_1)_ipod.mp4"},
        {"other extension does not count", {"holiday.clip_(new)_ipod.avi"}, "holiday.clip_(new)_ipod.mp4"},
    };
    for (const auto& c : cases) {
        fs::remove_all(out);
        fs::create_directories(out);
        for (const auto& e : c.Existing) Touch(out + e);
        EXPECT_EQ(FreeOutputName(out, source, "_ipod.mp4"), out + c.Expected) << c.Name;
    }
}

TEST_F(OutputNamingTest, AnythingUnderTheNameCountsAsTaken)
{
    const std::string out = Folder("out") + "/";
    fs::create_directories(out + "a_(new).mp4");                          // a folder
    fs::create_symlink(dir.file("nowhere"), out + "a_(new_1).mp4");      // a dangling link
    EXPECT_EQ(FreeOutputName(out, "/src/a.mp4", ".mp4"), out + "a_(new_2).mp4");
}

TEST_F(OutputNamingTest, NamesGivenEarlierInTheBatchAreTaken)
{
    const std::string out = Folder("out") + "/";
    settings.WriteString("settings", "OutPutDir", out);
    TRecordingPrompts prompts;
    TReservedOutputs reserved;
    // Same file name in two folders: the second job must not write over the first.
    const std::string first = OutputName("/one/clip.mp4", ".mp4", settings, prompts, &reserved);
    const std::string second = OutputName("/two/clip.mp4", ".mp4", settings, prompts, &reserved);
    EXPECT_EQ(first, out + "clip_(new).mp4");
    EXPECT_EQ(second, out + "clip_(new_1).mp4");
    // Without the reservation both would get the first name (nothing exists yet).
    EXPECT_EQ(OutputName("/three/clip.mp4", ".mp4", settings, prompts), first);
    // Reservations compare canonical paths.
    TReservedOutputs other;
    fs::create_symlink(out, dir.file("link"));
    other.Reserve(dir.file("link") + "/../out/clip_(new).mp4");
    EXPECT_TRUE(other.Contains(out + "clip_(new).mp4"));
    EXPECT_EQ(FreeOutputName(out, "/x/clip.mp4", ".mp4", &other), out + "clip_(new_1).mp4");
}

TEST_F(OutputNamingTest, TheSourceIsNeverTheOutputEvenInItsOwnFolder)
{
    // Output folder = the source's folder, reached through a link: the name
    // handed out differs from the source and from its earlier outputs.
    const std::string src = Folder("media");
    fs::create_symlink(src, dir.file("via-link"));
    Touch(src + "/clip_(new).mp4");  // a source named like an output
    const std::string source = src + "/clip_(new).mp4";
    const std::string name = FreeOutputName(dir.file("via-link") + "/", source, ".mp4");
    EXPECT_NE(CanonicalPath(name), CanonicalPath(source));
    EXPECT_EQ(name, dir.file("via-link") + "/clip_(new)_(new).mp4");

    Touch(src + "/clip.mp4");
    const std::string plain = FreeOutputName(dir.file("via-link") + "/", src + "/clip.mp4", ".mp4");
    EXPECT_EQ(plain, dir.file("via-link") + "/clip_(new_1).mp4");  // clip_(new).mp4 is the other source
}

}  // namespace
}  // namespace quorvia::test
