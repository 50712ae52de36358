// The rules that write numbers, names and errors into the prober's texts.
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

#include "probe/CodecName.h"
#include "probe/InfoFormat.h"

using namespace quorvia;

TEST(ProbeFormat, FileSize)
{
    const struct {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 Byte"},
        {1024, "1024 Byte"},
        {1025, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048576, "1024.00 KB"},
        {1048577, "1.00 MB"},
        {1073741824, "1024.00 MB"},
        {3LL * 1073741824 / 2, "1.50 GB"},
        {5LL * 1073741824 * 1024, "5120.00 GB"},  // past 32 bits
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFileSize(c.bytes), c.text) << c.bytes;
}

TEST(ProbeFormat, DurationAndSeconds)
{
    const struct {
        int64_t us;
        const char* duration;
        const char* seconds;
    } cases[] = {
        {3723456000LL, "01:02:03.456", "3723.456000"},
        {0, "00:00:00.000", "0.000000"},
        {999, "00:00:00.000", "0.000999"},
        {2000000, "00:00:02.000", "2.000000"},
        {360000000000LL, "100:00:00.000", "360000.000000"},
        {-21333, "N/A", "-0.021333"},
        {AV_NOPTS_VALUE, "N/A", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDuration(c.us), c.duration) << c.us;
        if (c.seconds) {
            EXPECT_EQ(FormatSeconds(c.us), c.seconds) << c.us;
        }
    }
}

TEST(ProbeFormat, Rates)
{
    const struct {
        double value;
        const char* unit;
        const char* text;
    } cases[] = {
        {30000.0 / 1001, "fps", ", 29.97 fps"},
        {25, "fps", ", 25 fps"},
        {23.976, "tbr", ", 23.98 tbr"},
        {90000, "tbn", ", 90k tbn"},
        {12800, "tbn", ", 12800 tbn"},
        {1000, "tbn", ", 1k tbn"},
        {0.5, "tbr", ", 0.50 tbr"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatRate(c.value, c.unit), c.text) << c.value;
}

TEST(ProbeFormat, TagDisplayNames)
{
    const struct {
        const char* key;
        const char* shown;
    } cases[] = {
        {"TALB", "album"}, {"TAL", "album"},       {"TCOM", "composer"},  {"TCON", "genre"},    {"TCO", "genre"},
        {"TCOP", "copyright"}, {"TDRL", "date"},   {"TENC", "encoder"},   {"TEN", "encoder"},   {"TIT2", "title"},
        {"TT2", "title"},  {"TLAN", "language"},   {"TPE1", "artist"},    {"TP1", "artist"},    {"TPOS", "disc"},
        {"TPUB", "publisher"}, {"TRCK", "track"},  {"TRK", "track"},      {"TSOA", "albumsort"},
        {"TSOP", "authorsort"}, {"TSOT", "titlesort"}, {"TYER", "year"},
        // Anything else as it is, case kept.
        {"title", "title"}, {"tit2", "tit2"},      {"major_brand", "major_brand"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TagDisplayName(c.key), c.shown) << c.key;
}

TEST(ProbeFormat, TimeStampInLocalTime)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(FormatTimeStamp(0), "1970-01-01 00:00:00");
    EXPECT_EQ(FormatTimeStamp(1262304000 + 3723), "2010-01-01 01:02:03");
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // summer time counts
    ::tzset();
    EXPECT_EQ(FormatTimeStamp(1262304000), "2010-01-01 01:00:00");
    EXPECT_EQ(FormatTimeStamp(1277942400), "2010-07-01 02:00:00");
    if (old) ::setenv("TZ", saved.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

TEST(ProbeFormat, CodecNameRules)
{
    const struct {
        AVCodecID id;
        uint32_t tag;
        const char* name;
    } cases[] = {
        {AV_CODEC_ID_MPEG4, 0, "mpeg4(MPEG-4 part 2)"},
        {AV_CODEC_ID_PCM_S16LE, 0, "pcm_s16le(PCM signed 16-bit little-endian)"},
        {AV_CODEC_ID_MPEG2TS, 0, "mpeg2ts"},
        // No decoder: the codec id's own name.
        {AV_CODEC_ID_BIN_DATA, 0, "bin_data"},
        // Nothing known: the tag, as characters when printable.
        {AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 'd'), "abcd / 0x64636261"},
        {AV_CODEC_ID_NONE, 0x0055, "0x0055"},
        {AV_CODEC_ID_NONE, 0, "0x0000"},
    };
    for (const auto& c : cases) {
        AVCodecParameters* par = avcodec_parameters_alloc();
        par->codec_id = c.id;
        par->codec_tag = c.tag;
        EXPECT_EQ(StreamCodecName(par), c.name) << avcodec_get_name(c.id);
        avcodec_parameters_free(&par);
    }
}
