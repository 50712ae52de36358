#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include "FileTestSupport.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"

namespace fs = std::filesystem;

namespace quorvia {
namespace {

using test::Fixture;
using test::FixturePath;
using test::FileLogCapture;
using test::TempDir;

std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no failure)";
}

// Stream kinds and encoder names of an output file, e.g. "video:mpeg4 audio:aac".
std::string Layout(const TOutputFile& file)
{
    std::string text;
    for (const TOutputStream& st : file.Streams) {
        if (!text.empty()) text += ' ';
        text += av_get_media_type_string(st.MediaType);
        text += ':';
        text += st.StreamCopy ? "copy" : st.Encoder ? st.Encoder->name : avcodec_get_name(st.CodecContext->codec_id);
    }
    return text;
}

class OutputCreation : public ::testing::Test {
protected:
    // A task with the MP4 fixture (MPEG-4 320x240 25 fps, AAC stereo 44.1 kHz) opened.
    void OpenSource(TCustomFFmpeg& task, Fixture f = Fixture::Mp4)
    {
        ASSERT_TRUE(task.OpenInput(FixturePath(f))) << task.LastError();
    }
    FileLogCapture log;
    TempDir dir;
};

TEST_F(OutputCreation, FormatAndStreamsFollowTheFileName)
{
    const struct {
        const char* Name;
        const char* Format;
        const char* Layout;
    } cases[] = {
        {"out.mp4", "mp4", "video:libx264 audio:aac"},
        {"out.mkv", "matroska", "video:libx264 audio:libvorbis"},
        {"out.avi", "avi", "video:mpeg4 audio:libmp3lame"},
        {"out.3gp", "3gp", "video:h263 audio:amr_nb"},  // no AMR encoder is installed
        {"out.flv", "flv", "video:flv audio:libmp3lame"},
        {"out.wmv", "asf", "video:msmpeg4 audio:wmav2"},
        {"out.mp3", "mp3", "audio:libmp3lame"},  // cover-picture video codec does not count
        {"out.mpg", "mpeg", "video:mpeg1video audio:mp2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TCustomFFmpeg task;
        OpenSource(task);
        const std::string path = dir.file(c.Name);
        ASSERT_EQ(task.OpenOutput(path, false), 1) << task.LastError();
        const TOutputFile& out = task.Files.Output(0);
        EXPECT_STREQ(out.Format()->name, c.Format);
        EXPECT_EQ(Layout(out), c.Layout);
        EXPECT_TRUE(fs::exists(path));
        for (const TOutputStream& st : out.Streams) {
            EXPECT_EQ(st.EncoderByName, nullptr);  // guessed, not named
            EXPECT_EQ(st.Stream->index, st.Index);
        }
    }
}

TEST_F(OutputCreation, FormatByNameAndUnknownFormats)
{
    {
        TCustomFFmpeg task;
        task.SetOption("f", "matroska");
        ASSERT_EQ(task.OpenOutput(dir.file("out.bin"), false), 1) << task.LastError();
        EXPECT_STREQ(task.Files.Output(0).Format()->name, "matroska");
        EXPECT_TRUE(task.Options().PendingFormat.empty());
    }
    const struct {
        const char* Format;
        std::string Name;
        std::string Expected;
    } failures[] = {
        {"xyz", dir.file("out.mp4"), "Requested output format 'xyz' is not a suitable output format"},
        {"", dir.file("out.qqq"), "Unable to find a suitable output format for '" + dir.file("out.qqq") + "'"},
        {"", dir.file("noext"), "Unable to find a suitable output format for '" + dir.file("noext") + "'"},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.Name);
        TCustomFFmpeg task;
        task.SetOption("f", c.Format);
        EXPECT_EQ(task.OpenOutput(c.Name, false), -1);
        EXPECT_EQ(task.LastError(), c.Expected);
        EXPECT_EQ(task.OutputFileCount(), 0);
        EXPECT_FALSE(fs::exists(c.Name));
    }
}

TEST_F(OutputCreation, WantedKindsFollowInputsAndDisableFlags)
{
    const struct {
        Fixture Source;
        const char* Options;
        const char* Name;
        const char* Layout;
    } cases[] = {
        {Fixture::Mp3, "", "a.mp4", "audio:aac"},
        {Fixture::Mp4, "an=1", "b.mp4", "video:libx264"},
        {Fixture::Mp4, "vn=1", "c.mp4", "audio:aac"},
        {Fixture::MkvMulti, "vcodec=mpeg4\nacodec=mp2", "d.mkv", "video:mpeg4 audio:mp2 subtitle:ssa"},  // the first ASS encoder
        {Fixture::MkvMulti, "sn=1\nvcodec=copy\nacodec=copy", "e.mkv", "video:copy audio:copy"},
        {Fixture::MkvMulti, "scodec=srt\nvn=1\nan=1", "f.mkv", "subtitle:srt"},
        {Fixture::Mp4, "scodec=mov_text", "g.mp4", "video:libx264 audio:aac"},  // no subtitle in the source
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TCustomFFmpeg task;
        OpenSource(task, c.Source);
        task.ParseOptionText(c.Options, true);
        ASSERT_EQ(task.OpenOutput(dir.file(c.Name), false), 1) << task.LastError();
        EXPECT_EQ(Layout(task.Files.Output(0)), c.Layout);
    }
    // Without inputs the format's defaults decide.
    TCustomFFmpeg bare;
    ASSERT_EQ(bare.OpenOutput(dir.file("bare.avi"), false), 1);
    EXPECT_EQ(Layout(bare.Files.Output(0)), "video:mpeg4 audio:libmp3lame");
}

TEST_F(OutputCreation, EncoderFailuresNameTheStream)
{
    const struct {
        const char* Options;
        std::string Expected;
    } cases[] = {
        {"vcodec=libfoo", "new_video_stream fail: Unknown encoder 'libfoo'"},
        {"vcodec=aac", "new_video_stream fail: Invalid encoder type 'aac'"},
        {"acodec=libopencore_amrnb", "new_audio_stream fail: Unknown encoder 'libopencore_amrnb'"},
        {"acodec=opus",
         "new_audio_stream fail: encoder 'opus' is experimental and might produce bad results.\r\n"
         "Add '-strict experimental' if you want to use it.\r\nOr use the non experimental encoder 'libopus'."},
        {"vcodec=mpeg4\nrc_override=0,10", "new_video_stream fail: error parsing rc_override"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        TCustomFFmpeg task;
        OpenSource(task);
        task.ParseOptionText(c.Options, true);
        const std::string path = dir.file("fail.mkv");
        EXPECT_EQ(task.OpenOutput(path, false), -1);
        EXPECT_EQ(task.LastError(), c.Expected);
        EXPECT_EQ(task.OutputFileCount(), 0);
        EXPECT_FALSE(fs::exists(path)) << "a failed output leaves no file";
    }
}

TEST_F(OutputCreation, EncodersByNameCopyAndLegacyNames)
{
    TCustomFFmpeg task;
    OpenSource(task);
    task.ParseOptionText("vcodec=copy\nacodec=libfaac", true);
    ASSERT_EQ(task.OpenOutput(dir.file("named.mp4"), false), 1) << task.LastError();
    const TOutputFile& out = task.Files.Output(0);
    ASSERT_EQ(out.Streams.size(), 2u);
    EXPECT_TRUE(out.Streams[0].StreamCopy);
    EXPECT_EQ(out.Streams[0].Encoder, nullptr);
    EXPECT_EQ(out.Streams[0].CodecContext->codec_id, AV_CODEC_ID_NONE);
    // Copy keeps the source's display aspect in the sample aspect ratio.
    EXPECT_EQ(av_cmp_q(out.Streams[0].Stream->sample_aspect_ratio, AVRational{1, 1}), 0);
    ASSERT_NE(out.Streams[1].EncoderByName, nullptr);
    EXPECT_STREQ(out.Streams[1].EncoderByName->name, "aac");
    EXPECT_EQ(out.Streams[1].Encoder, out.Streams[1].EncoderByName);
    EXPECT_TRUE(log.Has(llWarning, "Encoder 'libfaac' is not available in the installed libraries; using 'aac' instead"));
    // Per-stream state is consumed.
    const TOptionState& s = task.Options();
    EXPECT_FALSE(s.VideoStreamCopy);
    EXPECT_FALSE(s.AudioCodecName.has_value());
    EXPECT_EQ(s.FramePixFmt, -1);
}

TEST_F(OutputCreation, FrameRateSnapsToTheEncodersRates)
{
    const struct {
        const char* Options;
        AVRational TimeBase;
    } cases[] = {
        {"vcodec=mpeg2video\nr=24.5", {1, 24}},  // equally near 24 and 25: the first listed
        {"vcodec=mpeg2video\nr=23.9", {1001, 24000}},
        {"vcodec=mpeg1video\nr=29.9", {1001, 30000}},
        {"vcodec=mpeg1video\nr=24.5\nforce_fps=1", {2, 49}},
        {"vcodec=mpeg4\nr=24.5", {2, 49}},  // lists no rates
        {"vcodec=mpeg4\nr=30000/1001", {1001, 30000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        TCustomFFmpeg task;
        OpenSource(task);
        task.ParseOptionText(c.Options, true);
        ASSERT_EQ(task.OpenOutput(dir.file("rate.mpg"), false), 1) << task.LastError();
        const AVCodecContext* ctx = task.Files.Output(0).Streams[0].CodecContext.get();
        EXPECT_EQ(av_cmp_q(ctx->time_base, c.TimeBase), 0) << ctx->time_base.num << "/" << ctx->time_base.den;
        EXPECT_EQ(av_cmp_q(ctx->framerate, av_inv_q(c.TimeBase)), 0);
    }
    TCustomFFmpeg unset;  // no source and no rate: 25
    unset.SetOption("vcodec", "mpeg4");
    ASSERT_EQ(unset.OpenOutput(dir.file("unset.avi"), false), 1);
    EXPECT_EQ(av_cmp_q(unset.Files.Output(0).Streams[0].CodecContext->time_base, AVRational{1, 25}), 0);
}

TEST_F(OutputCreation, VideoEncoderIsConfiguredFromTheOptions)
{
    TCustomFFmpeg task;
    OpenSource(task);
    std::string matrix;
    for (int i = 0; i < 64; ++i) matrix += (i ? "," : "") + std::to_string(16 + i);
    task.ParseOptionText("vcodec=mpeg4\ns=640x360\naspect=16:9\npix_fmt=rgb24\nqscale=3.5\nintra=1\n"
                         "rc_override=0,10,4/11,20,-50\npass=1\npsnr=1\ndc=9\nvtag=XVID\nb=900000\n"
                         "intra_matrix=" + matrix,
                         true);
    ASSERT_EQ(task.OpenOutput(dir.file("conf.mp4"), false), 1) << task.LastError();
    const TOutputStream& st = task.Files.Output(0).Streams[0];
    const AVCodecContext* ctx = st.CodecContext.get();
    EXPECT_EQ(ctx->codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(ctx->width, 640);
    EXPECT_EQ(ctx->height, 360);
    EXPECT_EQ(av_cmp_q(ctx->sample_aspect_ratio, AVRational{1, 1}), 0);
    EXPECT_EQ(av_cmp_q(st.Stream->sample_aspect_ratio, AVRational{1, 1}), 0);
    EXPECT_EQ(ctx->pix_fmt, AV_PIX_FMT_YUV420P);  // rgb24 is not an MPEG-4 format
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_EQ(ctx->global_quality, static_cast<int>(3.5 * FF_QP2LAMBDA));
    EXPECT_EQ(ctx->gop_size, 0);
    ASSERT_EQ(ctx->rc_override_count, 2);
    EXPECT_EQ(ctx->rc_override[0].start_frame, 0);
    EXPECT_EQ(ctx->rc_override[0].end_frame, 10);
    EXPECT_EQ(ctx->rc_override[0].qscale, 4);
    EXPECT_FLOAT_EQ(ctx->rc_override[0].quality_factor, 1.0f);
    EXPECT_EQ(ctx->rc_override[1].qscale, 0);
    EXPECT_FLOAT_EQ(ctx->rc_override[1].quality_factor, 0.5f);
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_PASS1);
    EXPECT_FALSE(ctx->flags & AV_CODEC_FLAG_PASS2);
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_PSNR);
    EXPECT_EQ(ctx->intra_dc_precision, 1);
    EXPECT_EQ(ctx->codec_tag, MKTAG('X', 'V', 'I', 'D'));
    EXPECT_EQ(ctx->bit_rate, 900000);  // generic option reached the encoder context
    ASSERT_NE(ctx->intra_matrix, nullptr);
    EXPECT_EQ(ctx->intra_matrix[63], 79);
    EXPECT_EQ(ctx->inter_matrix, nullptr);
    EXPECT_TRUE(ctx->flags & AV_CODEC_FLAG_GLOBAL_HEADER);  // MP4 wants global headers
    EXPECT_EQ(ctx->thread_count, task.Options().ThreadCount);
}

TEST_F(OutputCreation, GlobalHeaderRules)
{
    const struct {
        const char* Name;
        const char* Options;
        bool VideoGlobal, VideoLocal, AudioGlobal;
    } cases[] = {
        {"g1.avi", "vcodec=mpeg4", false, false, false},
        {"g2.mp4", "vcodec=mpeg4", true, false, true},
        {"g3.avi", "vcodec=mpeg4\nvglobal=1", true, false, false},
        {"g4.mp4", "vcodec=mpeg4\nvglobal=2", false, true, true},
        {"g5.avi", "vcodec=mpeg4\nvglobal=3", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TCustomFFmpeg task;
        OpenSource(task);
        task.ParseOptionText(c.Options, true);
        ASSERT_EQ(task.OpenOutput(dir.file(c.Name), false), 1) << task.LastError();
        const auto& streams = task.Files.Output(0).Streams;
        EXPECT_EQ((streams[0].CodecContext->flags & AV_CODEC_FLAG_GLOBAL_HEADER) != 0, c.VideoGlobal);
        EXPECT_EQ((streams[0].CodecContext->flags2 & AV_CODEC_FLAG2_LOCAL_HEADER) != 0, c.VideoLocal);
        EXPECT_EQ((streams[1].CodecContext->flags & AV_CODEC_FLAG_GLOBAL_HEADER) != 0, c.AudioGlobal);
    }
}

TEST_F(OutputCreation, AudioFormatAndRateFitTheEncoder)
{
    const struct {
        const char* Options;
        int Rate, Channels;
        AVSampleFormat Format;
        bool Warned;
    } cases[] = {
        {"acodec=mp2", 44100, 2, AV_SAMPLE_FMT_S16, false},
        {"acodec=libopus", 48000, 2, AV_SAMPLE_FMT_S16, true},
        {"acodec=ac3\nar=22050\nac=1", 32000, 1, AV_SAMPLE_FMT_FLTP, true},
        {"acodec=aac\naq=2", 44100, 2, AV_SAMPLE_FMT_FLTP, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Options);
        FileLogCapture captured;
        TCustomFFmpeg task;
        OpenSource(task);
        task.ParseOptionText(c.Options, true);
        task.SetOption("vn", "1");
        ASSERT_EQ(task.OpenOutput(dir.file("audio.mkv"), false), 1) << task.LastError();
        const AVCodecContext* ctx = task.Files.Output(0).Streams[0].CodecContext.get();
        EXPECT_EQ(ctx->sample_rate, c.Rate);
        EXPECT_EQ(ctx->ch_layout.nb_channels, c.Channels);
        EXPECT_EQ(ctx->sample_fmt, c.Format);
        EXPECT_EQ(av_cmp_q(ctx->time_base, AVRational{1, c.Rate}), 0);
        EXPECT_EQ(captured.Has(llWarning, "Requested sampling rate unsupported using closest supported (" +
                                              std::to_string(c.Rate) + ")"),
                  c.Warned);
        EXPECT_EQ((ctx->flags & AV_CODEC_FLAG_QSCALE) != 0, std::string(c.Options).find("aq=") != std::string::npos);
    }
}

TEST_F(OutputCreation, LanguagesMetadataAndStreamIds)
{
    TCustomFFmpeg task;
    OpenSource(task);
    task.ParseOptionText("vcodec=mpeg4\nacodec=aac\nvlang=eng\nalang=ger\nstreamid=0:33\nstreamid=1:34\n"
                         "metadata=title=First\nmetadata=comment=x=y\nmetadata=title=Second\ntimestamp=2020-01-02 03:04:05",
                         true);
    ASSERT_EQ(task.OpenOutput(dir.file("meta.mkv"), false), 1) << task.LastError();
    const TOutputFile& out = task.Files.Output(0);
    const AVFormatContext* oc = out.Context();
    EXPECT_STREQ(av_dict_get(oc->metadata, "title", nullptr, 0)->value, "First");  // the first pair wins
    EXPECT_STREQ(av_dict_get(oc->metadata, "comment", nullptr, 0)->value, "x=y");
    ASSERT_NE(av_dict_get(oc->metadata, "creation_time", nullptr, 0), nullptr);
    EXPECT_STREQ(av_dict_get(out.Streams[0].Stream->metadata, "language", nullptr, 0)->value, "eng");
    EXPECT_STREQ(av_dict_get(out.Streams[1].Stream->metadata, "language", nullptr, 0)->value, "ger");
    EXPECT_EQ(out.Streams[0].Stream->id, 33);
    EXPECT_EQ(out.Streams[1].Stream->id, 34);
    const TOptionState& s = task.Options();
    EXPECT_TRUE(s.Metadata.empty());
    EXPECT_TRUE(s.VideoLanguage.empty());
    EXPECT_TRUE(s.AudioLanguage.empty());
    for (int id : s.StreamIdMap) EXPECT_EQ(id, 0);
}

TEST_F(OutputCreation, BitstreamFiltersMoveIntoTheFileTable)
{
    TCustomFFmpeg task;
    OpenSource(task);
    task.ParseOptionText("vcodec=copy\nacodec=copy\nvbsf=dump_extra\nvbsf=noise=100\nabsf=null", true);
    ASSERT_EQ(task.OpenOutput(dir.file("bsf.mkv"), false), 1) << task.LastError();
    const auto& streams = task.Files.Output(0).Streams;
    EXPECT_EQ(streams[0].BitstreamFilters,
              (std::vector<TBitstreamFilterSpec>{{"dump_extra", ""}, {"noise", "100"}}));
    EXPECT_EQ(streams[1].BitstreamFilters, (std::vector<TBitstreamFilterSpec>{{"null", ""}}));
    EXPECT_TRUE(task.Options().VideoBitstreamFilters.empty());
    EXPECT_TRUE(task.Options().AudioBitstreamFilters.empty());
}

TEST_F(OutputCreation, MuxerSettings)
{
    TCustomFFmpeg task;
    OpenSource(task);
    task.SetMuxPreload(0.25f);
    task.SetMuxMaxDelay(1.5f);
    ASSERT_EQ(task.OpenOutput(dir.file("mux.mpg"), false), 1) << task.LastError();
    AVFormatContext* oc = task.Files.Output(0).Context();
    int64_t preload = 0;
    ASSERT_GE(av_opt_get_int(oc, "preload", AV_OPT_SEARCH_CHILDREN, &preload), 0);
    EXPECT_EQ(preload, 250000);
    EXPECT_EQ(oc->max_delay, 1500000);
    EXPECT_TRUE(oc->flags & AVFMT_FLAG_NONBLOCK);

    TCustomFFmpeg gif;  // the output loop reaches the muxer that has one
    gif.SetOption("loop_output", "3");
    ASSERT_EQ(gif.OpenOutput(dir.file("anim.gif"), false), 1) << gif.LastError();
    int64_t loop = 0;
    ASSERT_GE(av_opt_get_int(gif.Files.Output(0).Context(), "loop", AV_OPT_SEARCH_CHILDREN, &loop), 0);
    EXPECT_EQ(loop, 3);

    TCustomFFmpeg generic;  // generic muxer options reach the private data
    generic.SetGenericOption("movflags", "+faststart");
    ASSERT_EQ(generic.OpenOutput(dir.file("fast.mp4"), false), 1) << generic.LastError();
    int64_t flags = 0;
    ASSERT_GE(av_opt_get_int(generic.Files.Output(0).Context(), "movflags", AV_OPT_SEARCH_CHILDREN, &flags), 0);
    EXPECT_NE(flags, 0);
}

TEST_F(OutputCreation, OutputEqualToAnInputIsRefused)
{
    const std::string source = dir.file("source.mp4");
    fs::copy_file(FixturePath(Fixture::Mp4), source);
    const auto size = fs::file_size(source);
    const std::string link = dir.file("link.mp4");
    fs::create_symlink(source, link);
    for (const std::string& name : {source, link, "unicode:utf8:" + source, dir.file("./source.mp4")}) {
        SCOPED_TRACE(name);
        TCustomFFmpeg task;
        ASSERT_TRUE(task.OpenInput(source));
        EXPECT_EQ(FailureOf([&] { task.OpenOutput(name, false); }),
                  "Output file '" + name + "' is input file #0 of this task; it cannot be overwritten");
        EXPECT_EQ(task.OutputFileCount(), 0);
        EXPECT_EQ(fs::file_size(source), size);
    }
}

TEST_F(OutputCreation, ExistingFileIsReplacedAndUnusedEmptyOutputIsRemoved)
{
    const std::string path = dir.file("exists.avi");
    {
        std::ofstream(path) << "old content";
        TCustomFFmpeg task;
        OpenSource(task);
        ASSERT_EQ(task.OpenOutput(path, false), 1) << task.LastError();
        EXPECT_EQ(fs::file_size(path), 0u);
    }
    EXPECT_FALSE(fs::exists(path)) << "a task released before writing leaves no empty file";

    const std::string missingDir = dir.file("no/such/dir/out.avi");
    TCustomFFmpeg task;
    OpenSource(task);
    EXPECT_EQ(task.OpenOutput(missingDir, false), -1);
    EXPECT_EQ(task.LastError(), missingDir + ": No such file or directory");
}

TEST_F(OutputCreation, JoinMapsEveryInputToTheOneOutput)
{
    TCustomFFmpeg task;
    for (int i = 0; i < 3; ++i) OpenSource(task);
    const int64_t each = task.Files.Input(0).Context()->duration;
    ASSERT_EQ(task.OpenOutput(dir.file("joined.avi"), true), 3) << task.LastError();
    EXPECT_TRUE(task.Files.Join);
    EXPECT_EQ(task.Files.OutputFileCount(), 1);
    for (int i = 1; i < 3; ++i) EXPECT_EQ(&task.Files.Output(i), &task.Files.Output(0));
    EXPECT_EQ(task.Options().TotalDuration, 3 * each);

    EXPECT_EQ(task.OpenOutput(dir.file("second.avi"), false), -1);
    EXPECT_EQ(task.LastError(), "Cannot join more than one output file.");

    TCustomFFmpeg single;  // one input: no join
    OpenSource(single);
    ASSERT_EQ(single.OpenOutput(dir.file("single.avi"), true), 1);
    EXPECT_FALSE(single.Files.Join);
}

TEST_F(OutputCreation, NewStreamOptionsAddToTheLatestOutput)
{
    TCustomFFmpeg task;
    OpenSource(task);
    EXPECT_EQ(FailureOf([&] { task.SetOption("newaudio", "1"); }), "At least one output file must be specified");
    task.ParseOptionText("vcodec=mpeg4\nacodec=aac", true);
    ASSERT_EQ(task.OpenOutput(dir.file("extra.mkv"), false), 1) << task.LastError();
    task.SetOption("acodec", "mp2");
    task.SetOption("alang", "fre");
    task.SetOption("newaudio", "1");
    task.SetOption("vcodec", "libfoo");
    EXPECT_EQ(FailureOf([&] { task.SetOption("newvideo", "1"); }), "Unknown encoder 'libfoo'");
    const TOutputFile& out = task.Files.Output(0);
    EXPECT_EQ(Layout(out), "video:mpeg4 audio:aac audio:mp2");
    EXPECT_STREQ(av_dict_get(out.Streams[2].Stream->metadata, "language", nullptr, 0)->value, "fre");
}

// Encodes one silent or black frame through an opened encoder and writes
// its packets (MP4 leaves tracks without samples out of the file).
void WriteOneFrame(AVFormatContext* oc, AVStream* st, AVCodecContext* enc)
{
    AVFrame* frame = av_frame_alloc();
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
        frame->format = enc->pix_fmt;
        frame->width = enc->width;
        frame->height = enc->height;
    } else {
        frame->format = enc->sample_fmt;
        frame->nb_samples = enc->frame_size > 0 ? enc->frame_size : 1024;
        frame->sample_rate = enc->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
    }
    ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
    for (int i = 0; i < AV_NUM_DATA_POINTERS && frame->buf[i]; ++i)
        std::fill_n(frame->buf[i]->data, frame->buf[i]->size, static_cast<uint8_t>(enc->codec_type == AVMEDIA_TYPE_VIDEO ? 16 : 0));
    frame->pts = 0;
    ASSERT_GE(avcodec_send_frame(enc, frame), 0);
    ASSERT_GE(avcodec_send_frame(enc, nullptr), 0);
    av_frame_free(&frame);
    AVPacket* pkt = av_packet_alloc();
    while (avcodec_receive_packet(enc, pkt) >= 0) {
        pkt->stream_index = st->index;
        av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
        ASSERT_GE(av_interleaved_write_frame(oc, pkt), 0);
    }
    av_packet_free(&pkt);
}

// Opens the configured encoders, writes header, one frame per stream and
// trailer; the muxer set-up must give a file ffprobe reads with the streams
// as configured.
TEST_F(OutputCreation, WrittenHeaderMatchesTheConfiguration)
{
    for (const char* name : {"hdr.mp4", "hdr.mkv", "unicode.avi"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        const bool unicode = std::string(name) == "unicode.avi";
        {
            TCustomFFmpeg task;
            OpenSource(task);
            task.ParseOptionText("vcodec=mpeg4\nacodec=aac\ns=176x144\nar=48000\nalang=eng\nmetadata=title=Quorvia", true);
            ASSERT_EQ(task.OpenOutput(unicode ? "unicode:utf8:" + path : path, false), 1) << task.LastError();
            TOutputFile& out = task.Files.Output(0);
            for (TOutputStream& st : out.Streams) {
                ASSERT_EQ(avcodec_open2(st.CodecContext.get(), st.Encoder, nullptr), 0) << st.Encoder->name;
                ASSERT_GE(avcodec_parameters_from_context(st.Stream->codecpar, st.CodecContext.get()), 0);
            }
            ASSERT_GE(avformat_write_header(out.Context(), nullptr), 0);
            for (TOutputStream& st : out.Streams) WriteOneFrame(out.Context(), st.Stream, st.CodecContext.get());
            ASSERT_GE(av_write_trailer(out.Context()), 0);
            EXPECT_EQ(out.CloseIO(), 0);
        }
        const QJsonObject probe = test::Probe(path);
        const QJsonArray streams = probe["streams"].toArray();
        ASSERT_EQ(streams.size(), 2);
        EXPECT_EQ(streams[0].toObject()["codec_name"].toString(), "mpeg4");
        EXPECT_EQ(streams[0].toObject()["width"].toInt(), 176);
        EXPECT_EQ(streams[1].toObject()["codec_name"].toString(), "aac");
        EXPECT_EQ(streams[1].toObject()["sample_rate"].toString(), "48000");
        if (std::string(name) != "unicode.avi") {
            EXPECT_EQ(streams[1].toObject()["tags"].toObject()["language"].toString(), "eng");
            EXPECT_EQ(probe["format"].toObject()["tags"].toObject()["title"].toString(), "Quorvia");
        }
    }
}

}  // namespace
}  // namespace quorvia
