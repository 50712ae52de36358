// Value kinds of the options and the structured value parsers.
#include <gtest/gtest.h>

#include <climits>

#include "OptionTestSupport.h"
#include "engine/OptionValues.h"

namespace quorvia {
namespace {

using test::FailureOf;

TEST(OptionValueKinds, BoolIsTrueUnlessExactlyZero)
{
    const struct {
        const char* value;
        bool expected;
    } cases[] = {{"1", true}, {"", true}, {"0", false}, {"00", true}, {" 0", true}, {"false", true}};
    for (const auto& c : cases) EXPECT_EQ(OptionBool(c.value), c.expected) << "'" << c.value << "'";
}

TEST(OptionValueKinds, IntegersAcceptDecimalAndHexWithinRange)
{
    const struct {
        const char* value;
        int64_t expected;
    } good[] = {{"0", 0},        {"42", 42},          {"-7", -7},       {"+7", 7},
                {"  12", 12},    {"$1F", 31},         {"0x10", 16},     {"2147483647", INT_MAX},
                {"-2147483648", INT_MIN}};
    for (const auto& c : good) EXPECT_EQ(OptionInt(c.value), c.expected) << c.value;

    const char* bad[] = {"", " ", "abc", "12 ", "1.5", "12abc", "2147483648", "-2147483649", "0x", "--1"};
    for (const char* value : bad)
        EXPECT_EQ(FailureOf([&] { OptionInt(value); }),
                  std::string("'") + value + "' is not a valid integer value");

    EXPECT_EQ(OptionInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(OptionInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(OptionInt64("5000000000"), 5000000000LL);
    EXPECT_EQ(FailureOf([] { OptionInt64("9223372036854775808"); }),
              "'9223372036854775808' is not a valid integer value");
}

TEST(OptionValueKinds, FloatsUsePointAndRejectTheRest)
{
    const struct {
        const char* value;
        double expected;
    } good[] = {{"0.5", 0.5}, {" 1.25 ", 1.25}, {"-3", -3}, {"+2.5", 2.5}, {"1e3", 1000}, {"10", 10}};
    for (const auto& c : good) EXPECT_DOUBLE_EQ(OptionFloat(c.value), c.expected) << c.value;

    const char* bad[] = {"", "abc", "0,5", "1.5x", "inf", "nan", "+-1"};
    for (const char* value : bad)
        EXPECT_EQ(FailureOf([&] { OptionFloat(value); }),
                  std::string("'") + value + "' is not a valid floating point value");
}

TEST(OptionValueKinds, DurationsAndDates)
{
    const struct {
        const char* value;
        int64_t expected;
    } durations[] = {{"10", 10000000},         {"1.5", 1500000},       {"00:01:02", 62000000},
                     {"01:00:00.25", 3600250000LL}, {"-2", -2000000}};
    for (const auto& c : durations) EXPECT_EQ(OptionDuration("t", c.value), c.expected) << c.value;

    EXPECT_EQ(FailureOf([] { OptionDuration("ss", "abc"); }), "Invalid duration specification for ss: abc");
    EXPECT_EQ(FailureOf([] { OptionDuration("t", ""); }), "Invalid duration specification for t: ");
    EXPECT_EQ(FailureOf([] { OptionDate("timestamp", "yesterday"); }),
              "Invalid date specification for timestamp: yesterday");
    EXPECT_EQ(OptionDate("timestamp", "2010-01-02 03:04:05Z"), 1262401445LL * 1000000);
}

TEST(StructuredValues, StreamMapsReadOptionalSyncPart)
{
    const struct {
        const char* value;
        TStreamMap expected;
    } cases[] = {
        {"0.1", {0, 1, 0, 1}},       {"0:1", {0, 1, 0, 1}},     {"1.2:0.0", {1, 2, 0, 0}},
        {"0x1.010", {1, 8, 1, 8}},   {"2", {2, 0, 2, 0}},       {"1.3,2.4", {1, 3, 2, 4}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseStreamMap(c.value), c.expected) << c.value;
}

TEST(StructuredValues, MetaDataMapsAndStreamScales)
{
    EXPECT_EQ(ParseMetaDataMap("1:0"), (TMetaDataMap{1, 0}));
    EXPECT_EQ(ParseMetaDataMap("3"), (TMetaDataMap{3, 0}));
    const TStreamScale s = ParseStreamScale("2:1.5");
    EXPECT_EQ(s.Stream, 2);
    EXPECT_DOUBLE_EQ(s.Scale, 1.5);
    EXPECT_EQ(ParseStreamScale("0x10:2").Stream, 16);
}

TEST(StructuredValues, AspectRatios)
{
    const struct {
        const char* value;
        double expected;
    } cases[] = {{"16:9", 16.0 / 9}, {"4:3", 4.0 / 3}, {"4:0", 0}, {"4:-3", 0}, {"0", 0},
                 {"1.7777", 1.7777}, {"abc", 0},      {"x:3", 0}, {"16:y", 0}};
    for (const auto& c : cases) EXPECT_NEAR(ParseAspect(c.value), c.expected, 1e-9) << c.value;
}

TEST(StructuredValues, FourCharacterCodesAreLittleEndian)
{
    EXPECT_EQ(ParseFourCC("xvid"), std::optional<uint32_t>('x' | 'v' << 8 | 'i' << 16 | 'd' << 24));
    EXPECT_EQ(*ParseFourCC("xvid") & 0xff, static_cast<uint32_t>('x'));
    for (const char* bad : {"", "xvi", "xvid1"}) EXPECT_FALSE(ParseFourCC(bad)) << bad;
}

std::string Numbers(int count, const char* separator = ",")
{
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? separator : "") + std::to_string(i + 1);
    return text;
}

TEST(StructuredValues, QuantMatrices)
{
    const TQuantMatrix m = ParseQuantMatrix(Numbers(64));
    EXPECT_EQ(m[0], 1);
    EXPECT_EQ(m[63], 64);
    EXPECT_EQ(ParseQuantMatrix(Numbers(64, ", "))[10], 11);  // blanks before a number are fine

    const std::string ten = Numbers(10);
    EXPECT_EQ(FailureOf([&] { ParseQuantMatrix(ten); }),
              "Syntax error in matrix \"" + ten + "\" at coeff 9");
    EXPECT_EQ(FailureOf([] { ParseQuantMatrix(""); }), "Syntax error in matrix \"\" at coeff 0");
    // Zero or oversized entries would reach the encoder as divisors.
    std::string withZero = "0," + Numbers(63);
    EXPECT_EQ(FailureOf([&] { ParseQuantMatrix(withZero); }),
              "Matrix \"" + withZero + "\": coeff 0 must be 1 to 65535");
    std::string tooBig = Numbers(63) + ",70000";
    EXPECT_EQ(FailureOf([&] { ParseQuantMatrix(tooBig); }),
              "Matrix \"" + tooBig + "\": coeff 63 must be 1 to 65535");
}

TEST(StructuredValues, StreamIds)
{
    const TStreamId id = ParseStreamId("streamid", "3:256");
    EXPECT_EQ(id.Index, 3);
    EXPECT_EQ(id.Value, 256);
    for (const char* bad : {"3", ":5", "3:", ""})
        EXPECT_EQ(FailureOf([&] { ParseStreamId("streamid", bad); }),
                  std::string("Invalid value \"") + bad +
                      "\" for option \"streamid\", required syntax is \"index:value\"");
    EXPECT_EQ(FailureOf([] { ParseStreamId("streamid", "a:1"); }), "'a' is not a valid integer value");
}

TEST(StructuredValues, BitstreamFilterNames)
{
    const struct {
        const char* value;
        const char* name;
        const char* args;
    } cases[] = {{"h264_mp4toannexb", "h264_mp4toannexb", ""},
                 {"noise=amount=2", "noise", "amount=2"},
                 {"a=", "a", ""}};
    for (const auto& c : cases) {
        const auto parsed = ParseBitstreamFilter(c.value);
        ASSERT_TRUE(parsed) << c.value;
        EXPECT_EQ(parsed->Name, c.name);
        EXPECT_EQ(parsed->Args, c.args);
    }
    EXPECT_FALSE(ParseBitstreamFilter(""));
    EXPECT_FALSE(ParseBitstreamFilter("=dump"));
}

}  // namespace
}  // namespace quorvia
