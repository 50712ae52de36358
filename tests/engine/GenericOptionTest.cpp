// Generic library options: lookup in the codec (with encoder private
// options), format, scaler and resampler classes, the "a"/"v"/"s" prefix
// rule, rejected values, and handing the accepted values to real contexts.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
}

#include "OptionTestSupport.h"
#include "PresetTestSupport.h"
#include "engine/GenericOptions.h"
#include "engine/OptionValues.h"

namespace quorvia {
namespace {

using test::Accepted;
using test::LogCapture;

struct TLookupCase {
    const char* name;
    const char* value;
    bool accepted;
    TGenericTemplate where;     // a template that must hold it when accepted
    const char* storedAs;       // name kept there
};

TEST(GenericOptions, NamesAreFoundWhereTheLibrariesKeepThem)
{
    const TLookupCase cases[] = {
        {"crf", "23", true, gtVideo, "crf"},                       // libx264 and others, private
        {"crf", "23.5", true, gtVideo, "crf"},
        {"partitions", "+parti8x8+parti4x4", true, gtVideo, "partitions"},
        {"me_method", "umh", true, gtVideo, "me_method"},
        {"g", "250", true, gtVideo, "g"},                          // codec context
        {"maxrate", "1500000", true, gtAudio, "maxrate"},
        {"ab", "128000", true, gtAudio, "ab"},                      // the library's audio alias
        {"vb", "800000", true, gtVideo, "b"},                       // prefix rule
        {"abt", "1000", true, gtAudio, "bt"},                       // prefix rule
        {"packetsize", "2048", true, gtFormat, "packetsize"},       // format context
        {"movflags", "+faststart", true, gtFormat, "movflags"},     // muxer private
        {"sws_flags", "bilinear", true, gtScaler, "sws_flags"},     // scaler
        {"dither_method", "triangular", true, gtResampler, "dither_method"},  // resampler
        {"nosuchoption", "1", false, gtVideo, ""},
        {"", "1", false, gtVideo, ""},
        {"g", "", false, gtVideo, ""},
        {"g", "  ", false, gtVideo, ""},
        {"g", "abc", false, gtVideo, ""},
        {"crf", "abc", false, gtVideo, ""},
        {"me_method", "nosuch", false, gtVideo, ""},
        {"flags", "+nosuchflag", false, gtVideo, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        TCustomFFmpeg task;
        EXPECT_EQ(task.SetGenericOption(c.name, c.value), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(Accepted(task, c.where, c.storedAs), TrimText(c.value));
            EXPECT_EQ(task.Options().GenericOptionNames, std::vector<std::string>{c.name});
        } else {
            EXPECT_TRUE(task.Options().GenericOptionNames.empty());
        }
    }
}

TEST(GenericOptions, NamesAndValuesAreTrimmed)
{
    TCustomFFmpeg task;
    EXPECT_TRUE(task.SetGenericOption("  g ", " 30 "));
    EXPECT_EQ(Accepted(task, gtVideo, "g"), "30");
    EXPECT_EQ(task.Options().GenericOptionNames, std::vector<std::string>{"g"});
}

TEST(GenericOptions, MediaFlagsChooseTheTemplates)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.SetGenericOption("g", "30"));  // video-only option
    EXPECT_EQ(Accepted(task, gtVideo, "g"), "30");
    EXPECT_FALSE(Accepted(task, gtAudio, "g"));
    EXPECT_FALSE(Accepted(task, gtSubtitle, "g"));
    EXPECT_EQ(Accepted(task, gtData, "g"), "30");  // data and attachment take any option

    ASSERT_TRUE(task.SetGenericOption("b", "64000"));  // video and audio
    EXPECT_EQ(Accepted(task, gtVideo, "b"), "64000");
    EXPECT_EQ(Accepted(task, gtAudio, "b"), "64000");
    EXPECT_FALSE(Accepted(task, gtSubtitle, "b"));

    // The codec context templates hold the value itself.
    int64_t gop = 0;
    ASSERT_GE(av_opt_get_int(task.Options().Templates.Codec[gtVideo].get(), "g", 0, &gop), 0);
    EXPECT_EQ(gop, 30);
}

TEST(GenericOptions, RejectedValuesAreReportedThroughTheLibraryLog)
{
    FFLogger().InstallLibraryCallback();
    LogCapture log;
    TCustomFFmpeg task;
    EXPECT_FALSE(task.SetGenericOption("g", "abc"));
    EXPECT_TRUE(log.Contains("Invalid value \"abc\" for option \"g\"")) << "missing library log line";
    const auto errors = log.At(llError);
    EXPECT_NE(std::find(errors.begin(), errors.end(), "Invalid value \"abc\" for option \"g\""), errors.end());

    log.Clear();
    EXPECT_FALSE(task.SetGenericOption("nosuchoption", "1"));  // unknown: silent
    EXPECT_TRUE(log.Lines().empty());
}

TEST(GenericOptions, DebugValueRaisesTheLoggerLevel)
{
    const TLogLevel before = FFLogger().LogLevel();
    FFLogger().SetLogLevel(llInfo);
    TCustomFFmpeg task;
    ASSERT_TRUE(task.SetGenericOption("g", "1"));
    EXPECT_EQ(FFLogger().LogLevel(), llInfo);
    ASSERT_TRUE(task.SetGenericOption("debug", "pict"));
    EXPECT_EQ(FFLogger().LogLevel(), llDebug);

    FFLogger().SetLogLevel(llInfo);
    TCustomFFmpeg format;
    ASSERT_TRUE(format.SetGenericOption("fdebug", "ts"));
    EXPECT_EQ(FFLogger().LogLevel(), llDebug);
    FFLogger().SetLogLevel(before);
}

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;

CodecContext EncoderContext(const char* name)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    return CodecContext(codec ? avcodec_alloc_context3(codec) : nullptr);
}

TEST(GenericOptions, AcceptedValuesReachRealContextsByFlags)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.SetGenericOption("g", "48"));
    ASSERT_TRUE(task.SetGenericOption("crf", "20"));
    ASSERT_TRUE(task.SetGenericOption("ab", "96000"));
    ASSERT_TRUE(task.SetGenericOption("vb", "700000"));
    ASSERT_TRUE(task.SetGenericOption("skip_frame", "nokey"));  // decoding only

    CodecContext x264 = EncoderContext("libx264");
    if (!x264) GTEST_SKIP() << "no libx264 encoder installed";
    // g, crf, b (from vb); skip_frame is a decoding option.
    EXPECT_EQ(task.ApplyGenericOptions(x264.get(), gtVideo, GenericVideoEncode), 3);
    EXPECT_EQ(x264->gop_size, 48);
    EXPECT_EQ(x264->bit_rate, 700000);
    double crf = 0;
    ASSERT_GE(av_opt_get_double(x264->priv_data, "crf", 0, &crf), 0);
    EXPECT_DOUBLE_EQ(crf, 20);
    EXPECT_NE(x264->skip_frame, AVDISCARD_NONKEY);

    // Another encoder has no "crf": passed over.
    CodecContext mpeg4 = EncoderContext("mpeg4");
    ASSERT_TRUE(mpeg4);
    EXPECT_EQ(task.ApplyGenericOptions(mpeg4.get(), gtVideo, GenericVideoEncode), 2);
    EXPECT_EQ(mpeg4->gop_size, 48);

    CodecContext mp2 = EncoderContext("mp2");
    ASSERT_TRUE(mp2);
    task.ApplyGenericOptions(mp2.get(), gtAudio, GenericAudioEncode);
    EXPECT_EQ(mp2->bit_rate, 96000);

    AVDictionary* dict = task.GenericOptionDictionary(gtVideo, GenericVideoDecode);
    ASSERT_NE(dict, nullptr);
    const AVDictionaryEntry* skip = av_dict_get(dict, "skip_frame", nullptr, 0);
    ASSERT_NE(skip, nullptr);
    EXPECT_STREQ(skip->value, "nokey");
    EXPECT_EQ(av_dict_get(dict, "crf", nullptr, 0), nullptr);  // encoding only
    av_dict_free(&dict);
}

TEST(GenericOptions, FormatOptionsReachMuxerPrivateData)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.SetGenericOption("movflags", "+faststart"));
    ASSERT_TRUE(task.SetGenericOption("packetsize", "2048"));
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr), 0);
    std::unique_ptr<AVFormatContext, FormatContextDeleter> out(raw);
    EXPECT_EQ(task.ApplyGenericOptions(out.get(), gtFormat, GenericOutputFormat), 2);
    EXPECT_EQ(out->packet_size, 2048u);
    int64_t movflags = 0;
    ASSERT_GE(av_opt_get_int(out->priv_data, "movflags", 0, &movflags), 0);
    EXPECT_NE(movflags, 0);
}

TEST(GenericOptions, ResetForgetsAcceptedOptions)
{
    TCustomFFmpeg task;
    ASSERT_TRUE(task.SetGenericOption("g", "48"));
    task.Reset();
    EXPECT_TRUE(task.Options().GenericOptionNames.empty());
    EXPECT_FALSE(Accepted(task, gtVideo, "g"));
    int64_t gop = 0;
    av_opt_get_int(task.Options().Templates.Codec[gtVideo].get(), "g", 0, &gop);
    EXPECT_EQ(gop, 12);  // library default
}

}  // namespace
}  // namespace quorvia
