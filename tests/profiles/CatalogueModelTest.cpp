#include "profiles/CatalogueModel.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace quorvia;
using quorvia::test::TempDir;

namespace {

class CatalogueModel : public ::testing::Test {
protected:
    TempDir dir;
    std::string settingsFile = dir.file("settings.ini");
    TIniFile settings{settingsFile};
    TCatalogueModel model{settingsFile};

    int RowOf(const std::string& text) const { return model.FindRow(text); }
};

}  // namespace

TEST_F(CatalogueModel, FirstRunShowsAllCategoriesCollapsed)
{
    model.Build();
    ASSERT_EQ(model.RowCount(), 25);
    for (const auto& row : model.Rows()) {
        EXPECT_TRUE(row.Info.IsCategory);
        EXPECT_FALSE(row.Info.IsEntry);
        EXPECT_TRUE(row.Info.Collapsed);
    }
    EXPECT_EQ(model.Rows()[13].Text, "Nitendeo WII");
    EXPECT_EQ(model.Rows()[13].Info.Code, 13);
    EXPECT_EQ(model.Current().Name, "Apple iPod Video MPEG-4 Movie (*.mp4)");
    EXPECT_EQ(model.Current().Code, "1");
    EXPECT_EQ(model.Selected(), -1);
    EXPECT_EQ(model.BuildHeight(), 362);  // 25 rows x 20 is past 363
    EXPECT_EQ(model.OpenHeight(), 386);
    EXPECT_EQ(ReadCurrentProfile(settings, kDefaultFormatNameOnShow).Name, "iPod Video MPEG-4");
}

TEST_F(CatalogueModel, ExpandAndPickIPodEntry)
{
    model.Build();
    ASSERT_EQ(model.MousePress(0, 5), TPressResult::prToggled);
    ASSERT_EQ(model.RowCount(), 34);
    EXPECT_FALSE(model.Rows()[0].Info.Collapsed);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_TRUE(model.Rows()[i].Info.IsEntry);
        EXPECT_EQ(model.Rows()[i].Info.Code, i - 1);
    }
    EXPECT_TRUE(model.Rows()[10].Info.IsCategory);

    const int row = RowOf("iPod Video H.264 (*.mp4)");
    ASSERT_EQ(row, 2);
    EXPECT_EQ(model.MousePress(row, 60), TPressResult::prPicked);
    EXPECT_EQ(settings.ReadString("settings", "FormatName", ""), "iPod Video H.264 (*.mp4)");
    EXPECT_EQ(settings.ReadString("settings", "FormatCode", ""), "1");
    EXPECT_EQ(model.Current().Name, "iPod Video H.264 (*.mp4)");
    EXPECT_EQ(model.Current().Code, "1");
}

TEST_F(CatalogueModel, PickingHdMovStoresItsCode)
{
    model.Build();
    ASSERT_TRUE(model.DoubleClick(21));  // anywhere on the row
    const int row = RowOf("HD MOV Video (*.mov)");
    ASSERT_EQ(row, 25);
    ASSERT_TRUE(model.Pick(row));
    EXPECT_EQ(ReadFormatCode(settings), 2103);
    EXPECT_EQ(ReadFormatName(settings, ""), "HD MOV Video (*.mov)");

    // A fresh model shows the stored profile selected after building.
    TCatalogueModel again(settingsFile);
    again.Build();
    EXPECT_EQ(again.Selected(), -1);  // its category is collapsed again
    EXPECT_EQ(again.Current().Code, "2103");
}

TEST_F(CatalogueModel, PressPositionDecidesOnCategories)
{
    model.Build();
    const int hd = 21;
    EXPECT_EQ(model.MousePress(hd, 20), TPressResult::prNone);
    EXPECT_TRUE(model.Rows()[hd].Info.Collapsed);
    EXPECT_EQ(model.MousePress(hd, 19), TPressResult::prToggled);
    EXPECT_EQ(model.RowCount(), 34);
    // Expanded: a press at x >= 20 does nothing, below 20 collapses.
    EXPECT_EQ(model.MousePress(hd, 25), TPressResult::prNone);
    EXPECT_EQ(model.RowCount(), 34);
    EXPECT_EQ(model.MousePress(hd, 0), TPressResult::prToggled);
    EXPECT_EQ(model.RowCount(), 25);
    EXPECT_TRUE(model.Rows()[hd].Info.Collapsed);
    // Nothing to pick on a category, nothing outside the rows.
    EXPECT_FALSE(model.Pick(hd));
    EXPECT_EQ(model.MousePress(99, 0), TPressResult::prNone);
    EXPECT_FALSE(model.DoubleClick(-1));
    EXPECT_FALSE(settings.ValueExists("settings", "FormatCode"));
}

TEST_F(CatalogueModel, CollapseRemovesOnlyItsOwnEntries)
{
    model.Build();
    ASSERT_TRUE(model.Toggle(1));  // Apple iPhone, 5 entries
    ASSERT_TRUE(model.Toggle(0));  // Apple iPod, 9 entries, before it
    ASSERT_EQ(model.RowCount(), 25 + 5 + 9);
    const int iphone = RowOf("Apple iPhone");
    ASSERT_EQ(iphone, 10);
    ASSERT_TRUE(model.Toggle(0));
    EXPECT_EQ(model.RowCount(), 25 + 5);
    EXPECT_EQ(RowOf("iPhone Movie for 576p TV Out (*.mp4)"), 6);
}

TEST_F(CatalogueModel, CategoryStatesPersist)
{
    model.Build();
    model.Toggle(RowOf("HD Video"));
    model.Toggle(RowOf("Sony PSP"));
    model.StoreCategoryStates();
    EXPECT_EQ(settings.ReadString("lstformat", "21", ""), "0");
    EXPECT_EQ(settings.ReadString("lstformat", "4", ""), "0");
    EXPECT_EQ(settings.ReadString("lstformat", "0", ""), "1");
    EXPECT_EQ(settings.ReadSection("lstformat").size(), 25u);

    WriteCurrentProfile(settings, "PSP Video (480P) (*.mp4)", 404);
    TCatalogueModel again(settingsFile);
    again.Build();
    EXPECT_EQ(again.RowCount(), 25 + 5 + 9);
    EXPECT_FALSE(again.Rows()[4].Info.Collapsed);
    EXPECT_EQ(again.Rows()[9].Text, "PSP Video (480P) (*.mp4)");
    EXPECT_EQ(again.Selected(), 9);
    EXPECT_EQ(again.BuildHeight(), 362);
}

TEST_F(CatalogueModel, OpenSelectsStoredNameTrimmed)
{
    settings.WriteString("lstformat", "24", "0");
    settings.WriteString("settings", "FormatName", "  WAV - Waveform Audio (*.wav) ");
    model.Build();
    EXPECT_EQ(model.Selected(), RowOf("WAV - Waveform Audio (*.wav)"));
    model.Select(3);
    EXPECT_EQ(model.Selected(), 3);
    model.Select(500);
    EXPECT_EQ(model.Selected(), -1);
    EXPECT_EQ(model.Open(), "  WAV - Waveform Audio (*.wav) ");
    EXPECT_EQ(model.Selected(), 29);
}
