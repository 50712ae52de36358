// Adding files through the real engine: what is added, what is skipped,
// the proposed names and the records of the new rows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "JobsTestSupport.h"
#include "engine/FFmpegVCL.h"
#include "jobs/JobAdding.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

class JobAddingTest : public TJobsTestBase {
protected:
    void SetUp() override
    {
        TJobsTestBase::SetUp();
        out = Folder("out") + "/";
        settings.WriteString("settings", "OutPutDir", out);
        settings.WriteString("settings", "FormatCode", "2103");
        format.WriteString("formatInfo2103", "FileExt", "mp4");
        settings.WriteString("formatInfo2103", "paraZoom", "pan");
    }
    TAddFilesResult Add(const std::vector<std::string>& paths)
    {
        return AddFiles(list, engine, paths, settings, format, prompts);
    }

    std::string out;
    TFFmpegVCL engine;
    TJobList list;
    TRecordingPrompts prompts;
};

TEST_F(JobAddingTest, TwoFilesBecomeTwoCheckedRowsWithTheirRecords)
{
    const std::string a = CopyFixture(Fixture::Mp4, dir.file("src"), "alpha.mp4");
    const std::string b = CopyFixture(Fixture::Avi, dir.file("src"), "beta.avi");
    const TAddFilesResult r = Add({a, b});
    ASSERT_TRUE(r.LibrariesLoaded);
    ASSERT_EQ(r.AddedRows, (std::vector<int>{0, 1}));
    EXPECT_TRUE(r.Skipped.empty());
    EXPECT_EQ(engine.TasksCount(), 0) << "no task stays behind";

    const struct {
        std::string Source;
        std::string Dest;
    } rows[] = {{a, "alpha_(new)_ipod.mp4"}, {b, "beta_(new)_ipod.mp4"}};
    for (int i = 0; i < 2; ++i) {
        const TlvFilesRecord& job = list.Record(i);
        EXPECT_EQ(list.Row(i).Caption, rows[i].Source);
        EXPECT_TRUE(list.Checked(i));
        EXPECT_EQ(list.Text(i, jcLength), "2");
        EXPECT_EQ(list.Text(i, jcTrimmedLength), "2");
        EXPECT_EQ(list.Text(i, jcDestinationFile), rows[i].Dest);
        EXPECT_EQ(list.Text(i, jcProgress), "");
        EXPECT_EQ(job.AddOrder, i);
        EXPECT_EQ(job.SourceFile, rows[i].Source);
        EXPECT_EQ(job.DestFile, out + rows[i].Dest);
        EXPECT_EQ(job.Duration, 2);
        EXPECT_EQ(job.ZoomMode, "pan");
        EXPECT_EQ(job.TrimStart, 0);
        EXPECT_EQ(job.WaterImageAlpha, 168);
    }
    EXPECT_EQ(list.SelectedIndex(), 0);
    EXPECT_EQ(list.FocusedIndex(), 0);
}

TEST_F(JobAddingTest, AFileAlreadyListedIsSkipped)
{
    const std::string a = CopyFixture(Fixture::Mp4, dir.file("src"), "alpha.mp4");
    ASSERT_EQ(Add({a}).AddedRows.size(), 1u);
    const TAddFilesResult again = Add({a});
    EXPECT_TRUE(again.AddedRows.empty());
    ASSERT_EQ(again.Skipped.size(), 1u);
    EXPECT_EQ(again.Skipped[0].Reason, srDuplicate);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(JobAddingTest, FoldersAndUnreadableFilesAreSkippedTheRestIsAdded)
{
    const std::string good = CopyFixture(Fixture::Mp4, dir.file("src"), "good.mp4");
    const TAddFilesResult r = Add({FixturePath(Fixture::TextAsMp4), dir.file("src"), FixturePath(Fixture::ZeroByte),
                                   dir.file("missing.mp4"), good});
    ASSERT_EQ(r.AddedRows, (std::vector<int>{0}));
    EXPECT_EQ(list.Row(0).Caption, good);
    EXPECT_EQ(list.Record(0).AddOrder, 4);
    ASSERT_EQ(r.Skipped.size(), 4u);
    const TSkipReason reasons[] = {srUnreadable, srFolder, srUnreadable, srUnreadable};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.Skipped[i].Reason, reasons[i]) << r.Skipped[i].Path;
        if (reasons[i] == srUnreadable) {
            EXPECT_FALSE(r.Skipped[i].Detail.empty()) << r.Skipped[i].Path;
        }
    }
    EXPECT_TRUE(prompts.Warnings.empty());
    EXPECT_EQ(engine.TasksCount(), 0);
}

TEST_F(JobAddingTest, ExistingOutputsMoveTheProposedNameOn)
{
    const std::string a = CopyFixture(Fixture::Mp4, dir.file("src"), "clip.mp4");
    Touch(out + "clip_(new)_ipod.mp4");
    Add({a});
    EXPECT_EQ(list.Record(0).DestFile, out + "clip_(new_1)_ipod.mp4");

    ClearJobList(list, engine);
    Touch(out + "clip_(new_1)_ipod.mp4");
    Add({a});
    EXPECT_EQ(list.Text(0, jcDestinationFile), "clip_(new_2)_ipod.mp4");
}

TEST_F(JobAddingTest, SameFileNameInTwoFoldersGetsTwoNames)
{
    const std::string a = CopyFixture(Fixture::Mp4, dir.file("one"), "clip.mp4");
    const std::string b = CopyFixture(Fixture::Mp4, dir.file("two"), "clip.mp4");
    const std::string c = CopyFixture(Fixture::Mp4, dir.file("three"), "clip.mp4");
    Add({a, b});
    Add({c});  // also against rows listed before
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(0, jcDestinationFile), "clip_(new)_ipod.mp4");
    EXPECT_EQ(list.Text(1, jcDestinationFile), "clip_(new_1)_ipod.mp4");
    EXPECT_EQ(list.Text(2, jcDestinationFile), "clip_(new_2)_ipod.mp4");
}

TEST_F(JobAddingTest, TheProfileGivesExtensionAndZoomDefaults)
{
    // A profile with nothing stored: extension "mp4", zoom "lbox".
    settings.WriteString("settings", "FormatCode", "7");
    format.WriteString("formatInfo1", "FileExt", "avi");  // FormatCode 7 has no section: defaults
    const std::string a = CopyFixture(Fixture::Mp3, dir.file("src"), "song.mp3");
    Add({a});
    EXPECT_EQ(list.Text(0, jcDestinationFile), "song_(new)_ipod.mp4");
    EXPECT_EQ(list.Record(0).ZoomMode, "lbox");

    // "FormatCode" absent: profile 1.
    TIniFile fresh(dir.file("fresh.ini"));
    fresh.WriteString("settings", "OutPutDir", out);
    const std::string b = CopyFixture(Fixture::Wav, dir.file("src"), "tone.wav");
    AddFiles(list, engine, {b}, fresh, format, prompts);
    EXPECT_EQ(list.Text(1, jcDestinationFile), "tone_(new)_ipod.avi");
}

TEST_F(JobAddingTest, ClearingAnEmptyListCallsNothing)
{
    EXPECT_FALSE(ClearJobList(list, engine));
    const std::string a = CopyFixture(Fixture::Mp4, dir.file("src"), "clip.mp4");
    Add({a});
    EXPECT_TRUE(ClearJobList(list, engine));
    EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace quorvia::test
