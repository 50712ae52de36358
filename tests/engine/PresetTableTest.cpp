// The built-in option preset table and the preset line syntax.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "engine/FFmpegException.h"
#include "engine/OptionPresetTable.h"
#include "engine/OptionPresets.h"

namespace quorvia {
namespace {

std::vector<std::string> Lines(const char* text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string Key(const std::string& line) { return line.substr(0, line.find('=')); }

TEST(PresetTable, HoldsTheFortyNamesInTableOrder)
{
    const char* expected[] = {
        "libx264-baseline", "libx264-default", "libx264-fast", "libx264-fast_firstpass",
        "libx264-faster", "libx264-faster_firstpass", "libx264-fastfirstpass", "libx264-hq",
        "libx264-ipod320", "libx264-ipod640", "libx264-lossless_fast", "libx264-lossless_max",
        "libx264-lossless_medium", "libx264-lossless_slow", "libx264-lossless_slower",
        "libx264-lossless_ultrafast", "libx264-main", "libx264-max", "libx264-medium",
        "libx264-medium_firstpass", "libx264-normal", "libx264-placebo",
        "libx264-placebo_firstpass", "libx264-slow", "libx264-slow_firstpass", "libx264-slower",
        "libx264-slower_firstpass", "libx264-slowfirstpass", "libx264-superfast",
        "libx264-superfast_firstpass", "libx264-ultrafast", "libx264-ultrafast_firstpass",
        "libx264-veryfast", "libx264-veryfast_firstpass", "libx264-veryslow",
        "libx264-veryslow_firstpass", "libx264-psp", "libx264-ps3", "libx264-ipod", "libx264-mp4"};
    const auto& table = BuiltinOptionPresets();
    ASSERT_EQ(table.size(), std::size(expected));
    for (size_t i = 0; i < table.size(); ++i) EXPECT_STREQ(table[i].Name, expected[i]) << i;
}

TEST(PresetTable, ShortAndSelectedPresetsHaveTheirExactTexts)
{
    const std::string psp =
        "coder=1\nflags=+loop\nlevel=30\ncmp=+chroma\npartitions=+parti4x4+parti8x8+partp8x8+partb8x8\n"
        "me_method=umh\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\n"
        "b_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=3\nrefs=1\ndirectpred=1\ntrellis=2\n"
        "b=1250000\nmaxrate=1500000\nbufsize=4000000\nbt=256000\nsc_threshold=40";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"libx264-baseline", "coder=0\nbf=0\nflags2=-wpred-dct8x8\nwpredp=0"},
        {"libx264-ipod320",
         "coder=0\nbf=0\nflags2=-wpred-dct8x8\nlevel=13\nmaxrate=768000\nbufsize=3000000\nwpredp=0"},
        {"libx264-ipod640",
         "coder=0\nbf=0\nrefs=1\nflags2=-wpred-dct8x8\nlevel=30\nmaxrate=10000000\nbufsize=10000000\nwpredp=0"},
        {"libx264-main", "flags2=-dct8x8"},
        {"libx264-psp", psp},
        {"libx264-mp4", psp},
        {"libx264-ipod",
         "coder=0\nflags=+loop\nlevel=30\ncmp=+chroma\npartitions=+parti4x4+parti8x8+partp8x8\n"
         "me_method=umh\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\n"
         "b_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nrefs=1\ndirectpred=1\ntrellis=2\n"
         "b=1000000\nmaxrate=1250000\nbufsize=4000000\nbt=256000\nsc_threshold=40"},
        {"libx264-ultrafast",
         "coder=0\nflags=-loop\ncmp=+chroma\npartitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
         "me_method=dia\nsubq=0\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=0\ni_qfactor=0.71\n"
         "b_strategy=0\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=0\nrefs=1\ndirectpred=1\ntrellis=0\n"
         "flags2=-bpyramid-mixed_refs-wpred-dct8x8+fastpskip-mbtree\nwpredp=0"},
        {"libx264-lossless_ultrafast",
         "coder=0\nflags=+loop\ncmp=+chroma\npartitions=-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8\n"
         "me_method=dia\nsubq=0\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\ni_qfactor=0.71\n"
         "b_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\ndirectpred=1\nflags2=+fastpskip\ncqp=0"},
    };
    for (const auto& c : cases) {
        const TOptionsPreset* preset = FindBuiltinOptionPreset(c.name);
        ASSERT_NE(preset, nullptr) << c.name;
        EXPECT_EQ(preset->Text, c.text) << c.name;
    }
}

TEST(PresetTable, Ps3DiffersFromPspOnlyInBitRateAndMaxRate)
{
    std::vector<std::string> psp = Lines(FindBuiltinOptionPreset("libx264-psp")->Text);
    psp.erase(std::find(psp.begin(), psp.end(), "b=1250000"));
    std::replace(psp.begin(), psp.end(), std::string("maxrate=1500000"), std::string("maxrate=3500000"));
    EXPECT_EQ(Lines(FindBuiltinOptionPreset("libx264-ps3")->Text), psp);
}

TEST(PresetTable, EncoderSetsHoldTheCommonLinesInKeyOrder)
{
    const std::vector<std::string> order = {
        "coder", "flags", "cmp", "partitions", "me_method", "subq", "me_range", "g",
        "keyint_min", "sc_threshold", "i_qfactor", "b_strategy", "qcomp", "qmin", "qmax", "qdiff",
        "bf", "refs", "directpred", "trellis", "flags2", "cqp", "wpredp"};
    const std::set<std::string> shortOnes = {"libx264-baseline", "libx264-ipod320", "libx264-ipod640",
                                             "libx264-main"};
    const auto& table = BuiltinOptionPresets();
    int checked = 0;
    for (size_t i = 0; i < 36; ++i) {
        if (shortOnes.count(table[i].Name)) continue;
        ++checked;
        const std::vector<std::string> lines = Lines(table[i].Text);
        for (const char* common : {"cmp=+chroma", "g=250", "keyint_min=25", "i_qfactor=0.71",
                                   "qcomp=0.6", "qmin=10", "qmax=51", "qdiff=4"})
            EXPECT_NE(std::find(lines.begin(), lines.end(), common), lines.end())
                << table[i].Name << " lacks " << common;
        size_t last = 0;
        for (const std::string& line : lines) {
            const size_t at = std::find(order.begin(), order.end(), Key(line)) - order.begin();
            ASSERT_LT(at, order.size()) << table[i].Name << ": " << line;
            EXPECT_GE(at, last) << table[i].Name << ": " << line;
            last = at;
        }
    }
    EXPECT_EQ(checked, 32);
}

TEST(PresetTable, LookupIgnoresCase)
{
    const struct {
        const char* query;
        const char* found;
    } cases[] = {{"libx264-mp4", "libx264-mp4"}, {"LIBX264-MP4", "libx264-mp4"},
                 {"LibX264-Ipod", "libx264-ipod"}, {"mp4", nullptr}, {"", nullptr},
                 {"libx264-mp4 ", nullptr}};
    for (const auto& c : cases) {
        const TOptionsPreset* preset = FindBuiltinOptionPreset(c.query);
        if (c.found)
            EXPECT_TRUE(preset && std::string(preset->Name) == c.found) << c.query;
        else
            EXPECT_EQ(preset, nullptr) << c.query;
    }
}

TEST(PresetText, SplitsTrimmedNonEmptyLinesAtTheFirstEquals)
{
    const struct {
        std::string text;
        std::vector<std::pair<std::string, std::string>> expected;
    } cases[] = {
        {"b=1\nmaxrate=2", {{"b", "1"}, {"maxrate", "2"}}},
        {"b=1\r\n\r\nmaxrate=2\r", {{"b", "1"}, {"maxrate", "2"}}},
        {"b=1\rmaxrate=2", {{"b", "1"}, {"maxrate", "2"}}},
        {"  \n\t b=1 \n\n   \nmaxrate=2\n\n", {{"b", "1"}, {"maxrate", "2"}}},
        {"x264opts=a=b:c=d", {{"x264opts", "a=b:c=d"}}},
        {"key =value", {{"key ", "value"}}},
        {"", {}},
        {" \r\n ", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (const std::string& text : PresetTextLines(c.text)) {
            const TPresetLine line = SplitPresetLine("label", text);
            got.emplace_back(line.Key, line.Value);
        }
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

TEST(PresetText, LineWithoutKeyOrValueIsASyntaxError)
{
    const struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"=5", "lbl: Invalid syntax: \"=5\""},
        {"b=", "lbl: Invalid syntax: \"b=\""},
        {"novalue", "lbl: Invalid syntax: \"novalue\""},
        {"=", "lbl: Invalid syntax: \"=\""},
    };
    for (const auto& c : cases) {
        try {
            SplitPresetLine("lbl", c.line);
            ADD_FAILURE() << "no failure for " << c.line;
        } catch (const FFmpegException& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

}  // namespace
}  // namespace quorvia
