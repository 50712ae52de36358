// Every video encoder x audio encoder pair each profile of the shipped
// format INI offers (the other lists at their default item), converted with
// zoom "Letter Box" through the option builder and the real engine, and
// checked with ffprobe. Long: label "slow".
#include "jobs/ProfileMatrix.h"

#include <cctype>

using namespace quorvia;
using namespace quorvia::test::matrix;

namespace {

struct TCombination {
    int Code = 0;
    std::string VideoEncoder;  // empty: the profile offers none
    std::string AudioEncoder;
};

std::vector<TCombination> AllCombinations()
{
    const TFormatProfileStore store(ShippedFormatIni(), "/nonexistent/settings.ini");
    std::vector<TCombination> all;
    for (int code : AllProfileCodes()) {
        std::vector<std::string> video = ListItems(store, code, TChoiceKey::ckVideoEncoder);
        if (video.empty()) video.push_back({});
        for (const auto& v : video)
            for (const auto& a : ListItems(store, code, TChoiceKey::ckAudioEncoder)) all.push_back({code, v, a});
    }
    return all;
}

std::string NameOf(const ::testing::TestParamInfo<TCombination>& info)
{
    std::string name = CodeName(info.param.Code) + "_" +
                       (info.param.VideoEncoder.empty() ? "novideo" : info.param.VideoEncoder) + "_" +
                       info.param.AudioEncoder;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_') ch = '_';
    return name;
}

class EncoderMatrix : public ::testing::TestWithParam<TCombination> {};

TEST_P(EncoderMatrix, Converts)
{
    const TCombination& c = GetParam();
    SCOPED_TRACE(EntryName(c.Code));
    const TFormatProfileStore store(ShippedFormatIni(), "/nonexistent/settings.ini");
    TChoices choices = DefaultChoices(store, c.Code);
    if (!c.VideoEncoder.empty()) choices.Items[TChoiceKey::ckVideoEncoder] = c.VideoEncoder;
    choices.Items[TChoiceKey::ckAudioEncoder] = c.AudioEncoder;
    RunCombination(c.Code, choices, "lbox");
}

INSTANTIATE_TEST_SUITE_P(Shipped, EncoderMatrix, ::testing::ValuesIn(AllCombinations()), NameOf);

}  // namespace
