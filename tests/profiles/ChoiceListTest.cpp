#include "profiles/ChoiceList.h"

#include <gtest/gtest.h>

using namespace quorvia;

namespace {

struct SplitCase {
    const char* text;
    std::vector<std::string> items;
};

}  // namespace

TEST(ChoiceList, SplitsOnCommaWithoutTrimming)
{
    const SplitCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a,b", {"a", "b"}},
        {"a,,b,", {"a", "", "b", ""}},
        {",", {"", ""}},
        {",a", {"", "a"}},
        {" a , b ", {" a ", " b "}},
        {"pcm_mulaw ,x", {"pcm_mulaw ", "x"}},
        {"as source,mono 1 channel", {"as source", "mono 1 channel"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitChoiceList(c.text), c.items) << '"' << c.text << '"';
}

TEST(ChoiceList, NullAndEmptyValues)
{
    for (TChoiceKey key : kAllChoiceKeys) {
        const TChoiceList null = ParseChoiceList(key, "null");
        EXPECT_FALSE(null.Enabled) << ListKeyName(key);
        EXPECT_TRUE(null.Items.empty());

        // An empty value keeps only the size, video bit-rate and frame-rate boxes usable.
        const bool keepsEnabled = key == TChoiceKey::ckVideoSize ||
                                  key == TChoiceKey::ckVideoBitRate ||
                                  key == TChoiceKey::ckFrameRate;
        const TChoiceList empty = ParseChoiceList(key, "");
        EXPECT_EQ(empty.Enabled, keepsEnabled) << ListKeyName(key);
        EXPECT_TRUE(empty.Items.empty());
    }
    // Only the exact word means "no choices".
    const TChoiceList upper = ParseChoiceList(TChoiceKey::ckChannel, "NULL");
    EXPECT_TRUE(upper.Enabled);
    EXPECT_EQ(upper.Items, std::vector<std::string>{"NULL"});
}

TEST(ChoiceList, KeyNames)
{
    EXPECT_STREQ(ListKeyName(TChoiceKey::ckAudioEncoder), "AudioEncoder");
    EXPECT_STREQ(IndexKeyName(TChoiceKey::ckVideoBitRate), "iVideoBitRate");
    EXPECT_STREQ(ParaKeyName(TChoiceKey::ckVolume), "paraVolume");
    EXPECT_STREQ(IndexKeyName(TChoiceKey::ckSampleRate), "iSampleRate");
}
