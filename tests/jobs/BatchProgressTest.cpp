// The figures of a progress report, the shortened file caption and the
// priority setting.
#include <gtest/gtest.h>

#include <string>

#include "jobs/BatchProgress.h"
#include "jobs/JobAdding.h"

namespace quorvia::test {
namespace {

TEST(BatchProgress, Percent)
{
    const struct {
        int64_t Time;
        int64_t Total;
        int Percent;
    } cases[] = {
        {30500000, 61000000, 50},
        {0, 61000000, 0},
        {60999999, 61000000, 99},
        {61000000, 61000000, 100},
        {63000000, 61000000, 100},  // output may run past the input's duration
        {5000000, 0, 0},            // unknown total
        {5000000, -1, 0},
        {-40000, 61000000, 0},
        {4000000000000LL, 8000000000000LL, 50},  // 64-bit products
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressPercent(c.Time, c.Total), c.Percent) << c.Time << "/" << c.Total;
    }
    EXPECT_EQ(PercentText(50), "50%");
}

TEST(BatchProgress, Texts)
{
    TProgressInfo p;
    p.TaskIndex = 1;
    p.Time = 30500000;
    p.TotalDuration = 61000000;
    p.TotalSize = 1234567;
    const TProgressTexts t = ProgressTextsOf(p, 2, "/media/a.mp4");
    EXPECT_EQ(t.CurrentTime, "30 Second");
    EXPECT_EQ(t.Length, "61 Second");
    EXPECT_EQ(t.FileSize, "1234 kb");
    EXPECT_EQ(t.Progress, "[2/2]");
    EXPECT_EQ(t.File, "/media/a.mp4");
}

std::string Repeat(const std::string& piece, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

TEST(BatchProgress, ShortFileCaption)
{
    // A path of 60 characters.
    const std::string path60 = "/srv/media/recordings/2010/summer/holiday_at_the_sea_01.mpeg";
    ASSERT_EQ(path60.size(), 60u);
    const struct {
        const char* Name;
        std::string Caption;
        std::string Expected;
    } cases[] = {
        {"60 characters", path60, path60.substr(0, 44) + ".." + ".mpeg"},
        {"50 characters stay", Repeat("b", 46) + ".avi", Repeat("b", 46) + ".avi"},
        {"51 characters are cut", Repeat("c", 47) + ".avi", Repeat("c", 44) + "...avi"},
        {"no extension", "/" + Repeat("d", 59), "/" + Repeat("d", 43) + ".."},
        {"a point in a folder is no extension", "/x.y/" + Repeat("e", 55), "/x.y/" + Repeat("e", 39) + ".."},
        // Two-byte characters: cut after 44 characters, never inside one.
        {"UTF-8", "/" + Repeat("\xc3\xa9", 50) + ".mkv", "/" + Repeat("\xc3\xa9", 43) + "...mkv"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortFileCaption(c.Caption), c.Expected) << c.Name;
}

TEST(BatchProgress, PriorityFromTheSetting)
{
    const struct {
        int Value;
        std::optional<TThreadPriority> Priority;
    } cases[] = {
        {0, tpIdle}, {1, tpNormal}, {2, tpLower}, {3, tpLowest}, {4, std::nullopt}, {-1, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(PriorityFromSetting(c.Value), c.Priority) << c.Value;
}

TEST(BatchProgress, LengthTextOfAProbeDuration)
{
    EXPECT_EQ(LengthText(61999999), "61");
    EXPECT_EQ(LengthText(0), "0");
    EXPECT_EQ(LengthText(-1), "");  // the probe knows no duration
}

}  // namespace
}  // namespace quorvia::test
