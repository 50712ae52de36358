// The "is an integer" and "is a number" tests of profile values.
#include "jobs/NumberText.h"

#include <gtest/gtest.h>

using namespace quorvia;

namespace {

struct TNumberCase {
    const char* Text;
    std::optional<int> Integer;
    std::optional<long double> Number;
};

const TNumberCase kNumberCases[] = {
    {"12", 12, 12},
    {"  12", 12, 12},
    {"+5", 5, 5},
    {"-5", -5, -5},
    {"$1F", 31, 31},
    {"x1f", 31, 31},
    {"X10", 16, 16},
    {"0x10", 16, 16},
    {"-$10", -16, -16},
    {"2147483647", 2147483647, 2147483647},
    {"-2147483648", -2147483647 - 1, -2147483648.0L},
    {"2147483648", std::nullopt, 2147483648.0L},  // too big for an integer, still a number
    {"96.5", std::nullopt, 96.5L},
    {".5", std::nullopt, 0.5L},
    {"5.", std::nullopt, 5},
    {" -1.5e2", std::nullopt, -150},
    {"1e3", std::nullopt, 1000},
    {"29.97", std::nullopt, 29.97L},
    {"", std::nullopt, std::nullopt},
    {" ", std::nullopt, std::nullopt},
    {"12 ", std::nullopt, std::nullopt},  // nothing may follow
    {"$", std::nullopt, std::nullopt},
    {"0x", std::nullopt, std::nullopt},
    {"1e", std::nullopt, std::nullopt},
    {"1.2.3", std::nullopt, std::nullopt},
    {".", std::nullopt, std::nullopt},
    {"1,5", std::nullopt, std::nullopt},  // "." is the only separator
    {"as source", std::nullopt, std::nullopt},
    {"$1.5", std::nullopt, std::nullopt},
};

TEST(NumberText, IntegerAndNumberTests)
{
    for (const auto& c : kNumberCases) {
        SCOPED_TRACE(std::string("\"") + c.Text + "\"");
        EXPECT_EQ(IntegerValue(c.Text), c.Integer);
        EXPECT_EQ(IsInteger(c.Text), c.Integer.has_value());
        const auto n = NumberValue(c.Text);
        ASSERT_EQ(n.has_value(), c.Number.has_value());
        if (n) {
            EXPECT_EQ(*n, *c.Number);
        }
        EXPECT_EQ(IsNumber(c.Text), c.Number.has_value());
    }
}

TEST(NumberText, KilobitsConvertWithoutLosingTheLastUnit)
{
    // A double would give 1004.999... and truncate to 1004.
    EXPECT_EQ(static_cast<int>(*NumberValue("1.005") * 1000), 1005);
    EXPECT_EQ(static_cast<int>(*NumberValue("96.5") * 1000), 96500);
}

TEST(NumberText, StrToIntRaisesTheConversionError)
{
    EXPECT_EQ(StrToInt(" $100"), 256);
    const char* bad[] = {"", "abc", "3.5", "256 "};
    for (const char* text : bad) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "no error for \"" << text << "\"";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid integer value");
        }
    }
}

}  // namespace
