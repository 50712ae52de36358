#include <optional>
#include <string>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "FileTestSupport.h"
#include "engine/CodecCheck.h"

namespace quorvia {
namespace {

using test::FileLogCapture;

struct CheckCase {
    const char* Name;  // nullptr: no name
    AVMediaType Type;
    bool Encoder;
    int Strict;
    bool Ok;
    const char* Expected;  // codec name found, or the failure text
};

TEST(CodecCheck, ChecksNamesTypesAndExperimentalCodecs)
{
    const CheckCase cases[] = {
        {nullptr, AVMEDIA_TYPE_VIDEO, true, 0, true, ""},
        {"", AVMEDIA_TYPE_AUDIO, true, 0, true, ""},
        {"mpeg4", AVMEDIA_TYPE_VIDEO, true, 0, true, "mpeg4"},
        {"mpeg4", AVMEDIA_TYPE_VIDEO, false, 0, true, "mpeg4"},
        {"aac", AVMEDIA_TYPE_AUDIO, false, 0, true, "aac"},
        {"libfoo", AVMEDIA_TYPE_VIDEO, true, 0, false, "Unknown encoder 'libfoo'"},
        {"libfoo", AVMEDIA_TYPE_VIDEO, false, 0, false, "Unknown decoder 'libfoo'"},
        {"aac", AVMEDIA_TYPE_VIDEO, true, 0, false, "Invalid encoder type 'aac'"},
        {"mpeg4", AVMEDIA_TYPE_SUBTITLE, false, 0, false, "Invalid decoder type 'mpeg4'"},
        // Experimental with an installed non-experimental encoder of the same codec ...
        {"opus", AVMEDIA_TYPE_AUDIO, true, 0, false,
         "encoder 'opus' is experimental and might produce bad results.\r\n"
         "Add '-strict experimental' if you want to use it.\r\n"
         "Or use the non experimental encoder 'libopus'."},
        // ... and without one.
        {"dca", AVMEDIA_TYPE_AUDIO, true, 0, false,
         "encoder 'dca' is experimental and might produce bad results.\r\n"
         "Add '-strict experimental' if you want to use it."},
        {"dca", AVMEDIA_TYPE_AUDIO, true, FF_COMPLIANCE_EXPERIMENTAL, true, "dca"},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.Name ? c.Name : "(none)");
        TCodecChoice choice;
        choice.Id = AV_CODEC_ID_MP3;  // must be overwritten
        std::string error = "untouched";
        const std::optional<std::string> name = c.Name ? std::optional<std::string>(c.Name) : std::nullopt;
        EXPECT_EQ(CheckCodec(name, c.Type, c.Encoder, c.Strict, choice, error), c.Ok);
        if (!c.Ok) {
            EXPECT_EQ(error, c.Expected);
            continue;
        }
        EXPECT_EQ(error, "untouched");
        if (*c.Expected == 0) {
            EXPECT_EQ(choice.Id, AV_CODEC_ID_NONE);
            EXPECT_EQ(choice.Codec, nullptr);
        } else {
            ASSERT_NE(choice.Codec, nullptr);
            EXPECT_STREQ(choice.Codec->name, c.Expected);
            EXPECT_EQ(choice.Id, choice.Codec->id);
            EXPECT_EQ(av_codec_is_encoder(choice.Codec) != 0, c.Encoder);
        }
    }
}

TEST(CodecCheck, LegacyEncoderNamesResolveToInstalledOnes)
{
    const struct {
        const char* Name;
        bool Ok;
        const char* Expected;  // encoder used, or the failure text
        bool Warned;
    } cases[] = {
        {"libfaac", true, "aac", true},
        {"libflac", true, "flac", true},
        {"vorbis", true, "libvorbis", true},  // the native one is experimental
        {"libopencore_amrnb", false, "Unknown encoder 'libopencore_amrnb'", false},
        {"libamr_nb", false, "Unknown encoder 'libamr_nb'", false},
        {"aac", true, "aac", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FileLogCapture log;
        TCodecChoice choice;
        std::string error;
        ASSERT_EQ(CheckCodec(std::string(c.Name), AVMEDIA_TYPE_AUDIO, true, 0, choice, error), c.Ok);
        if (c.Ok) {
            EXPECT_STREQ(choice.Codec->name, c.Expected);
        } else {
            EXPECT_EQ(error, c.Expected);
        }
        EXPECT_EQ(log.CountContaining("is not available in the installed libraries"), c.Warned ? 1 : 0);
        if (c.Warned) {
            EXPECT_TRUE(log.Has(llWarning, std::string("Encoder '") + c.Name +
                                               "' is not available in the installed libraries; using '" +
                                               c.Expected + "' instead"));
        }
    }
    // With experimental codecs allowed the native vorbis encoder is taken as asked.
    TCodecChoice choice;
    std::string error;
    ASSERT_TRUE(CheckCodec(std::string("vorbis"), AVMEDIA_TYPE_AUDIO, true, FF_COMPLIANCE_EXPERIMENTAL, choice, error));
    EXPECT_STREQ(choice.Codec->name, "vorbis");
    // Decoders are never substituted.
    EXPECT_FALSE(CheckCodec(std::string("libfaac"), AVMEDIA_TYPE_AUDIO, false, 0, choice, error));
    EXPECT_EQ(error, "Unknown decoder 'libfaac'");
}

const AVCodec* Encoder(const char* name)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    EXPECT_NE(codec, nullptr) << name;
    return codec;
}

TEST(CodecCheck, ChoosePixelFormatKeepsListedFormatsOnly)
{
    const struct {
        const char* Encoder;  // nullptr: no encoder
        int PixFmt;
        int Strict;
        int Expected;
    } cases[] = {
        {"mpeg4", AV_PIX_FMT_YUV420P, 0, AV_PIX_FMT_YUV420P},
        {"mpeg4", AV_PIX_FMT_RGB24, 0, AV_PIX_FMT_YUV420P},
        {"mpeg4", -1, 0, AV_PIX_FMT_YUV420P},
        {"mpeg2video", AV_PIX_FMT_YUV422P, 0, AV_PIX_FMT_YUV422P},
        {"mpeg2video", AV_PIX_FMT_YUV444P, 0, AV_PIX_FMT_YUV420P},
        {"rawvideo", AV_PIX_FMT_BGR24, 0, AV_PIX_FMT_BGR24},  // lists nothing
        {nullptr, AV_PIX_FMT_GRAY8, 0, AV_PIX_FMT_GRAY8},
        // MJPEG: limited-range YUV only below normal strictness, else the full-range twin.
        {"mjpeg", AV_PIX_FMT_YUV420P, -1, AV_PIX_FMT_YUV420P},
        {"mjpeg", AV_PIX_FMT_YUV422P, -1, AV_PIX_FMT_YUV422P},
        {"mjpeg", AV_PIX_FMT_RGB24, -1, AV_PIX_FMT_YUVJ420P},
        {"mjpeg", AV_PIX_FMT_YUV420P, 0, AV_PIX_FMT_YUVJ420P},
        {"mjpeg", AV_PIX_FMT_YUVJ422P, 0, AV_PIX_FMT_YUVJ422P},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Encoder ? c.Encoder : "(none)") + " " + std::to_string(c.PixFmt));
        const AVCodec* codec = c.Encoder ? Encoder(c.Encoder) : nullptr;
        EXPECT_EQ(ChoosePixelFormat(codec, c.PixFmt, c.Strict), c.Expected);
    }
}

TEST(CodecCheck, ChooseSampleFormatAndRate)
{
    const struct {
        const char* Encoder;
        int SampleFmt;
        int Expected;
    } formats[] = {
        {"mp2", AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_S16},
        {"mp2", AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16},
        {"libmp3lame", AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_S16P},
        {"libmp3lame", -1, AV_SAMPLE_FMT_S32P},
        {"aac", AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_FLTP},
    };
    for (const auto& c : formats)
        EXPECT_EQ(ChooseSampleFormat(Encoder(c.Encoder), c.SampleFmt), c.Expected) << c.Encoder;
    EXPECT_EQ(ChooseSampleFormat(nullptr, AV_SAMPLE_FMT_DBL), AV_SAMPLE_FMT_DBL);

    static const int k48And32[] = {48000, 32000, 0};
    static const int kTie[] = {40000, 48000, 0};
    AVCodec only48And32{};
    only48And32.supported_samplerates = k48And32;
    AVCodec tie{};
    tie.supported_samplerates = kTie;
    const struct {
        const AVCodec* Codec;
        int Rate;
        int Expected;
    } rates[] = {
        {&only48And32, 44100, 48000}, {&only48And32, 32000, 32000}, {&only48And32, 8000, 32000},
        {&only48And32, 40000, 48000},  // same distance: the first listed
        {&tie, 44000, 40000},          // same distance: the first listed
        {Encoder("ac3"), 22050, 32000}, {Encoder("mp2"), 22050, 22050}, {nullptr, 12345, 12345},
        {Encoder("libvorbis"), 12345, 12345},  // lists no rates
    };
    for (const auto& c : rates) {
        SCOPED_TRACE(c.Rate);
        FileLogCapture log;
        EXPECT_EQ(ChooseSampleRate(c.Codec, c.Rate), c.Expected);
        const std::string warning =
            "Requested sampling rate unsupported using closest supported (" + std::to_string(c.Expected) + ")";
        EXPECT_EQ(log.Has(llWarning, warning), c.Expected != c.Rate);
    }
}

}  // namespace
}  // namespace quorvia
