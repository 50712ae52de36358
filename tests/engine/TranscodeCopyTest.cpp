// Stream copy: remuxing keeps every packet; copy refusals; subtitles; a
// bitstream filter on copied packets.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <numeric>

#include "TranscodeTestSupport.h"
#include "engine/TranscodeMessages.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;
namespace tmsg = transcode::msg;

TEST(TranscodeCopy, RemuxMp4ToMkvKeepsEveryPacket)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string out = dir.file("copy.mkv");
    const TJobResult r = RunJob(Job(in, out, "vcodec=copy\nacodec=copy"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_TRUE(r.Finished) << r.ErrorMessage;

    const auto source = ProbePackets(in);
    const auto copied = ProbePackets(out);
    ASSERT_EQ(source.size(), 2u);
    ASSERT_EQ(copied.size(), 2u);
    for (const auto& [stream, sizes] : source) {
        ASSERT_TRUE(copied.count(stream)) << "stream " << stream;
        EXPECT_EQ(copied.at(stream), sizes) << "stream " << stream;
    }
    EXPECT_TRUE(DecodesCleanly(out));
    ASSERT_FALSE(r.Progress.empty());
    const TProgressInfo& last = r.Progress.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_EQ(last.FrameNumber, 50);
    EXPECT_FLOAT_EQ(last.Quality, -1.0f);
    EXPECT_EQ(last.TotalSize, static_cast<int64_t>(fs::file_size(out)));
    EXPECT_NEAR(static_cast<double>(last.Time) / 1e6, 2.0, 0.1);
}

struct TRefusal {
    const char* Name;
    const char* Options;
    std::function<void(TCustomFFmpeg&)> Prepare;
    const char* Message;
};

TEST(TranscodeCopy, RefusesCopyWhenFramesWouldBeNeeded)
{
    const TRefusal cases[] = {
        {"hook", "vcodec=copy\nan=1",
         [](TCustomFFmpeg& t) { t.Control().OnHook = [](TCustomFFmpeg&, THookInfo&) {}; }, tmsg::CopyAndCustomHook},
        {"preview", "vcodec=copy\nan=1", [](TCustomFFmpeg& t) { t.Control().PreviewFlags = pfPreviewEvent; },
         tmsg::CopyAndPostHooks},
        {"volume", "acodec=copy\nvol=512\nvn=1", nullptr, tmsg::CopyAndVolume},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string out = dir.file("refused.mkv");
        const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), out, c.Options, c.Prepare));
        ASSERT_TRUE(r.Created) << r.CreateError;
        EXPECT_FALSE(r.Finished);
        EXPECT_TRUE(r.ErrorOccurred);
        EXPECT_EQ(r.ErrorMessage, c.Message);
        // Nothing was written: the empty output is removed.
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST(TranscodeCopy, AudioCopyWithUnchangedVolumeIsAccepted)
{
    TempDir dir;
    const std::string out = dir.file("audio.mkv");
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Mp4), out, "acodec=copy\nvol=256\nvn=1"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_EQ(ProbePackets(out).at(0), ProbePackets(FixturePath(Fixture::Mp4)).at(1));
}

TEST(TranscodeCopy, SubtitlesAreCopiedMkvToMkv)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::MkvMulti);
    const std::string out = dir.file("subs.mkv");
    const TJobResult r = RunJob(Job(in, out, "vcodec=copy\nacodec=copy\nscodec=copy"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const auto subs = StreamsOf(Probe(out), "subtitle");
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_EQ(subs[0]["codec_name"].toString(), "subrip");
    const int subIndex = subs[0]["index"].toInt();
    EXPECT_EQ(ProbePackets(out).at(subIndex), ProbePackets(in).at(3));

    std::string text;
    RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(out) + " -map 0:s -f srt -", &text);
    EXPECT_NE(text.find("Hello"), std::string::npos) << text;
    EXPECT_NE(text.find("World"), std::string::npos) << text;
    // Each cue still lasts one second and the second starts one second after
    // the first (the whole file may be shifted by the source's start time).
    int h[4], m[4], sec[4], ms[4];
    const auto second = text.find("\n2\n");
    ASSERT_NE(second, std::string::npos) << text;
    ASSERT_EQ(std::sscanf(text.c_str(), "1 %d:%d:%d,%d --> %d:%d:%d,%d", &h[0], &m[0], &sec[0], &ms[0], &h[1], &m[1],
                          &sec[1], &ms[1]), 8) << text;
    ASSERT_EQ(std::sscanf(text.c_str() + second, " 2 %d:%d:%d,%d --> %d:%d:%d,%d", &h[2], &m[2], &sec[2], &ms[2],
                          &h[3], &m[3], &sec[3], &ms[3]), 8) << text;
    int t[4];
    for (int i = 0; i < 4; ++i) t[i] = ((h[i] * 60 + m[i]) * 60 + sec[i]) * 1000 + ms[i];
    EXPECT_EQ(t[1] - t[0], 1000);
    EXPECT_EQ(t[2] - t[0], 1000);
    EXPECT_EQ(t[3] - t[2], 1000);
    EXPECT_LT(t[0], 100);
}

TEST(TranscodeCopy, BitstreamFilterRewritesCopiedPackets)
{
    // dump_extra puts the stream header in front of every key frame.
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string out = dir.file("extra.mkv");
    const TJobResult r = RunJob(Job(in, out, "vcodec=copy\nan=1\nvbsf=dump_extra"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;
    const int extradata = StreamsOf(Probe(in), "video")[0]["extradata_size"].toInt();
    ASSERT_GT(extradata, 0);
    const auto before = ProbePackets(in).at(0);
    const auto after = ProbePackets(out).at(0);
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(after[0], before[0] + extradata);
    int grown = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(after[i] == before[i] || after[i] == before[i] + extradata) << "packet " << i;
        grown += after[i] != before[i];
    }
    EXPECT_GE(grown, 2);  // every key frame, not only the first
    EXPECT_LT(grown, static_cast<int>(before.size()));
}

}  // namespace
}  // namespace quorvia::test
