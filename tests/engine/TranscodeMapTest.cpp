// Stream mapping: maps, default mapping, metadata and language tags, and
// the set-up failures of the mapping step.
#include <gtest/gtest.h>

#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

std::vector<std::string> Field(const std::vector<QJsonObject>& streams, const char* key, bool tag = false)
{
    std::vector<std::string> values;
    for (const auto& s : streams) {
        const QJsonValue v = tag ? s["tags"].toObject()[key] : s[key];
        values.push_back(v.toString().toStdString());
    }
    return values;
}

TEST(TranscodeMap, MapsTwoAudioOutputsInTheGivenOrder)
{
    // MkvMulti: 0 video, 1 AAC "eng", 2 MP3 "ger", 3 subtitles.
    TempDir dir;
    const std::string out = dir.file("mapped.mkv");
    const TJobResult r = RunJob(Job(FixturePath(Fixture::MkvMulti), out,
                                    "map=0:0\nmap=0:2\nmap=0:1\nvcodec=copy\nacodec=copy\nsn=1\nnewaudio=1\n"
                                    "metadata=title=Quorvia map test"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const QJsonObject probe = Probe(out);
    const auto audio = StreamsOf(probe, "audio");
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(Field(audio, "codec_name"), (std::vector<std::string>{"mp3", "aac"}));
    EXPECT_EQ(Field(audio, "language", true), (std::vector<std::string>{"ger", "eng"}));
    EXPECT_EQ(probe["format"].toObject()["tags"].toObject()["title"].toString(), "Quorvia map test");
    EXPECT_TRUE(DecodesCleanly(out));
}

TEST(TranscodeMap, DefaultMappingGivesEachOutputItsOwnStream)
{
    // Without maps the second audio output takes the audio stream the first
    // one left; each keeps its source's language tag.
    TempDir dir;
    const std::string out = dir.file("default.mkv");
    const TJobResult r =
        RunJob(Job(FixturePath(Fixture::MkvMulti), out, "vcodec=copy\nacodec=copy\nsn=1\nnewaudio=1"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto audio = StreamsOf(Probe(out), "audio");
    ASSERT_EQ(audio.size(), 2u);
    const auto codecs = Field(audio, "codec_name");
    const auto languages = Field(audio, "language", true);
    EXPECT_NE(codecs[0], codecs[1]);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(languages[i], codecs[i] == "aac" ? "eng" : "ger") << codecs[i];
}

TEST(TranscodeMap, TwoAudioOutputsShareTheOnlyAudioInput)
{
    TempDir dir;
    const std::string out = dir.file("shared.mkv");
    const TJobResult r =
        RunJob(Job(FixturePath(Fixture::Mp4), out, "vn=1\nacodec=copy\nnewaudio=1"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto packets = ProbePackets(out);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets.at(0), packets.at(1));
}

TEST(TranscodeMap, SetupFailuresNameTheProblem)
{
    const struct {
        const char* Options;
        const char* Message;
    } cases[] = {
        {"vcodec=copy\nacodec=copy\nmap=0:0", "Number of stream maps must match number of output streams"},
        {"vcodec=copy\nacodec=copy\nmap=0:0\nmap=0:7", "Could not find input stream #0.7"},
        {"vcodec=copy\nacodec=copy\nmap=0:0\nmap=0:1:0:9", "Could not find sync stream #0.9"},
        {"vcodec=copy\nacodec=copy\nmap=0:1\nmap=0:0", "Codec type mismatch for mapping #0.1 (Audio) -> #0.0 (Video)"},
        {"vcodec=copy\nacodec=copy\nprogramid=5", "Could not find input stream matching output stream #0.0 (Video)"},
        {"vcodec=copy\nacodec=copy\nmap_meta_data=3:0", "Invalid output file index 3 map_meta_data(3,0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        TempDir dir;
        const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("out.mkv"), c.Options));
        ASSERT_TRUE(r.Created) << r.CreateError;
        EXPECT_FALSE(r.Finished);
        EXPECT_EQ(r.ErrorMessage, c.Message);
    }
}

TEST(TranscodeMap, OutputWithoutStreamsFailsBeforeAnyCodec)
{
    TempDir dir;
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), dir.file("empty.mkv"), "vn=1\nan=1"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_FALSE(r.Finished);
    EXPECT_EQ(r.ErrorMessage, "Output file #0 does not contain any stream");
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.mkv")));
}

}  // namespace
}  // namespace quorvia::test
