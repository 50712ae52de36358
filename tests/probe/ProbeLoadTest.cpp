// Opening files with the prober: what opens, what fails with which text,
// names with the "unicode:utf8:" prefix, the library check, and who closes
// the file.
#include <dirent.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include "ProbeFixtures.h"
#include "ProbeTestSupport.h"
#include "engine/FFmpegException.h"
#include "probe/AVProbe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

using namespace quorvia;
using namespace quorvia::test;
namespace fs = std::filesystem;

namespace {

// How many of this process's descriptors point at the file.
int OpenDescriptors(const std::string& path)
{
    const fs::path target = fs::canonical(path);
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const fs::path linked = fs::read_symlink(entry.path(), ec);
        if (!ec && linked == target) ++count;
    }
    return count;
}

void ExpectClosed(const TAVProbe& probe)
{
    EXPECT_EQ(probe.FormatContext(), nullptr);
    EXPECT_EQ(probe.StreamCount(), -1);
    EXPECT_EQ(probe.ProgramCount(), -1);
    EXPECT_EQ(probe.FileSize(), -1);
    EXPECT_EQ(probe.AudioStreamCount(), -1);
    EXPECT_EQ(probe.VideoStreamCount(), -1);
    EXPECT_EQ(probe.SubtitleStreamCount(), -1);
    EXPECT_EQ(probe.FirstAudioStreamIndex(), -1);
    EXPECT_EQ(probe.FirstVideoStreamIndex(), -1);
    EXPECT_EQ(probe.FirstSubtitleStreamIndex(), -1);
    EXPECT_EQ(probe.LoadedFormatName(), "");
    EXPECT_EQ(probe.FileName(), "");
}

struct FormatContextClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};

}  // namespace

using ProbeLoad = ProbeTest;

TEST_F(ProbeLoad, UnopenableInputsFailWithTheirText)
{
    TempDir dir;
    const std::string mp4 = FixturePath(Fixture::Mp4);
    const struct {
        const char* name;
        std::string file;
        std::string format;
        std::string message;
    } cases[] = {
        {"zero bytes", FixturePath(Fixture::ZeroByte), "",
         FixturePath(Fixture::ZeroByte) + ": Invalid data found when processing input"},
        {"text named .mp4", FixturePath(Fixture::TextAsMp4), "",
         FixturePath(Fixture::TextAsMp4) + ": Invalid data found when processing input"},
        {"missing file", dir.file("missing.mp4"), "", dir.file("missing.mp4") + ": No such file or directory"},
        {"missing through the name prefix", "unicode:utf8:" + dir.file("missing.mp4"), "",
         dir.file("missing.mp4") + ": No such file or directory"},
        {"unknown forced format", mp4, "nosuchformat", "Unknown input format: nosuchformat"},
        {"wrong forced format", mp4, "wav", mp4 + ": Invalid data found when processing input"},
    };
    for (const auto& c : cases) {
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(mp4));  // a failed load must also drop what was open
        EXPECT_FALSE(probe.LoadFile(c.file, c.format)) << c.name;
        EXPECT_EQ(probe.LastErrMsg(), c.message) << c.name;
        ExpectClosed(probe);
    }
    EXPECT_EQ(OpenDescriptors(mp4), 0);
}

TEST_F(ProbeLoad, OpenFailureIsLoggedAsError)
{
    TAVProbe probe;
    LogCapture log(&probe);
    TempDir dir;
    EXPECT_FALSE(probe.LoadFile(dir.file("none.avi")));
    const auto lines = log.Take();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, llError);
    EXPECT_EQ(lines[0].text, dir.file("none.avi") + ": No such file or directory");
}

// A file cut short still has its header: it opens and describes itself.
TEST_F(ProbeLoad, TruncatedFileOpensFromItsHeader)
{
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(FixturePath(Fixture::Truncated))) << probe.LastErrMsg();
    EXPECT_EQ(probe.StreamCount(), 2);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(fs::file_size(FixturePath(Fixture::Truncated))));
    EXPECT_NE(probe.GetInfoText().find("Stream #1"), std::string::npos);
}

TEST_F(ProbeLoad, ForcedFormats)
{
    const struct {
        std::string file;
        const char* forced;
        const char* demuxer;
    } cases[] = {
        {FixturePath(Fixture::Mp4), "mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
        {FixturePath(Fixture::Mp3), "mp3", "mp3"},
        {FixturePath(Fixture::Wav), "wav", "wav"},
        {FixturePath(Fixture::MkvMulti), "matroska", "matroska,webm"},
        {FixturePath(Fixture::Mp4), "", "mov,mp4,m4a,3gp,3g2,mj2"},
    };
    for (const auto& c : cases) {
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(c.file, c.forced)) << c.forced << ": " << probe.LastErrMsg();
        EXPECT_EQ(probe.LoadedFormatName(), c.forced);
        EXPECT_EQ(probe.FormatName(), c.demuxer);
        EXPECT_TRUE(probe.OwnsContext());
        probe.Close();
        EXPECT_EQ(probe.LoadedFormatName(), "");
    }
}

// Non-ASCII names open as they are and through the "unicode:utf8:" prefix;
// the prober gives the name back without the prefix.
TEST_F(ProbeLoad, UnicodeNames)
{
    TempDir dir;
    const std::string path = dir.file("クリップ – été.mp4");
    fs::copy_file(FixturePath(Fixture::Mp4), path);
    for (const std::string& given : {path, "unicode:utf8:" + path}) {
        TAVProbe probe;
        ASSERT_TRUE(probe.LoadFile(given)) << given << ": " << probe.LastErrMsg();
        EXPECT_EQ(probe.FileName(), path);
        EXPECT_EQ(probe.StreamCount(), 2);
        EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(fs::file_size(path)));
        EXPECT_EQ(probe.GetInfoText().rfind("File Name: " + path + "\r\n", 0), 0u);
        TVideoStreamInfo video;
        EXPECT_TRUE(probe.GetVideoStreamInfo(-1, video));
        EXPECT_EQ(video.Width, 320);
        probe.Close();
        EXPECT_EQ(OpenDescriptors(path), 0) << given;
    }
}

TEST_F(ProbeLoad, LibraryCheckNamesTheFirstMissingLibrary)
{
    const struct {
        TLibrarySet unloaded;
        const char* message;
    } cases[] = {
        {{lkAVCodec}, "LibAVCodec not loaded."},
        {{lkAVFormat}, "LibAVFormat not loaded."},
        {{lkAVUtil}, "LibAVUtil not loaded."},
        {{lkSwScale}, "LibSwScale not loaded."},
        {{lkSwScale, lkAVUtil, lkAVFormat}, "LibAVFormat not loaded."},
    };
    const std::string mp4 = FixturePath(Fixture::Mp4);
    for (const auto& c : cases) {
        TAVProbe probe;
        FFLoader().Unload(c.unloaded);
        std::string loadMessage, attachMessage;
        try {
            probe.LoadFile(mp4);
        } catch (const FFmpegException& e) {
            loadMessage = e.what();
        }
        try {
            probe.AttachContext(nullptr);
        } catch (const FFmpegException& e) {
            attachMessage = e.what();
        }
        ASSERT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError();
        EXPECT_EQ(loadMessage, c.message);
        EXPECT_EQ(attachMessage, c.message);
    }
    TAVProbe probe;
    EXPECT_TRUE(probe.LoadFile(mp4));
}

TEST_F(ProbeLoad, CloseReleasesOnlyWhatTheProberOpened)
{
    const std::string mp4 = FixturePath(Fixture::Mp4);
    const std::string wav = FixturePath(Fixture::Wav);
    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(mp4));
    EXPECT_EQ(OpenDescriptors(mp4), 1);
    ASSERT_TRUE(probe.LoadFile(wav));  // loading another file closes the first
    EXPECT_EQ(OpenDescriptors(mp4), 0);
    probe.Close();
    EXPECT_EQ(OpenDescriptors(wav), 0);
    ExpectClosed(probe);

    // A context the engine opened stays open and readable after Close.
    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, mp4.c_str(), nullptr, nullptr), 0);
    std::unique_ptr<AVFormatContext, FormatContextClose> engineInput(raw);
    ASSERT_GE(avformat_find_stream_info(raw, nullptr), 0);
    probe.AttachContext(raw);
    EXPECT_FALSE(probe.OwnsContext());
    EXPECT_EQ(probe.FormatContext(), raw);
    EXPECT_EQ(probe.StreamCount(), 2);
    EXPECT_EQ(probe.FileName(), mp4);
    EXPECT_EQ(probe.FileSize(), static_cast<int64_t>(fs::file_size(mp4)));
    EXPECT_EQ(probe.LoadedFormatName(), "");
    probe.Close();
    ExpectClosed(probe);
    EXPECT_EQ(OpenDescriptors(mp4), 1);
    AVPacket* packet = av_packet_alloc();
    EXPECT_EQ(av_read_frame(raw, packet), 0);
    av_packet_free(&packet);

    // Attaching again and destroying the prober leaves it open too.
    {
        TAVProbe other;
        other.AttachContext(raw);
    }
    EXPECT_EQ(OpenDescriptors(mp4), 1);
    engineInput.reset();
    EXPECT_EQ(OpenDescriptors(mp4), 0);
}

TEST_F(ProbeLoad, DefaultStreamFollowsLoadAndClose)
{
    const struct {
        std::string file;
        int index;
    } cases[] = {
        {FixturePath(Fixture::Mp4), 0},
        {ProbeFixturePath(ProbeFixture::Flv), 1},  // audio first, video second
        {FixturePath(Fixture::Mp3), 0},
    };
    TAVProbe probe;
    for (const auto& c : cases) {
        ASSERT_TRUE(probe.LoadFile(c.file));
        EXPECT_EQ(probe.DefaultStreamIndex(), c.index) << c.file;
    }
    // The MP3's audio starts after the encoder delay.
    EXPECT_GT(probe.DefaultStartTime(), 0);
    probe.Close();
    EXPECT_EQ(probe.DefaultStreamIndex(), -1);
    EXPECT_EQ(probe.DefaultStartTime(), 0);
}
