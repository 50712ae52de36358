// Option text: line splitting, lower-cased names, skipped names and the
// codec selections that only the input record may carry.
#include <gtest/gtest.h>

#include "OptionTestSupport.h"
#include "engine/OptionText.h"

namespace quorvia {
namespace {

using test::FailureOf;
using Lines = std::vector<std::pair<std::string, std::string>>;

Lines Split(const std::string& text)
{
    Lines out;
    for (const TOptionLine& line : SplitOptionText(text)) out.emplace_back(line.Name, line.Value);
    return out;
}

TEST(OptionText, LinesAreSplitAtEveryKindOfBreak)
{
    const struct {
        const char* text;
        Lines expected;
    } cases[] = {
        {"a=1<CRLF>b=2", {{"a", "1"}, {"b", "2"}}},
        {"a=1\nb=2", {{"a", "1"}, {"b", "2"}}},
        {"a=1\r\nb=2", {{"a", "1"}, {"b", "2"}}},
        {"a=1\rb=2", {{"a", "1"}, {"b", "2"}}},
        {"a=1\r\n\r\nb=2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
        {"  \t A=1 \r\n", {{"a", "1"}}},
        {"x= keep  blanks \ny=2", {{"x", " keep  blanks "}, {"y", "2"}}},
        {"vn", {{"vn", ""}}},
        {"metadata=title=a=b", {{"metadata", "title=a=b"}}},
        {"Video Name=Value", {{"video name", "Value"}}},
        {"a=1<CRLF>", {{"a", "1"}}},
        {"<CRLF><CRLF>a=1", {{"", ""}, {"", ""}, {"a", "1"}}},
        {"a=<crlf>", {{"a", "<crlf>"}}},
        {"", {}},
        {" \r\n ", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Split(c.text), c.expected) << "text: " << c.text;
}

TEST(OptionText, NamesAreLowerCasedBeforeDispatch)
{
    const struct {
        const char* text;
        bool disabled;
    } cases[] = {{"vn=1", true}, {"vn=", true}, {"vn", true}, {"VN=1", true}, {"vn=0", false}, {"Vn=0", false}};
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        task.ParseOptionText(c.text, true);
        EXPECT_EQ(task.Options().VideoDisable, c.disabled) << c.text;
    }
}

TEST(OptionText, SameOptionsWhateverTheLineBreak)
{
    TCustomFFmpeg crlf, lf;
    crlf.ParseOptionText("g=12<CRLF>bf=2<CRLF>ar=22050", true);
    lf.ParseOptionText("g=12\nbf=2\nar=22050", true);
    EXPECT_EQ(crlf.Options().GenericOptionNames, (std::vector<std::string>{"g", "bf"}));
    EXPECT_EQ(lf.Options().GenericOptionNames, crlf.Options().GenericOptionNames);
    EXPECT_EQ(crlf.Options().AudioSampleRate, 22050);
}

TEST(OptionText, StreamOptionsOfOutputRecordsAreSkipped)
{
    TCustomFFmpeg task;
    // Each would fail or change the state if it were dispatched here.
    const char* text =
        "newvideo=1\nnewaudio=1\nnewsubtitle=1\napre=nosuch\nvpre=nosuch\nspre=nosuch\n"
        "vfilters=scale=2:2\nvf=scale=2:2";
    EXPECT_EQ(FailureOf([&] { task.ParseOptionText(text, true); }), "(no failure)");
    EXPECT_EQ(task.Options().VideoFilters, "");
    // "fpre" is not one of them.
    EXPECT_NE(FailureOf([&] { task.ParseOptionText("fpre=nosuch-preset", true); }), "(no failure)");
}

TEST(OptionText, CodecSelectionsOnlyWhenIncluded)
{
    const char* text = "vcodec=mpeg4\nacodec=copy\nscodec=mov_text\ns=320x240\nvtag=xvid";
    TCustomFFmpeg without;
    without.ParseOptionText(text, false);
    EXPECT_FALSE(without.Options().VideoCodecName);
    EXPECT_FALSE(without.Options().AudioStreamCopy);
    EXPECT_FALSE(without.Options().SubtitleCodecName);
    EXPECT_EQ(without.Options().FrameWidth, 0);
    EXPECT_NE(without.Options().VideoCodecTag, 0u);  // not a codec selection

    TCustomFFmpeg with;
    with.ParseOptionText(text, true);
    EXPECT_EQ(with.Options().VideoCodecName, "mpeg4");
    EXPECT_TRUE(with.Options().AudioStreamCopy);
    EXPECT_EQ(with.Options().SubtitleCodecName, "mov_text");
    EXPECT_EQ(with.Options().FrameWidth, 320);
}

TEST(OptionText, AFailingLineStopsTheRestAndKeepsTheFormer)
{
    TCustomFFmpeg task;
    EXPECT_EQ(FailureOf([&] { task.ParseOptionText("ar=22050\npass=3\nac=1", true); }),
              "pass number can be only 1 or 2");
    EXPECT_EQ(task.Options().AudioSampleRate, 22050);
    EXPECT_EQ(task.Options().AudioChannels, 2);
}

}  // namespace
}  // namespace quorvia
