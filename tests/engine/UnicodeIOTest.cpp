#include <gtest/gtest.h>

#include <QJsonArray>
#include <filesystem>
#include <fstream>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include "engine/NameConversion.h"
#include "engine/UnicodeIO.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace quorvia {
namespace {

namespace fs = std::filesystem;
using test::Fixture;
using test::FixturePath;

struct InputCloser {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
struct OutputFreer {
    void operator()(AVFormatContext* ctx) const { avformat_free_context(ctx); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFreer>;

std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Opens a prefixed name the way input opening does. The returned context
// must go before io.
InputPtr OpenThrough(const std::string& name, std::unique_ptr<TUnicodeIO>& io)
{
    int error = 0;
    io = OpenUnicodeIO(name, AVIO_FLAG_READ, &error);
    if (!io) {
        ADD_FAILURE() << ErrorText(error);
        return nullptr;
    }
    AVFormatContext* ctx = avformat_alloc_context();
    ctx->pb = io->Context();
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    const int result = avformat_open_input(&ctx, name.c_str(), nullptr, nullptr);
    if (result < 0) {
        ADD_FAILURE() << ErrorText(result);
        return nullptr;
    }
    return InputPtr(ctx);
}

class UnicodeIOTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = dir_.file("動画テスト.mp4");
        fs::copy_file(FixturePath(Fixture::Mp4), path_);
        name_ = kUnicodePrefix + path_;
    }
    test::TempDir dir_;
    std::string path_;
    std::string name_;
};

TEST_F(UnicodeIOTest, JapaneseNameOpensReadsSeeksAndReportsSize)
{
    ASSERT_TRUE(IsUnicodeName(name_));
    ASSERT_EQ(ToLibraryName(name_), name_);

    std::unique_ptr<TUnicodeIO> io;
    {
        InputPtr input = OpenThrough(name_, io);
        ASSERT_TRUE(input);
        EXPECT_EQ(avio_size(io->Context()), static_cast<int64_t>(fs::file_size(path_)));
        EXPECT_EQ(io->Path(), path_);
        EXPECT_EQ(FromLibraryName(input->url), path_);

        ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
        ASSERT_EQ(input->nb_streams, 2u);
        EXPECT_EQ(input->streams[0]->codecpar->codec_id, AV_CODEC_ID_MPEG4);
        EXPECT_EQ(input->streams[1]->codecpar->codec_id, AV_CODEC_ID_AAC);
        EXPECT_NEAR(input->duration / double(AV_TIME_BASE), 2.0, 0.1);

        // Seek to 1 s and read on: the first video packet lies just before it.
        ASSERT_GE(av_seek_frame(input.get(), -1, AV_TIME_BASE, AVSEEK_FLAG_BACKWARD), 0);
        AVPacket* packet = av_packet_alloc();
        double videoTime = -1;
        while (videoTime < 0 && av_read_frame(input.get(), packet) >= 0) {
            const AVStream* stream = input->streams[packet->stream_index];
            if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                videoTime = packet->pts * av_q2d(stream->time_base);
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
        EXPECT_GT(videoTime, 0.4);
        EXPECT_LE(videoTime, 1.0 + 1e-6);
    }
    EXPECT_EQ(io->Close(), 0);
}

TEST_F(UnicodeIOTest, MissingFileIsNoSuchFileOrDirectory)
{
    int error = 0;
    EXPECT_EQ(OpenUnicodeIO(kUnicodePrefix + dir_.file("ない.mp4"), AVIO_FLAG_READ, &error), nullptr);
    EXPECT_EQ(error, AVERROR(ENOENT));
    EXPECT_EQ(ErrorText(error), "No such file or directory");
    EXPECT_FALSE(fs::exists(dir_.file("ない.mp4")));  // reading never creates
}

TEST_F(UnicodeIOTest, OutputThroughPrefixReplacesExistingFile)
{
    const std::string outPath = dir_.file("出力ファイル.mkv");
    const std::string outName = kUnicodePrefix + outPath;
    {
        std::ofstream old(outPath, std::ios::binary);
        old << std::string(4 << 20, 'z');  // larger than anything written below
    }

    std::unique_ptr<TUnicodeIO> inIo;
    InputPtr input = OpenThrough(name_, inIo);
    ASSERT_TRUE(input);
    ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);

    int error = 0;
    auto outIo = OpenUnicodeIO(outName, AVIO_FLAG_WRITE, &error);
    ASSERT_TRUE(outIo) << ErrorText(error);
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, nullptr, outName.c_str()), 0);
    OutputPtr output(raw);
    EXPECT_STREQ(output->oformat->name, "matroska");
    output->pb = outIo->Context();
    output->flags |= AVFMT_FLAG_CUSTOM_IO;

    const AVStream* inVideo = input->streams[0];
    AVStream* outVideo = avformat_new_stream(output.get(), nullptr);
    ASSERT_GE(avcodec_parameters_copy(outVideo->codecpar, inVideo->codecpar), 0);
    outVideo->codecpar->codec_tag = 0;
    ASSERT_GE(avformat_write_header(output.get(), nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    int copied = 0;
    while (av_read_frame(input.get(), packet) >= 0) {
        if (packet->stream_index == 0) {
            av_packet_rescale_ts(packet, inVideo->time_base, outVideo->time_base);
            packet->stream_index = 0;
            packet->pos = -1;
            ASSERT_GE(av_interleaved_write_frame(output.get(), packet), 0);
            ++copied;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    ASSERT_GE(av_write_trailer(output.get()), 0);
    output.reset();
    EXPECT_EQ(outIo->Close(), 0);
    EXPECT_EQ(copied, 50);

    EXPECT_LT(fs::file_size(outPath), static_cast<uintmax_t>(4 << 20));
    const QJsonObject probe = test::Probe(outPath);
    EXPECT_EQ(probe["format"].toObject()["format_name"].toString(), "matroska,webm");
    const QJsonArray streams = probe["streams"].toArray();
    ASSERT_EQ(streams.size(), 1);
    EXPECT_EQ(streams[0].toObject()["codec_name"].toString(), "mpeg4");
}

}  // namespace
}  // namespace quorvia
