// Every profile of the shipped format INI converts the small fixture with
// its default choices, through the option builder and the real engine, and
// the output is what the profile says (ffprobe as the judge).
#include "jobs/ProfileMatrix.h"

using namespace quorvia;
using namespace quorvia::test::matrix;

namespace {

class ProfileMatrix : public ::testing::TestWithParam<int> {};

TEST_P(ProfileMatrix, DefaultChoicesConvert)
{
    const int code = GetParam();
    SCOPED_TRACE(EntryName(code));
    const TFormatProfileStore store(ShippedFormatIni(), "/nonexistent/settings.ini");
    RunCombination(code, DefaultChoices(store, code), "full");
}

INSTANTIATE_TEST_SUITE_P(Shipped, ProfileMatrix, ::testing::ValuesIn(AllProfileCodes()),
                         [](const ::testing::TestParamInfo<int>& info) { return CodeName(info.param); });

}  // namespace

namespace {

// A fresh program INI holds no choice: every profile converts to audio only
// (AAC through the legacy "libfaac" name), without asking anything.
TEST(ProfileMatrixFresh, NoChoicesGiveAudioOnly)
{
    quorvia::test::TempDir dir;
    const TFormatProfileStore store(ShippedFormatIni(), dir.file("quorviamp4fennrow.ini"));
    for (int code : {0, 1900}) {
        SCOPED_TRACE(EntryName(code));
        const std::string output = dir.file("fresh" + std::to_string(code) + "." + store.FileExt(code));
        const TConversion r =
            Convert(MatrixFixture(), code, store.SettingsIni(), store.FormatIni(), output, "lbox");
        TExpected e;
        e.Demuxer = DemuxerOf(store.FileExt(code));
        e.AudioCodec = "aac";  // also in FLV, which takes AAC
        e.SampleRate = 44100;
        e.Channels = 2;
        ExpectOutput(r, e);
    }
}

}  // namespace
