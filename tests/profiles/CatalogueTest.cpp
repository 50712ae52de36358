#include "profiles/Catalogue.h"

#include <gtest/gtest.h>
#include <set>

using namespace quorvia;

TEST(Catalogue, CategoriesAndCounts)
{
    const auto& categories = Categories();
    ASSERT_EQ(categories.size(), 25u);
    size_t entries = 0;
    for (size_t i = 0; i < categories.size(); ++i) {
        EXPECT_EQ(categories[i].Code, static_cast<int>(i));
        entries += categories[i].Entries.size();
    }
    EXPECT_EQ(entries, 115u);
    EXPECT_EQ(AllProfileCodes().size(), 115u);

    const std::pair<int, size_t> sizes[] = {{0, 9},  {1, 5},  {8, 7},  {10, 10}, {14, 6},
                                            {17, 8}, {21, 9}, {23, 10}, {24, 7}, {22, 1}};
    for (const auto& [code, count] : sizes) EXPECT_EQ(categories[code].Entries.size(), count) << code;
}

TEST(Catalogue, NamesAreKeptAsShipped)
{
    EXPECT_EQ(CategoryName(0), "Apple iPod");
    EXPECT_EQ(CategoryName(12), "Microsoft xbox 360");
    EXPECT_EQ(CategoryName(13), "Nitendeo WII");
    EXPECT_EQ(CategoryName(18), "Quick Time Video - MOV");
    EXPECT_EQ(CategoryName(23), "General Video formates");
    EXPECT_EQ(CategoryName(24), "General Audio formates");
    EXPECT_EQ(CategoryName(25), "");

    EXPECT_EQ(EntryName(0), "iPod Video MPEG-4 (*.mp4)");
    EXPECT_EQ(EntryName(2), "iPod MPEG-4 Excellent (320 x 240)(*.mp4)");
    EXPECT_EQ(EntryName(904), "Creative Zen Vison Video (*.avi)");
    EXPECT_EQ(EntryName(1402), "Mobile Phone 3GP2 h263 Video(*.3gp)");
    EXPECT_EQ(EntryName(2103), "HD MOV Video (*.mov)");
    EXPECT_EQ(EntryName(2309), "DV - PAL -Digital Video Format (*.dv)");
    EXPECT_EQ(EntryName(2401), "AAC Advenced Audio Codec (*.aac)");
    EXPECT_EQ(EntryName(2403), "WMA - Windows Meida Audio (*.wma)");
    EXPECT_EQ(EntryName(1300), "Nitendeo Wii AVI Video (*.avi)");
    EXPECT_EQ(EntryName(9), "");
    EXPECT_EQ(EntryName(2500), "");
    EXPECT_EQ(EntryName(-1), "");
}

TEST(Catalogue, CodesAndLookup)
{
    EXPECT_EQ(ProfileCode(21, 3), 2103);
    EXPECT_EQ(CategoryOfCode(2103), 21);
    EXPECT_EQ(IndexOfCode(2103), 3);
    EXPECT_EQ(CodeOfName("HD MOV Video (*.mov)"), 2103);
    EXPECT_EQ(CodeOfName("  iPod Video H.264 (*.mp4) "), 1);
    EXPECT_EQ(CodeOfName("Nokia N Series MPEG-4 Video(*.mp4)"), 1405);
    EXPECT_EQ(CodeOfName("Nokia N Series MPEG-4 Video (*.mp4)"), 1600);
    EXPECT_EQ(CodeOfName("Apple iPod Video MPEG-4 Movie (*.mp4)"), std::nullopt);
    EXPECT_EQ(CodeOfName("Apple iPod"), std::nullopt);

    // Every name leads back to its own code.
    std::set<std::string> names;
    for (int code : AllProfileCodes()) {
        EXPECT_EQ(CodeOfName(EntryName(code)), code);
        EXPECT_TRUE(names.insert(EntryName(code)).second) << EntryName(code);
    }
}

TEST(Catalogue, NameTable)
{
    TCatalogueTable table;
    EXPECT_EQ(table.Name(0, 0), "");
    table.Fill(Categories()[21]);
    EXPECT_EQ(table.Name(21, 3), "HD MOV Video (*.mov)");
    EXPECT_EQ(table.Name(21, 9), "");
    EXPECT_EQ(table.Name(50, 50), "");
    EXPECT_EQ(table.Name(51, 0), "");
    EXPECT_EQ(table.Name(0, -1), "");
    table.Clear();
    EXPECT_EQ(table.Name(21, 3), "");
}
