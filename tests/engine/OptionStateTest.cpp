// The option state: defaults, and a reset after everything was set brings
// every item back (and releases what the state owns).
#include <gtest/gtest.h>

#include <map>
#include <sstream>

extern "C" {
#include <libavutil/opt.h>
}

#include "OptionTestSupport.h"

namespace quorvia {
namespace {

std::string Text(const std::string& v) { return "\"" + v + "\""; }
std::string Text(const std::optional<std::string>& v) { return v ? Text(*v) : "none"; }
std::string Text(const std::optional<TQuantMatrix>& v) { return v ? "matrix" + std::to_string((*v)[0]) : "none"; }
std::string Text(AVRational r) { return std::to_string(r.num) + "/" + std::to_string(r.den); }
std::string Text(const TStreamMap& m)
{
    return std::to_string(m.FileIndex) + "." + std::to_string(m.StreamIndex);
}
std::string Text(const TMetaDataMap& m) { return std::to_string(m.OutFile) + ":" + std::to_string(m.InFile); }
std::string Text(const TBitstreamFilterSpec& f) { return f.Name; }
std::string Text(const std::pair<std::string, std::string>& p) { return p.first + "=" + p.second; }
template <typename T>
std::string Text(const T& v)
{
    std::ostringstream out;
    if constexpr (requires { v.size(); v.begin(); }) {
        out << "[";
        for (const auto& item : v) out << Text(item) << ",";
        out << "]";
    } else {
        out << v;
    }
    return out.str();
}

std::string ScaleText(const TOptionState& s)
{
    std::string out;
    for (const auto& file : s.InputTsScale)
        for (double scale : file) out += scale == 0 ? "" : std::to_string(scale);
    return out;
}

// Every item of the state as text, by name.
std::map<std::string, std::string> Snapshot(const TOptionState& s)
{
#define ITEM(x) {#x, Text(s.x)}
    std::map<std::string, std::string> items = {
        ITEM(PendingFormat), ITEM(PgmYuvFormat), ITEM(FrameWidth), ITEM(FrameHeight), ITEM(FrameAspectRatio),
        ITEM(FramePixFmt), ITEM(AudioSampleFmt), ITEM(CropTopBand), ITEM(CropBottomBand), ITEM(CropLeftBand),
        ITEM(CropRightBand), ITEM(MaxFrames), ITEM(FrameRate), ITEM(VideoQScale), ITEM(IntraMatrix),
        ITEM(InterMatrix), ITEM(VideoRcOverride), ITEM(VideoDisable), ITEM(VideoDiscard), ITEM(VideoCodecName),
        ITEM(VideoCodecTag), ITEM(VideoLanguage), ITEM(SameQuality), ITEM(Deinterlace), ITEM(TopFieldFirst),
        ITEM(MeThreshold), ITEM(IntraDcPrecision), ITEM(LoopInput), ITEM(LoopOutput), ITEM(QpHistogram),
        ITEM(VideoFilters), ITEM(IntraOnly), ITEM(AudioSampleRate), ITEM(AudioChannelLayout), ITEM(AudioQScale),
        ITEM(AudioDisable), ITEM(AudioChannels), ITEM(AudioCodecName), ITEM(AudioCodecTag), ITEM(AudioLanguage),
        ITEM(SubtitleDisable), ITEM(SubtitleCodecName), ITEM(SubtitleLanguage), ITEM(SubtitleCodecTag),
        ITEM(MuxPreload), ITEM(MuxMaxDelay), ITEM(RecordingTime), ITEM(StartTime), ITEM(RecordTimestamp),
        ITEM(InputTsOffset), {"InputTsScale", ScaleText(s)}, ITEM(Metadata), ITEM(HexDump), ITEM(DumpPackets),
        ITEM(PSNR), ITEM(PassNumber), ITEM(PassLogFile), ITEM(AudioStreamCopy), ITEM(VideoStreamCopy),
        ITEM(SubtitleStreamCopy), ITEM(VideoSyncMethod), ITEM(AudioSyncMethod), ITEM(AudioDriftThreshold),
        ITEM(CopyTimestamps), ITEM(Shortest), ITEM(VideoGlobalHeader), ITEM(VStatsFile), ITEM(ProgramID),
        ITEM(CopyInitialNonKeyframes), ITEM(RateEmulation), ITEM(VideoChannel), ITEM(VideoStandard),
        ITEM(AudioVolume), ITEM(ExitOnError), ITEM(VideoHooksUsed), ITEM(Verbose), ITEM(ThreadCount),
        ITEM(InputSync), ITEM(FileSizeLimit), ITEM(ForceFps), ITEM(DtsDeltaThreshold), ITEM(ScaleFlags),
        ITEM(StreamIdMap), ITEM(StreamMaps), ITEM(MetaDataMaps), ITEM(VideoBitstreamFilters),
        ITEM(AudioBitstreamFilters), ITEM(SubtitleBitstreamFilters), ITEM(GenericOptionNames),
        ITEM(TotalDuration), ITEM(LastError),
    };
#undef ITEM
    for (int t = 0; t < gtCount; ++t)
        items["Accepted" + std::to_string(t)] = std::to_string(s.Templates.Accepted[t].size());
    return items;
}

TEST(OptionState, DefaultsOfTheTable)
{
    const TOptionState s;
    const std::map<std::string, std::string> expected = {
        {"FramePixFmt", "-1"},        {"AudioSampleFmt", "-1"},     {"MaxFrames", "[2147483647,2147483647,2147483647,2147483647,]"},
        {"FrameRate", "0/0"},         {"AudioSampleRate", "44100"}, {"AudioQScale", "-99999"},
        {"AudioChannels", "2"},       {"MuxPreload", "0.5"},        {"MuxMaxDelay", "0.7"},
        {"RecordingTime", "9223372036854775807"},                   {"TopFieldFirst", "-1"},
        {"IntraDcPrecision", "8"},    {"LoopOutput", "-1"},         {"VideoSyncMethod", "-1"},
        {"AudioDriftThreshold", "0.1"}, {"AudioVolume", "256"},     {"Verbose", "1"},
        {"ThreadCount", "1"},         {"DtsDeltaThreshold", "10"},  {"ScaleFlags", "4"},
        {"TotalDuration", "-1"},      {"VideoCodecName", "none"},   {"VStatsFile", "none"},
        {"IntraMatrix", "none"},      {"StreamMaps", "[]"},
    };
    const auto snapshot = Snapshot(s);
    for (const auto& [name, value] : expected) EXPECT_EQ(snapshot.at(name), value) << name;
    EXPECT_TRUE(s.Templates.Created());
    for (int t = 0; t < gtCount; ++t) EXPECT_NE(s.Templates.Object(static_cast<TGenericTemplate>(t)), nullptr);
}

TEST(OptionState, ResetAfterSettingEverythingRestoresEveryDefault)
{
    test::TFakeFilesTask task;
    task.Outputs = 1;
    const auto defaults = Snapshot(task.Options());
    TOptionState& s = task.Options();
    s.FrameWidth = 640;
    s.FrameHeight = 480;
    std::string matrix;
    for (int i = 0; i < 64; ++i) matrix += (i ? ",": "") + std::to_string(i + 2);

    const char* options[][2] = {
        {"f", "pgmyuv"}, {"cropleft", "8"}, {"croptop", "8"}, {"cropbottom", "8"}, {"cropright", "8"},
        {"s", "320x240"}, {"aspect", "4:3"}, {"pix_fmt", "yuv422p"}, {"sample_fmt", "s16"},
        {"vframes", "1"}, {"aframes", "1"}, {"dframes", "1"}, {"r", "25"}, {"qscale", "3"},
        {"intra_matrix", matrix.c_str()}, {"inter_matrix", matrix.c_str()}, {"rc_override", "0,1,2"},
        {"vn", "1"}, {"vdt", "1"}, {"vcodec", "copy"}, {"vcodec", "mpeg4"}, {"vtag", "xvid"}, {"vlang", "eng"},
        {"sameq", "1"}, {"deinterlace", "1"}, {"top", "1"}, {"me_threshold", "1"}, {"dc", "9"},
        {"loop_input", "1"}, {"loop_output", "0"}, {"qphist", "1"}, {"vf", "null"}, {"intra", "1"},
        {"ar", "8000"}, {"aq", "1"}, {"an", "1"}, {"ac", "1"}, {"acodec", "copy"}, {"acodec", "mp2"},
        {"atag", "abcd"}, {"alang", "ger"}, {"sn", "1"}, {"scodec", "copy"}, {"scodec", "ass"},
        {"slang", "fre"}, {"stag", "efgh"}, {"muxpreload", "1"}, {"muxdelay", "1"}, {"t", "5"},
        {"ss", "1"}, {"timestamp", "now"}, {"itsoffset", "1"}, {"itsscale", "1:2"}, {"metadata", "a=b"},
        {"hex", "1"}, {"dump", "1"}, {"psnr", "1"}, {"pass", "1"}, {"passlogfile", "x"},
        {"vsync", "1"}, {"async", "1"}, {"adrift_threshold", "1"}, {"copyts", ""}, {"shortest", "1"},
        {"vglobal", "1"}, {"vstats_file", "v.log"}, {"programid", "3"}, {"copyinkf", "1"}, {"re", "1"},
        {"vc", "1"}, {"tvstd", "ntsc"}, {"vol", "100"}, {"xerror", ""}, {"v", "3"}, {"isync", "1"},
        {"fs", "1000"}, {"force_fps", "1"}, {"dts_delta_threshold", "1"}, {"streamid", "0:9"},
        {"map", "0.1"}, {"map_meta_data", "0:0"}, {"vbsf", "dump_extra"}, {"absf", "aac_adtstoasc"},
        {"sbsf", "noise"}, {"g", "10"}, {"ab", "128000"}, {"flags", "+bitexact"}, {"movflags", "+faststart"}, {"sws_flags", "bilinear"},
        {"dither_method", "triangular"},
    };
    for (const auto& option : options) ASSERT_NO_THROW(task.SetOption(option[0], option[1])) << option[0];
    struct TAccepting : IVideoHookRegistry {
        bool Add(const std::string&) override { return true; }
    };
    task.SetVideoHookRegistry(std::make_unique<TAccepting>());
    task.SetOption("vhook", "hook.so");
    s.AudioChannelLayout = 3;
    s.ThreadCount = 2;
    s.ScaleFlags = 1;
    s.LastError = "failed";

    const auto changed = Snapshot(s);
    for (const auto& [name, value] : defaults)
        EXPECT_NE(changed.at(name), value) << name << " was not changed by the test";

    task.Reset();
    EXPECT_EQ(Snapshot(s), defaults);
    int64_t gop = 0;
    av_opt_get_int(s.Templates.Codec[gtVideo].get(), "g", 0, &gop);
    EXPECT_EQ(gop, 12);  // a fresh template
}

}  // namespace
}  // namespace quorvia
