// The option dispatcher: effects of every option kind, failure texts, log
// lines, the order of the chain and the limits of the state.
#include <gtest/gtest.h>

#include <cctype>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

#include "OptionTestSupport.h"
#include "PresetTestSupport.h"
#include "app/Paths.h"
#include "engine/OptionValues.h"

namespace quorvia {
namespace {

using test::FailureOf;
using test::LogCapture;
using test::TFakeFilesTask;

struct TEffectCase {
    const char* name;
    const char* value;
    std::function<void(const TOptionState&)> check;
};

TEST(OptionDispatcher, EachOptionWritesItsItem)
{
    const TEffectCase cases[] = {
        {"f", "mp4", [](auto& s) { EXPECT_EQ(s.PendingFormat, "mp4"); }},
        {"f", "", [](auto& s) { EXPECT_EQ(s.PendingFormat, ""); }},
        {"map", "0.1", [](auto& s) { EXPECT_EQ(s.StreamMaps, (std::vector<TStreamMap>{{0, 1, 0, 1}})); }},
        {"map_meta_data", "0:1", [](auto& s) { EXPECT_EQ(s.MetaDataMaps, (std::vector<TMetaDataMap>{{0, 1}})); }},
        {"t", "1:30", [](auto& s) {
             EXPECT_EQ(s.RecordingTime, 90000000);
             EXPECT_EQ(s.TotalDuration, 90000000);
         }},
        {"fs", "10000000000", [](auto& s) { EXPECT_EQ(s.FileSizeLimit, 10000000000LL); }},
        {"ss", "2.5", [](auto& s) { EXPECT_EQ(s.StartTime, 2500000); }},
        {"itsoffset", "-1", [](auto& s) { EXPECT_EQ(s.InputTsOffset, -1000000); }},
        {"itsscale", "3:0.5", [](auto& s) { EXPECT_DOUBLE_EQ(s.InputTsScale[0][3], 0.5); }},
        {"timestamp", "2010-01-02 03:04:05.6Z", [](auto& s) { EXPECT_EQ(s.RecordTimestamp, 1262401446); }},
        {"metadata", "title=a=b", [](auto& s) {
             ASSERT_EQ(s.Metadata.size(), 1u);
             EXPECT_EQ(s.Metadata[0].first, "title");
             EXPECT_EQ(s.Metadata[0].second, "a=b");
         }},
        {"metadata", "comment=", [](auto& s) { EXPECT_EQ(s.Metadata.at(0).second, ""); }},
        {"dframes", "5", [](auto& s) { EXPECT_EQ(s.MaxFrames[miData], 5); }},
        {"dump", "1", [](auto& s) { EXPECT_TRUE(s.DumpPackets); }},
        {"hex", "", [](auto& s) { EXPECT_TRUE(s.HexDump); }},
        {"re", "0", [](auto& s) { EXPECT_FALSE(s.RateEmulation); }},
        {"loop_input", "1", [](auto& s) { EXPECT_TRUE(s.LoopInput); }},
        {"loop_output", "3", [](auto& s) { EXPECT_EQ(s.LoopOutput, 3); }},
        {"v", "-1", [](auto& s) { EXPECT_EQ(s.Verbose, -1); }},
        {"vsync", "2", [](auto& s) { EXPECT_EQ(s.VideoSyncMethod, 2); }},
        {"async", "1", [](auto& s) { EXPECT_EQ(s.AudioSyncMethod, 1); }},
        {"adrift_threshold", "0.25", [](auto& s) { EXPECT_FLOAT_EQ(s.AudioDriftThreshold, 0.25f); }},
        {"vglobal", "2", [](auto& s) { EXPECT_EQ(s.VideoGlobalHeader, 2); }},
        {"copyts", "0", [](auto& s) { EXPECT_TRUE(s.CopyTimestamps); }},
        {"shortest", "1", [](auto& s) { EXPECT_TRUE(s.Shortest); }},
        {"dts_delta_threshold", "5", [](auto& s) { EXPECT_FLOAT_EQ(s.DtsDeltaThreshold, 5); }},
        {"programid", "7", [](auto& s) { EXPECT_EQ(s.ProgramID, 7); }},
        {"xerror", "0", [](auto& s) { EXPECT_TRUE(s.ExitOnError); }},
        {"copyinkf", "1", [](auto& s) { EXPECT_EQ(s.CopyInitialNonKeyframes, 1); }},
        {"vframes", "100", [](auto& s) { EXPECT_EQ(s.MaxFrames[miVideo], 100); }},
        {"r", "30000/1001", [](auto& s) {
             EXPECT_EQ(s.FrameRate.num, 30000);
             EXPECT_EQ(s.FrameRate.den, 1001);
         }},
        {"r", "ntsc", [](auto& s) { EXPECT_EQ(s.FrameRate.num, 30000); }},
        {"r", "", [](auto& s) { EXPECT_EQ(s.FrameRate.den, 0); }},
        {"s", "640x480", [](auto& s) {
             EXPECT_EQ(s.FrameWidth, 640);
             EXPECT_EQ(s.FrameHeight, 480);
         }},
        {"s", "qcif", [](auto& s) { EXPECT_EQ(s.FrameWidth, 176); }},
        {"s", "", [](auto& s) { EXPECT_EQ(s.FrameWidth, 0); }},
        {"aspect", "16:9", [](auto& s) { EXPECT_NEAR(s.FrameAspectRatio, 1.7778, 1e-4); }},
        {"aspect", "1.5", [](auto& s) { EXPECT_FLOAT_EQ(s.FrameAspectRatio, 1.5f); }},
        {"aspect", "", [](auto& s) { EXPECT_EQ(s.FrameAspectRatio, 0); }},
        {"pix_fmt", "yuv422p", [](auto& s) { EXPECT_EQ(s.FramePixFmt, AV_PIX_FMT_YUV422P); }},
        {"intra", "1", [](auto& s) { EXPECT_TRUE(s.IntraOnly); }},
        {"vn", "1", [](auto& s) { EXPECT_TRUE(s.VideoDisable); }},
        {"vn", "", [](auto& s) { EXPECT_TRUE(s.VideoDisable); }},
        {"vn", "0", [](auto& s) { EXPECT_FALSE(s.VideoDisable); }},
        {"vdt", "16", [](auto& s) { EXPECT_EQ(s.VideoDiscard, 16); }},
        {"qscale", "255", [](auto& s) { EXPECT_FLOAT_EQ(s.VideoQScale, 255); }},
        {"qscale", "0.5", [](auto& s) { EXPECT_FLOAT_EQ(s.VideoQScale, 0.5f); }},
        {"rc_override", "0,100,-3", [](auto& s) { EXPECT_EQ(s.VideoRcOverride, "0,100,-3"); }},
        {"vcodec", "mpeg4", [](auto& s) {
             EXPECT_EQ(s.VideoCodecName, "mpeg4");
             EXPECT_FALSE(s.VideoStreamCopy);
         }},
        {"vcodec", "copy", [](auto& s) {
             EXPECT_FALSE(s.VideoCodecName);
             EXPECT_TRUE(s.VideoStreamCopy);
         }},
        {"vcodec", "", [](auto& s) { EXPECT_FALSE(s.VideoCodecName); }},
        {"me_threshold", "4", [](auto& s) { EXPECT_EQ(s.MeThreshold, 4); }},
        {"sameq", "1", [](auto& s) { EXPECT_TRUE(s.SameQuality); }},
        {"pass", "2", [](auto& s) { EXPECT_EQ(s.PassNumber, 2); }},
        {"passlogfile", "/tmp/log", [](auto& s) { EXPECT_EQ(s.PassLogFile, "/tmp/log"); }},
        {"deinterlace", "1", [](auto& s) { EXPECT_TRUE(s.Deinterlace); }},
        {"psnr", "1", [](auto& s) { EXPECT_TRUE(s.PSNR); }},
        {"vstats_file", "/tmp/v.log", [](auto& s) { EXPECT_EQ(s.VStatsFile, "/tmp/v.log"); }},
        {"vfilters", "scale=320:240", [](auto& s) { EXPECT_EQ(s.VideoFilters, "scale=320:240"); }},
        {"vf", "", [](auto& s) { EXPECT_EQ(s.VideoFilters, ""); }},
        {"top", "1", [](auto& s) { EXPECT_EQ(s.TopFieldFirst, 1); }},
        {"dc", "10", [](auto& s) { EXPECT_EQ(s.IntraDcPrecision, 10); }},
        {"vtag", "xvid", [](auto& s) { EXPECT_EQ(s.VideoCodecTag & 0xff, static_cast<uint32_t>('x')); }},
        {"vtag", "", [](auto& s) { EXPECT_EQ(s.VideoCodecTag, 0u); }},
        {"vlang", "eng", [](auto& s) { EXPECT_EQ(s.VideoLanguage, "eng"); }},
        {"qphist", "1", [](auto& s) { EXPECT_TRUE(s.QpHistogram); }},
        {"force_fps", "1", [](auto& s) { EXPECT_TRUE(s.ForceFps); }},
        {"streamid", "19:300", [](auto& s) { EXPECT_EQ(s.StreamIdMap[19], 300); }},
        {"aframes", "9", [](auto& s) { EXPECT_EQ(s.MaxFrames[miAudio], 9); }},
        {"aq", "3.5", [](auto& s) { EXPECT_FLOAT_EQ(s.AudioQScale, 3.5f); }},
        {"ar", "22050", [](auto& s) { EXPECT_EQ(s.AudioSampleRate, 22050); }},
        {"ar", "0", [](auto& s) { EXPECT_EQ(s.AudioSampleRate, 44100); }},
        {"ac", "6", [](auto& s) { EXPECT_EQ(s.AudioChannels, 6); }},
        {"ac", "-1", [](auto& s) { EXPECT_EQ(s.AudioChannels, 2); }},
        {"an", "1", [](auto& s) { EXPECT_TRUE(s.AudioDisable); }},
        {"acodec", "copy", [](auto& s) { EXPECT_TRUE(s.AudioStreamCopy); }},
        {"atag", "mp4a", [](auto& s) { EXPECT_EQ(s.AudioCodecTag, 0x6134706du); }},
        {"vol", "-5", [](auto& s) { EXPECT_EQ(s.AudioVolume, -5); }},
        {"alang", "ger", [](auto& s) { EXPECT_EQ(s.AudioLanguage, "ger"); }},
        {"sample_fmt", "s16", [](auto& s) { EXPECT_EQ(s.AudioSampleFmt, AV_SAMPLE_FMT_S16); }},
        {"sample_fmt", "nosuchfmt", [](auto& s) { EXPECT_EQ(s.AudioSampleFmt, -1); }},
        {"sn", "1", [](auto& s) { EXPECT_TRUE(s.SubtitleDisable); }},
        {"scodec", "mov_text", [](auto& s) { EXPECT_EQ(s.SubtitleCodecName, "mov_text"); }},
        {"slang", "fre", [](auto& s) { EXPECT_EQ(s.SubtitleLanguage, "fre"); }},
        {"stag", "tx3g", [](auto& s) { EXPECT_EQ(s.SubtitleCodecTag >> 24, static_cast<uint32_t>('g')); }},
        {"vc", "2", [](auto& s) { EXPECT_EQ(s.VideoChannel, 2); }},
        {"tvstd", "pal", [](auto& s) { EXPECT_EQ(s.VideoStandard, "pal"); }},
        {"isync", "1", [](auto& s) { EXPECT_TRUE(s.InputSync); }},
        {"muxdelay", "-1", [](auto& s) { EXPECT_FLOAT_EQ(s.MuxMaxDelay, -1); }},
        {"muxpreload", "0.2", [](auto& s) { EXPECT_FLOAT_EQ(s.MuxPreload, 0.2f); }},
        {"vbsf", "h264_mp4toannexb", [](auto& s) {
             EXPECT_EQ(s.VideoBitstreamFilters, (std::vector<TBitstreamFilterSpec>{{"h264_mp4toannexb", ""}}));
         }},
        {"absf", "aac_adtstoasc", [](auto& s) { EXPECT_EQ(s.AudioBitstreamFilters.size(), 1u); }},
        {"sbsf", "noise=amount=2", [](auto& s) {
             EXPECT_EQ(s.SubtitleBitstreamFilters, (std::vector<TBitstreamFilterSpec>{{"noise", "amount=2"}}));
         }},
        {"vbsf", "=dump", [](auto& s) { EXPECT_TRUE(s.VideoBitstreamFilters.empty()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        TCustomFFmpeg task;
        ASSERT_NO_THROW(task.SetOption(c.name, c.value));
        c.check(task.Options());
    }
}

TEST(OptionDispatcher, FailuresCarryTheirTexts)
{
    const struct {
        const char* name;
        const char* value;
        const char* message;
    } cases[] = {
        {"t", "abc", "Invalid duration specification for t: abc"},
        {"ss", "1:x", "Invalid duration specification for ss: 1:x"},
        {"itsoffset", "", "Invalid duration specification for itsoffset: "},
        {"timestamp", "nodate", "Invalid date specification for timestamp: nodate"},
        {"threads", "2", "TODO: option - threads"},
        {"r", "fast", "Incorrect frame rate"},
        {"s", "big", "Incorrect frame size"},
        {"pix_fmt", "nosuch", "Unknown pixel format requested: nosuch"},
        {"padtop", "4", "Please use vfilters=pad"},
        {"padbottom", "", "Please use vfilters=pad"},
        {"padleft", "4", "Please use vfilters=pad"},
        {"padright", "4", "Please use vfilters=pad"},
        {"padcolor", "000000", "Please use vfilters=pad"},
        {"qscale", "0", "qscale must be > 0.0 and <= 255"},
        {"qscale", "255.5", "qscale must be > 0.0 and <= 255"},
        {"qscale", "-1", "qscale must be > 0.0 and <= 255"},
        {"pass", "3", "pass number can be only 1 or 2"},
        {"pass", "0", "pass number can be only 1 or 2"},
        {"aspect", "4:0", "Incorrect aspect ratio specification."},
        {"aspect", "0", "Incorrect aspect ratio specification."},
        {"aspect", "wide", "Incorrect aspect ratio specification."},
        {"vtag", "xvid1", "video tag parameter must be 4 chars"},
        {"atag", "mp3", "audio tag parameter must be 4 chars"},
        {"stag", "t", "subtitle tag parameter must be 4 chars"},
        {"metadata", "title", "Missing ="},
        {"itsscale", "20:1.0", "stream index over MAX_STREAMS(20)"},
        {"streamid", "5", "Invalid value \"5\" for option \"streamid\", required syntax is \"index:value\""},
        {"vbsf", "nosuchfilter", "Unknown bitstream filter nosuchfilter"},
        {"absf", " nosuch=x ", "Unknown bitstream filter nosuch=x"},
        {"vhook", "/usr/lib/hook.so -x", "Failed to add video hook function: /usr/lib/hook.so -x"},
        {"newvideo", "", "At least one output file must be specified"},
        {"newaudio", "1", "At least one output file must be specified"},
        {"newsubtitle", "1", "At least one output file must be specified"},
        {"vframes", "many", "'many' is not a valid integer value"},
        {"fs", "1.5", "'1.5' is not a valid integer value"},
        {"ar", "44.1k", "'44.1k' is not a valid integer value"},
        {"adrift_threshold", "x", "'x' is not a valid floating point value"},
        {"muxpreload", "0,5", "'0,5' is not a valid floating point value"},
        {"loglevel", "loud", "'loud' is not a valid integer value"},
        {"target", "pal-DVD", "Unknown target type"},
        {"target", "pal-", "Unknown target type"},
        {"target", "dvd", "frame_rate is invalid."},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg task;
        EXPECT_EQ(test::FailureOf([&] { task.SetOption(c.name, c.value); }), c.message)
            << c.name << "=" << c.value;
    }
}

TEST(OptionDispatcher, InformationalOptionsOnlyLog)
{
    LogCapture log;
    TCustomFFmpeg task;
    for (const char* name : {"L", "h", "version", "formats", "codecs", "bsfs", "protocols", "filters", "i",
                             "y", "benchmark"}) {
        log.Clear();
        task.SetOption(name, "1");
        EXPECT_EQ(log.At(llInfo), std::vector<std::string>{std::string("Do nothing: option - ") + name});
    }
    log.Clear();
    task.SetOption("timelimit", "10");
    EXPECT_EQ(log.At(llWarning), std::vector<std::string>{"Warning: -timelimit not implemented on Windows"});

    log.Clear();
    task.SetOption("f", "pgmyuv");
    EXPECT_EQ(task.Options().PendingFormat, "image2");
    EXPECT_TRUE(task.Options().PgmYuvFormat);
    EXPECT_EQ(log.At(llInfo), std::vector<std::string>{"pgmyuv format is deprecated, use image2"});
}

TEST(OptionDispatcher, FormatListsAreLoggedAndChangeNothing)
{
    LogCapture log;
    TCustomFFmpeg task;
    task.SetOption("pix_fmt", "list");
    const auto pixelLines = log.At(llInfo);
    ASSERT_EQ(pixelLines.size(), static_cast<size_t>(AV_PIX_FMT_NB) + 1);
    EXPECT_EQ(pixelLines[0].rfind("name", 0), 0u);  // header line
    EXPECT_EQ(pixelLines[1].rfind("yuv420p", 0), 0u);
    EXPECT_EQ(task.Options().FramePixFmt, -1);

    log.Clear();
    task.SetOption("sample_fmt", "list");
    const auto sampleLines = log.At(llInfo);
    ASSERT_EQ(sampleLines.size(), static_cast<size_t>(AV_SAMPLE_FMT_NB) + 1);
    EXPECT_EQ(sampleLines[0].rfind("name", 0), 0u);
    EXPECT_EQ(sampleLines[1].rfind("u8", 0), 0u);
    for (const auto& line : sampleLines) EXPECT_EQ(line, quorvia::TrimText(line));
    EXPECT_EQ(task.Options().AudioSampleFmt, -1);
}

TEST(OptionDispatcher, CropsCountAgainstTheCurrentFrameSize)
{
    LogCapture log;
    TCustomFFmpeg task;
    TOptionState& s = task.Options();
    s.FrameWidth = 320;
    s.FrameHeight = 10;

    EXPECT_EQ(FailureOf([&] { task.SetOption("croptop", "10"); }),
              "Vertical crop dimensions are outside the range of the original image.\n"
              "Remember to crop first and scale second.");
    task.SetOption("croptop", "0");
    task.SetOption("croptop", "-4");
    EXPECT_EQ(s.CropTopBand, 0);
    EXPECT_TRUE(log.At(llWarning).empty());

    task.SetOption("croptop", "4");
    task.SetOption("cropbottom", "2");
    EXPECT_EQ(s.CropTopBand, 4);
    EXPECT_EQ(s.CropBottomBand, 2);
    EXPECT_EQ(s.FrameHeight, 4);
    // The remaining height is the limit now.
    EXPECT_NE(FailureOf([&] { task.SetOption("cropbottom", "4"); }), "(no failure)");

    task.SetOption("cropleft", "20");
    task.SetOption("cropright", "100");
    EXPECT_EQ(s.FrameWidth, 200);
    EXPECT_EQ(FailureOf([&] { task.SetOption("cropright", "200"); }),
              "Horizontal crop dimensions are outside the range of the original image.\n"
              "Remember to crop first and scale second.");
    EXPECT_EQ(log.At(llWarning), std::vector<std::string>(4, "CropXXX is deprecated in favor of the crop avfilter"));

    // Crop after "s" crops the new size.
    task.SetOption("s", "100x100");
    task.SetOption("croptop", "10");
    EXPECT_EQ(s.FrameHeight, 90);
}

TEST(OptionDispatcher, CodecSelectionsKeepStreamCopyUntilStreamCreation)
{
    TCustomFFmpeg task;
    TOptionState& s = task.Options();
    task.SetOption("acodec", "mp2");
    task.SetOption("acodec", "copy");
    EXPECT_FALSE(s.AudioCodecName);
    EXPECT_TRUE(s.AudioStreamCopy);
    task.SetOption("acodec", "ac3");
    EXPECT_EQ(s.AudioCodecName, "ac3");
    EXPECT_TRUE(s.AudioStreamCopy);
    task.SetOption("acodec", "");
    EXPECT_EQ(s.AudioCodecName, "ac3");
}

TEST(OptionDispatcher, BitstreamFiltersChainInOrder)
{
    TCustomFFmpeg task;
    task.SetOption("vbsf", "h264_mp4toannexb");
    task.SetOption("vbsf", "dump_extra=freq=k");
    task.SetOption("vbsf", "");
    const auto& chain = task.Options().VideoBitstreamFilters;
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(chain[0].Name, "h264_mp4toannexb");
    EXPECT_EQ(chain[1].Name, "dump_extra");
    EXPECT_EQ(chain[1].Args, "freq=k");
}

TEST(OptionDispatcher, MatricesReplaceOnlyOnSuccess)
{
    TCustomFFmpeg task;
    std::string good;
    for (int i = 0; i < 64; ++i) good += (i ? "," : "") + std::to_string(16 + i);
    task.SetOption("intra_matrix", good);
    task.SetOption("inter_matrix", good);
    ASSERT_TRUE(task.Options().IntraMatrix);
    EXPECT_EQ((*task.Options().IntraMatrix)[63], 79);
    EXPECT_EQ(FailureOf([&] { task.SetOption("intra_matrix", "1,2,3,4,5,6,7,8,9,10"); }),
              "Syntax error in matrix \"1,2,3,4,5,6,7,8,9,10\" at coeff 9");
    // A refused matrix leaves the previous one whole.
    EXPECT_EQ((*task.Options().IntraMatrix)[9], 25);
}

TEST(OptionDispatcher, VideoHooksGoToTheRegistry)
{
    struct TRecordingRegistry : IVideoHookRegistry {
        std::vector<std::string>* Seen;
        bool Accept;
        bool Add(const std::string& args) override
        {
            Seen->push_back(args);
            return Accept;
        }
    };
    std::vector<std::string> seen;
    TCustomFFmpeg task;
    auto registry = std::make_unique<TRecordingRegistry>();
    registry->Seen = &seen;
    registry->Accept = false;
    TRecordingRegistry* raw = registry.get();
    task.SetVideoHookRegistry(std::move(registry));
    EXPECT_EQ(FailureOf([&] { task.SetOption("vhook", "hook.so|a b"); }),
              "Failed to add video hook function: hook.so|a b");
    EXPECT_FALSE(task.Options().VideoHooksUsed);
    raw->Accept = true;
    task.SetOption("vhook", "hook.so -t 1");
    EXPECT_TRUE(task.Options().VideoHooksUsed);
    EXPECT_EQ(seen, (std::vector<std::string>{"hook.so|a b", "hook.so -t 1"}));

    task.SetVideoHookRegistry(nullptr);  // back to the refusing registry
    EXPECT_NE(FailureOf([&] { task.SetOption("vhook", "x"); }), "(no failure)");
}

TEST(OptionDispatcher, NewStreamOptionsReachTheStreamCreation)
{
    TFakeFilesTask task;
    task.Outputs = 1;
    task.SetOption("newvideo", "");
    task.SetOption("newaudio", "1");
    task.SetOption("newaudio", "1");
    task.SetOption("newsubtitle", "1");
    EXPECT_EQ(task.NewVideo, 1);
    EXPECT_EQ(task.NewAudio, 2);
    EXPECT_EQ(task.NewSubtitle, 1);
}

TEST(OptionDispatcher, TargetSplitsNormFromName)
{
    TCustomFFmpeg pal;
    pal.SetOption("target", "pal-dvd");
    EXPECT_EQ(pal.Options().FrameWidth, 720);
    EXPECT_EQ(pal.Options().FrameHeight, 576);
    EXPECT_EQ(pal.Options().PendingFormat, "dvd");

    // "auto" with a rate that decides nothing falls back to NTSC.
    TCustomFFmpeg automatic;
    automatic.SetOption("r", "30");
    automatic.SetOption("target", " dvd ");
    EXPECT_EQ(automatic.Options().FrameHeight, 480);

    TCustomFFmpeg film;
    film.SetOption("target", "film-vcd");
    EXPECT_EQ(film.Options().FrameRate.num, 24000);
}

TEST(OptionDispatcher, LogLevelNamesAndNumbers)
{
    const TLogLevel before = FFLogger().LogLevel();
    TCustomFFmpeg task;
    const struct {
        const char* value;
        TLogLevel level;
    } cases[] = {{"quiet", llQuiet}, {"PANIC", llPanic}, {"fatal", llFatal}, {"Error", llError},
                 {"warning", llWarning}, {"info", llInfo}, {"verbose", llVerbose}, {"debug", llDebug},
                 {"16", llError}, {"40", llVerbose}};
    for (const auto& c : cases) {
        task.SetOption("loglevel", c.value);
        EXPECT_EQ(FFLogger().LogLevel(), c.level) << c.value;
    }
    FFLogger().SetLogLevel(before);
}

TEST(OptionDispatcher, VStatsNamesAFileBesideTheProgram)
{
    TCustomFFmpeg task;
    task.SetOption("vstats", "");
    ASSERT_TRUE(task.Options().VStatsFile);
    const std::string name = *task.Options().VStatsFile;
    const std::string folder = ExecutableFolder();
    ASSERT_EQ(name.rfind(folder, 0), 0u) << name;
    // "vstats_" + hhnnss + ".log"
    const std::string file = name.substr(folder.size());
    ASSERT_EQ(file.size(), 17u) << name;
    EXPECT_EQ(file.substr(0, 7), "vstats_");
    EXPECT_EQ(file.substr(13), ".log");
    for (size_t i = 7; i < 13; ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(file[i]))) << name;
}

TEST(OptionDispatcher, FirstMatchWinsAndTheRestIsGeneric)
{
    LogCapture log;
    TCustomFFmpeg task;
    const TOptionState& s = task.Options();

    // "ar", "ac" and "s" are library option names too; the dispatcher takes them.
    task.SetOption("ar", "48000");
    task.SetOption("ac", "1");
    task.SetOption("s", "320x240");
    EXPECT_EQ(s.AudioSampleRate, 48000);
    EXPECT_EQ(s.AudioChannels, 1);
    EXPECT_EQ(s.FrameWidth, 320);
    EXPECT_TRUE(s.GenericOptionNames.empty());

    // Names are exact: "VN" is no option of the table and the libraries ignore it.
    task.SetOption("VN", "1");
    EXPECT_FALSE(s.VideoDisable);
    EXPECT_TRUE(s.GenericOptionNames.empty());

    // Unknown to the table: generic.
    task.SetOption("g", "12");
    EXPECT_EQ(s.GenericOptionNames, std::vector<std::string>{"g"});
    EXPECT_EQ(test::Accepted(task, gtVideo, "g"), "12");

    // "b" is the table's entry: generic option plus the bit-rate check.
    log.Clear();
    task.SetOption("b", "500");
    EXPECT_EQ(log.At(llWarning), std::vector<std::string>{
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"});
    EXPECT_EQ(test::Accepted(task, gtVideo, "b"), "500");
}

TEST(OptionDispatcher, BitrateWarningReadsTheMatchingTemplate)
{
    const struct {
        const char* name;
        const char* value;
        bool warns;
    } cases[] = {{"b", "500", true},   {"b", "500000", false}, {"vb", "999", true}, {"vb", "1000", false},
                 {"ab", "64", true},   {"ab", "64k", false},   {"b", "abc", false}};
    for (const auto& c : cases) {
        LogCapture log;
        TCustomFFmpeg task;
        task.SetOption(c.name, c.value);
        EXPECT_EQ(!log.At(llWarning).empty(), c.warns) << c.name << "=" << c.value;
    }
    // "ab" below 1000 while the video rate is high still warns: the audio template is read.
    LogCapture log;
    TCustomFFmpeg task;
    task.SetOption("b", "800000");
    task.SetOption("ab", "96");
    EXPECT_EQ(log.At(llWarning).size(), 1u);
}

// Left open by the design: the tables have fixed room, so options beyond it fail.
TEST(OptionLimits, FullTablesAndOutOfRangeIndexesFail)
{
    TFakeFilesTask task;
    for (int i = 0; i < MaxStreamMaps; ++i) task.SetOption("map", "0.0");
    EXPECT_EQ(FailureOf([&] { task.SetOption("map", "0.1"); }), "Too many stream maps: at most 400 are allowed");
    EXPECT_EQ(task.Options().StreamMaps.size(), 400u);

    for (int i = 0; i < MaxMetaDataMaps; ++i) task.SetOption("map_meta_data", "0:0");
    EXPECT_EQ(FailureOf([&] { task.SetOption("map_meta_data", "0:1"); }),
              "Too many metadata maps: at most 20 are allowed");
    EXPECT_EQ(task.Options().MetaDataMaps.size(), 20u);

    const struct {
        const char* value;
        const char* message;
    } ids[] = {
        {"20:1", "Invalid stream index 20 for option \"streamid\": output stream indexes are 0 to 19"},
        {"-1:1", "Invalid stream index -1 for option \"streamid\": output stream indexes are 0 to 19"},
        {"x:1", "'x' is not a valid integer value"},
        {"1:y", "'y' is not a valid integer value"},
    };
    for (const auto& c : ids) EXPECT_EQ(FailureOf([&] { task.SetOption("streamid", c.value); }), c.message);
    task.SetOption("streamid", "0:5");
    EXPECT_EQ(task.Options().StreamIdMap[0], 5);

    EXPECT_EQ(FailureOf([&] { task.SetOption("itsscale", "-1:2"); }),
              "stream index -1 is negative for option \"itsscale\"");
    // The scale belongs to the input opened next.
    task.Inputs = 3;
    task.SetOption("itsscale", "19:2");
    EXPECT_DOUBLE_EQ(task.Options().InputTsScale[3][19], 2.0);
    task.Inputs = MaxFiles;
    EXPECT_EQ(FailureOf([&] { task.SetOption("itsscale", "0:2"); }),
              "itsscale: no further input file can be opened (at most 20)");
}

}  // namespace
}  // namespace quorvia
