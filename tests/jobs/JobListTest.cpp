// The job list: rows and their records, selection after removal, check
// marks and the change notifications a view relies on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "jobs/JobList.h"

namespace quorvia::test {
namespace {

std::unique_ptr<TlvFilesRecord> Job(const std::string& source, const std::string& dest = "/out/x_(new)_ipod.mp4")
{
    auto r = std::make_unique<TlvFilesRecord>();
    r->SourceFile = source;
    r->DestFile = dest;
    return r;
}

// A list of n rows "/src/0.mp4" ... with the checks given.
void Fill(TJobList& list, const std::vector<bool>& checks)
{
    for (size_t i = 0; i < checks.size(); ++i) {
        const int row = list.Append(Job("/src/" + std::to_string(i) + ".mp4"), std::to_string(10 + i));
        list.SetChecked(row, checks[i]);
    }
}

std::vector<bool> Checks(const TJobList& list)
{
    std::vector<bool> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Checked(i));
    return out;
}

TEST(JobList, ColumnsInOrderWithTheirWidths)
{
    const struct {
        TJobColumn Column;
        const char* Caption;
        int Width;
    } cases[] = {
        {jcSource, "Source", 140},
        {jcLength, "Length", 65},
        {jcTrimmedLength, "Trimmed Length", 90},
        {jcDestinationFile, "Destination File", 120},
        {jcProgress, "Progress", 60},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(JobColumnCaption(c.Column), c.Caption);
        EXPECT_EQ(JobColumnWidth(c.Column), c.Width) << c.Caption;
    }
}

TEST(JobList, AppendFillsTheCellsFromTheRecord)
{
    TJobList list;
    const int row = list.Append(Job("/media/clip.avi", "/home/u/fennrow/clip_(new)_ipod.mp4"), "61");
    EXPECT_EQ(row, 0);
    EXPECT_EQ(list.Text(0, jcSource), "/media/clip.avi");
    EXPECT_EQ(list.Text(0, jcLength), "61");
    EXPECT_EQ(list.Text(0, jcTrimmedLength), "61");
    EXPECT_EQ(list.Text(0, jcDestinationFile), "clip_(new)_ipod.mp4");
    EXPECT_EQ(list.Text(0, jcProgress), "");
    EXPECT_TRUE(list.Checked(0));
    EXPECT_EQ(list.Record(0).SourceFile, list.Row(0).Caption);
    EXPECT_EQ(list.SelectedIndex(), -1);
    EXPECT_EQ(list.SelectedRecord(), nullptr);
    EXPECT_THROW(list.Row(1), std::out_of_range);
}

TEST(JobList, RecordsKeepTheirAddressWhileRowsComeAndGo)
{
    TJobList list;
    Fill(list, {true, true});
    TlvFilesRecord* second = &list.Record(1);
    for (int i = 0; i < 50; ++i) list.Append(Job("/more/" + std::to_string(i)), "1");
    list.Select(0);
    list.RemoveSelected();
    EXPECT_EQ(&list.Record(0), second);
}

TEST(JobList, CaptionsCompareExactly)
{
    TJobList list;
    list.Append(Job("/media/Clip.mp4"), "1");
    EXPECT_TRUE(list.ContainsCaption("/media/Clip.mp4"));
    EXPECT_FALSE(list.ContainsCaption("/media/clip.mp4"));
    EXPECT_FALSE(list.ContainsCaption("/media/Clip.mp4 "));
    EXPECT_EQ(list.IndexOfCaption("/media/Clip.mp4"), 0);
}

TEST(JobList, RemovingMovesTheSelectionAsTheUserExpects)
{
    const struct {
        const char* Name;
        int Count;
        int Remove;
        int SelectedAfter;
        std::vector<std::string> Left;
    } cases[] = {
        {"last of three selects the new last", 3, 2, 1, {"/src/0.mp4", "/src/1.mp4"}},
        {"middle of three selects the row that moved up", 3, 1, 1, {"/src/0.mp4", "/src/2.mp4"}},
        {"first of three selects the new first", 3, 0, 0, {"/src/1.mp4", "/src/2.mp4"}},
        {"the only row leaves no selection", 1, 0, -1, {}},
    };
    for (const auto& c : cases) {
        TJobList list;
        Fill(list, std::vector<bool>(static_cast<size_t>(c.Count), true));
        list.Select(c.Remove);
        list.SetFocused(c.Remove);
        ASSERT_TRUE(list.RemoveSelected()) << c.Name;
        EXPECT_EQ(list.SelectedIndex(), c.SelectedAfter) << c.Name;
        EXPECT_EQ(list.FocusedIndex(), c.SelectedAfter) << c.Name;
        std::vector<std::string> left;
        for (int i = 0; i < list.Count(); ++i) left.push_back(list.Row(i).Caption);
        EXPECT_EQ(left, c.Left) << c.Name;
        if (c.SelectedAfter >= 0) {
            EXPECT_EQ(list.SelectedRecord(), &list.Record(c.SelectedAfter)) << c.Name;
        }
    }
}

TEST(JobList, RemoveWithoutSelectionAndClearOfAnEmptyListDoNothing)
{
    TJobList list;
    EXPECT_FALSE(list.Clear());
    Fill(list, {true, false});
    EXPECT_FALSE(list.RemoveSelected());
    EXPECT_EQ(list.Count(), 2);
    list.Select(5);  // outside: ignored
    EXPECT_EQ(list.SelectedIndex(), -1);
    list.Select(1);
    EXPECT_TRUE(list.Clear());
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.SelectedIndex(), -1);
    EXPECT_EQ(list.FocusedIndex(), -1);
}

TEST(JobList, CheckMarks)
{
    const struct {
        const char* Name;
        void (TJobList::*Op)();
        std::vector<bool> Before;
        int Selected;
        std::vector<bool> After;
    } cases[] = {
        {"reverse check", &TJobList::ReverseCheck, {true, false, true}, -1, {false, true, false}},
        {"check all", &TJobList::CheckAll, {true, false, false}, -1, {true, true, true}},
        {"uncheck all", &TJobList::UncheckAll, {true, false, true}, -1, {false, false, false}},
        {"check the selected row", &TJobList::CheckSelected, {false, false, false}, 1, {false, true, false}},
        {"uncheck the selected row", &TJobList::UncheckSelected, {true, true, true}, 2, {true, true, false}},
        {"check without selection", &TJobList::CheckSelected, {false, false}, -1, {false, false}},
    };
    for (const auto& c : cases) {
        TJobList list;
        Fill(list, c.Before);
        list.Select(c.Selected);
        (list.*c.Op)();
        EXPECT_EQ(Checks(list), c.After) << c.Name;
    }
    TJobList list;
    Fill(list, {true, false, true, true});
    EXPECT_EQ(list.CheckedCount(), 3);
    EXPECT_EQ(list.CheckedRows(), (std::vector<int>{0, 2, 3}));
}

TEST(JobList, ObserverHearsBeforeAndAfterEachChange)
{
    TJobList list;
    std::vector<TJobListChange> seen;
    std::vector<int> countsSeen;
    list.SetObserver([&](const TJobListChange& c) {
        seen.push_back(c);
        countsSeen.push_back(list.Count());
    });
    Fill(list, {true, true, true});  // 3 x (about to insert, inserted), 0 changes (already checked)
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[4].Kind, TJobListChange::ckAboutToInsert);
    EXPECT_EQ(seen[4].First, 2);
    EXPECT_EQ(countsSeen[4], 2);
    EXPECT_EQ(seen[5].Kind, TJobListChange::ckInserted);
    EXPECT_EQ(countsSeen[5], 3);

    seen.clear();
    countsSeen.clear();
    list.Select(1);
    list.RemoveSelected();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[1].Kind, TJobListChange::ckAboutToRemove);
    EXPECT_EQ(countsSeen[1], 3);
    EXPECT_EQ(seen[2].Kind, TJobListChange::ckRemoved);
    EXPECT_EQ(countsSeen[2], 2);

    seen.clear();
    list.SetProgress(0, "50%");
    list.SetProgress(0, "50%");  // same text: no news
    list.ReverseCheck();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Kind, TJobListChange::ckDataChanged);
    EXPECT_EQ(seen[0].First, 0);
    EXPECT_EQ(seen[1].First, 0);
    EXPECT_EQ(seen[1].Last, 1);

    seen.clear();
    list.Clear();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Kind, TJobListChange::ckAboutToReset);
    EXPECT_EQ(seen[1].Kind, TJobListChange::ckReset);
}

}  // namespace
}  // namespace quorvia::test
