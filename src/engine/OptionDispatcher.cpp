// The option dispatcher: one chain of exact, case-sensitive names in three
// tables (general and time, video, audio/subtitle/remaining); the first match
// wins and anything unmatched goes to the generic setter.
#include <cmath>
#include <ctime>
#include <iterator>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/avutil.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

#include "app/Paths.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/OptionMessages.h"
#include "engine/OptionValues.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

using THandler = void (*)(TCustomFFmpeg& self, TOptionState& s, const std::string& name,
                          const std::string& value);

struct TOptionEntry {
    const char* Name;
    THandler Handler;
};

template <size_t N>
bool Dispatch(const TOptionEntry (&table)[N], TCustomFFmpeg& self, TOptionState& s,
              const std::string& name, const std::string& value)
{
    for (const TOptionEntry& entry : table) {
        if (name == entry.Name) {
            entry.Handler(self, s, name, value);
            return true;
        }
    }
    return false;
}

void DoNothing(TCustomFFmpeg& self, TOptionState&, const std::string& name, const std::string&)
{
    FFLogger().Log(&self, llInfo, msg::DoNothingOption + name);
}

void SetFormat(TCustomFFmpeg& self, TOptionState& s, const std::string&, const std::string& value)
{
    if (value.empty()) return;
    if (value == "pgmyuv") {
        s.PendingFormat = "image2";
        s.PgmYuvFormat = true;
        FFLogger().Log(&self, llInfo, msg::PgmYuvDeprecated);
        return;
    }
    s.PendingFormat = value;
}

void AddStreamMap(TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& value)
{
    if (s.StreamMaps.size() >= static_cast<size_t>(MaxStreamMaps))
        throw FFmpegException(StrFormat(msg::TooManyStreamMaps, MaxStreamMaps));
    s.StreamMaps.push_back(ParseStreamMap(value));
}

void AddMetaDataMap(TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& value)
{
    if (s.MetaDataMaps.size() >= static_cast<size_t>(MaxMetaDataMaps))
        throw FFmpegException(StrFormat(msg::TooManyMetaDataMaps, MaxMetaDataMaps));
    s.MetaDataMaps.push_back(ParseMetaDataMap(value));
}

void SetInputTsScale(TCustomFFmpeg& self, TOptionState& s, const std::string& name,
                     const std::string& value)
{
    const TStreamScale scale = ParseStreamScale(value);
    if (scale.Stream >= MaxStreamsPerFile)
        throw FFmpegException(StrFormat(msg::StreamIndexOverMax, MaxStreamsPerFile));
    if (scale.Stream < 0)
        throw FFmpegException(StrFormat(msg::StreamIndexNegative, static_cast<int>(scale.Stream), name.c_str()));
    // The scale belongs to the input file that is opened next.
    const int file = self.InputFileCount();
    if (file >= MaxFiles) throw FFmpegException(StrFormat(msg::TooManyInputsForScale, MaxFiles));
    s.InputTsScale[file][scale.Stream] = scale.Scale;
}

void AddMetadata(TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& value)
{
    const size_t eq = value.find('=');
    if (eq == std::string::npos) throw FFmpegException(msg::MissingEquals);
    s.Metadata.emplace_back(value.substr(0, eq), value.substr(eq + 1));
}

void SetTarget(TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string& value)
{
    for (const char* norm : {"pal", "ntsc", "film"}) {
        const std::string prefix = std::string(norm) + "-";
        if (value.compare(0, prefix.size(), prefix) == 0) {
            self.ApplyTarget(value.substr(prefix.size()), norm, "ntsc");
            return;
        }
    }
    self.ApplyTarget(TrimText(value), "auto", "ntsc");
}

void CheckBitrate(TCustomFFmpeg& self, TOptionState& s, const std::string& name)
{
    AVCodecContext* ctx = s.Templates.Codec[name[0] == 'a' ? gtAudio : gtVideo].get();
    int64_t bitrate = 0;
    if (ctx && av_opt_get_int(ctx, "b", 0, &bitrate) >= 0 && bitrate < 1000)
        FFLogger().Log(&self, llWarning, msg::BitrateTooLow);
}

void SetBitrate(TCustomFFmpeg& self, TOptionState& s, const std::string& name, const std::string& value)
{
    if (self.SetGenericOption(name, value)) CheckBitrate(self, s, name);
}

void ListFormats(TCustomFFmpeg& self, bool pixel)
{
    char line[128];
    const int count = pixel ? static_cast<int>(AV_PIX_FMT_NB) : static_cast<int>(AV_SAMPLE_FMT_NB);
    for (int i = -1; i < count; ++i) {
        if (pixel) av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(i));
        else av_get_sample_fmt_string(line, sizeof line, static_cast<AVSampleFormat>(i));
        FFLogger().Log(&self, llInfo, TrimText(line));
    }
}

void SetCrop(TCustomFFmpeg& self, TOptionState& s, const std::string& name, const std::string& value)
{
    const int band = OptionInt(value);
    if (band <= 0) return;
    const bool vertical = name == "croptop" || name == "cropbottom";
    int& frameSide = vertical ? s.FrameHeight : s.FrameWidth;
    if (band >= frameSide)
        throw FFmpegException(vertical ? msg::VerticalCropRange : msg::HorizontalCropRange);
    FFLogger().Log(&self, llWarning, msg::CropDeprecated);
    if (name == "croptop") s.CropTopBand = band;
    else if (name == "cropbottom") s.CropBottomBand = band;
    else if (name == "cropleft") s.CropLeftBand = band;
    else s.CropRightBand = band;
    frameSide -= band;
}

void SelectCodec(std::optional<std::string>& codecName, bool& streamCopy, const std::string& value)
{
    if (value.empty()) return;
    codecName.reset();
    if (value == "copy") streamCopy = true;
    else codecName = value;
}

void SetTag(uint32_t& tag, const char* lengthMessage, const std::string& value)
{
    if (value.empty()) return;
    const std::optional<uint32_t> code = ParseFourCC(value);
    if (!code) throw FFmpegException(lengthMessage);
    tag = *code;
}

void SetStreamId(TCustomFFmpeg&, TOptionState& s, const std::string& name, const std::string& value)
{
    const TStreamId id = ParseStreamId(name, value);
    if (id.Index < 0 || id.Index >= MaxStreamIds)
        throw FFmpegException(StrFormat(msg::StreamIdIndexRange, id.Index, name.c_str(), MaxStreamIds - 1));
    s.StreamIdMap[id.Index] = id.Value;
}

void AddBitstreamFilter(TCustomFFmpeg&, TOptionState& s, const std::string& name, const std::string& value)
{
    std::optional<TBitstreamFilterSpec> wanted = ParseBitstreamFilter(value);
    if (!wanted) return;
    wanted->Name = TrimText(wanted->Name);
    if (!av_bsf_get_by_name(wanted->Name.c_str()))
        throw FFmpegException(StrFormat(msg::UnknownBitstreamFilter, TrimText(value).c_str()));
    auto& chain = name[0] == 'v'   ? s.VideoBitstreamFilters
                  : name[0] == 'a' ? s.AudioBitstreamFilters
                                   : s.SubtitleBitstreamFilters;
    chain.push_back(std::move(*wanted));
}

std::string VStatsFileName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H%M%S", &local);
    return StrFormat("%svstats_%s.log", ExecutableFolder().c_str(), stamp);
}

}  // namespace

void TCustomFFmpeg::SetOption(const std::string& name, const std::string& value)
{
    if (SetGeneralOption(name, value) || SetVideoOption(name, value) || SetAudioSubtitleOption(name, value))
        return;
    SetGenericOption(name, value);
}

bool TCustomFFmpeg::SetGeneralOption(const std::string& name, const std::string& value)
{
    static const TOptionEntry kGeneral[] = {
        {"L", DoNothing}, {"h", DoNothing}, {"version", DoNothing}, {"formats", DoNothing},
        {"codecs", DoNothing}, {"bsfs", DoNothing}, {"protocols", DoNothing}, {"filters", DoNothing},
        {"loglevel", [](TCustomFFmpeg&, TOptionState&, const std::string&, const std::string& v) {
             ApplyLogLevelOption(v);
         }},
        {"f", SetFormat},
        {"i", DoNothing}, {"y", DoNothing},
        {"map", AddStreamMap},
        {"map_meta_data", AddMetaDataMap},
        {"t", [](TCustomFFmpeg&, TOptionState& s, const std::string& n, const std::string& v) {
             s.RecordingTime = OptionDuration(n, v);
             s.TotalDuration = s.RecordingTime;
         }},
        {"fs", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.FileSizeLimit = OptionInt64(v);
         }},
        {"ss", [](TCustomFFmpeg&, TOptionState& s, const std::string& n, const std::string& v) {
             s.StartTime = OptionDuration(n, v);
         }},
        {"itsoffset", [](TCustomFFmpeg&, TOptionState& s, const std::string& n, const std::string& v) {
             s.InputTsOffset = OptionDuration(n, v);
         }},
        {"itsscale", SetInputTsScale},
        {"timestamp", [](TCustomFFmpeg&, TOptionState& s, const std::string& n, const std::string& v) {
             s.RecordTimestamp = std::llround(static_cast<double>(OptionDate(n, v)) / 1000000.0);
         }},
        {"metadata", AddMetadata},
        {"dframes", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.MaxFrames[miData] = OptionInt(v);
         }},
        {"benchmark", DoNothing},
        {"timelimit", [](TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string&) {
             FFLogger().Log(&self, llWarning, msg::TimeLimitNotImplemented);
         }},
        {"dump", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.DumpPackets = OptionBool(v);
         }},
        {"hex", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.HexDump = OptionBool(v);
         }},
        {"re", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.RateEmulation = OptionBool(v);
         }},
        {"loop_input", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.LoopInput = OptionBool(v);
         }},
        {"loop_output", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.LoopOutput = OptionInt(v);
         }},
        {"v", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.Verbose = OptionInt(v);
         }},
        {"target", SetTarget},
        {"threads", [](TCustomFFmpeg&, TOptionState&, const std::string& n, const std::string&) {
             throw FFmpegException(msg::TodoOption + n);
         }},
        {"vsync", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoSyncMethod = OptionInt(v);
         }},
        {"async", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.AudioSyncMethod = OptionInt(v);
         }},
        {"adrift_threshold", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.AudioDriftThreshold = static_cast<float>(OptionFloat(v));
         }},
        {"vglobal", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoGlobalHeader = OptionInt(v);
         }},
        {"copyts", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string&) {
             s.CopyTimestamps = true;
         }},
        {"shortest", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.Shortest = OptionBool(v);
         }},
        {"dts_delta_threshold", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.DtsDeltaThreshold = static_cast<float>(OptionFloat(v));
         }},
        {"programid", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.ProgramID = OptionInt(v);
         }},
        {"xerror", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string&) {
             s.ExitOnError = true;
         }},
        {"copyinkf", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.CopyInitialNonKeyframes = OptionInt(v);
         }},
    };
    return Dispatch(kGeneral, *this, State, name, value);
}

bool TCustomFFmpeg::SetVideoOption(const std::string& name, const std::string& value)
{
    static const TOptionEntry kVideo[] = {
        {"b", SetBitrate}, {"vb", SetBitrate},
        {"vframes", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.MaxFrames[miVideo] = OptionInt(v);
         }},
        {"r", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             if (v.empty()) return;
             AVRational rate{0, 0};
             if (av_parse_video_rate(&rate, v.c_str()) < 0) throw FFmpegException(msg::IncorrectFrameRate);
             s.FrameRate = rate;
         }},
        {"s", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             if (v.empty()) return;
             int w = 0, h = 0;
             if (av_parse_video_size(&w, &h, v.c_str()) < 0) throw FFmpegException(msg::IncorrectFrameSize);
             s.FrameWidth = w;
             s.FrameHeight = h;
         }},
        {"aspect", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             if (v.empty()) return;
             const double aspect = ParseAspect(v);
             if (aspect == 0) throw FFmpegException(msg::IncorrectAspect);
             s.FrameAspectRatio = static_cast<float>(aspect);
         }},
        {"pix_fmt", [](TCustomFFmpeg& self, TOptionState& s, const std::string&, const std::string& v) {
             if (v == "list") return ListFormats(self, true);
             const AVPixelFormat fmt = av_get_pix_fmt(v.c_str());
             if (fmt == AV_PIX_FMT_NONE) throw FFmpegException(StrFormat(msg::UnknownPixelFormat, v.c_str()));
             s.FramePixFmt = fmt;
         }},
        {"croptop", SetCrop}, {"cropbottom", SetCrop}, {"cropleft", SetCrop}, {"cropright", SetCrop},
        {"padtop", nullptr}, {"padbottom", nullptr}, {"padleft", nullptr}, {"padright", nullptr},
        {"padcolor", nullptr},
        {"intra", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.IntraOnly = OptionBool(v);
         }},
        {"vn", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoDisable = OptionBool(v);
         }},
        {"vdt", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoDiscard = OptionInt(v);
         }},
        {"qscale", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             const double q = OptionFloat(v);
             if (q <= 0 || q > 255) throw FFmpegException(msg::QScaleRange);
             s.VideoQScale = static_cast<float>(q);
         }},
        {"rc_override", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoRcOverride = v;
         }},
        {"vcodec", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             SelectCodec(s.VideoCodecName, s.VideoStreamCopy, v);
         }},
        {"me_threshold", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.MeThreshold = OptionInt(v);
         }},
        {"sameq", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.SameQuality = OptionBool(v);
         }},
        {"pass", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             const int pass = OptionInt(v);
             if (pass != 1 && pass != 2) throw FFmpegException(msg::PassNumberRange);
             s.PassNumber = pass;
         }},
        {"passlogfile", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.PassLogFile = v;
         }},
        {"deinterlace", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.Deinterlace = OptionBool(v);
         }},
        {"psnr", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.PSNR = OptionBool(v);
         }},
        {"vstats", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string&) {
             s.VStatsFile = VStatsFileName();
         }},
        {"vstats_file", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VStatsFile = v;
         }},
        {"vhook", [](TCustomFFmpeg& self, TOptionState& s, const std::string&, const std::string& v) {
             if (!self.VideoHookRegistry().Add(v)) throw FFmpegException(msg::VideoHookFailed + v);
             s.VideoHooksUsed = true;
         }},
        {"vfilters", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             if (!v.empty()) s.VideoFilters = v;
         }},
        {"vf", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             if (!v.empty()) s.VideoFilters = v;
         }},
        {"intra_matrix", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.IntraMatrix = ParseQuantMatrix(v);
         }},
        {"inter_matrix", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.InterMatrix = ParseQuantMatrix(v);
         }},
        {"top", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.TopFieldFirst = OptionInt(v);
         }},
        {"dc", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.IntraDcPrecision = OptionInt(v);
         }},
        {"vtag", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             SetTag(s.VideoCodecTag, msg::VideoTagLength, v);
         }},
        {"newvideo", [](TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string&) {
             self.NewVideoStream();
         }},
        {"vlang", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoLanguage = v;
         }},
        {"qphist", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.QpHistogram = OptionBool(v);
         }},
        {"force_fps", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.ForceFps = OptionBool(v);
         }},
        {"streamid", SetStreamId},
    };
    for (const TOptionEntry& entry : kVideo) {
        if (name != entry.Name) continue;
        // The pad options are gone in favour of the pad filter.
        if (!entry.Handler) throw FFmpegException(msg::UseVFiltersPad);
        entry.Handler(*this, State, name, value);
        return true;
    }
    return false;
}

bool TCustomFFmpeg::SetAudioSubtitleOption(const std::string& name, const std::string& value)
{
    static const TOptionEntry kAudioSubtitle[] = {
        {"ab", SetBitrate},
        {"aframes", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.MaxFrames[miAudio] = OptionInt(v);
         }},
        {"aq", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.AudioQScale = static_cast<float>(OptionFloat(v));
         }},
        {"ar", [](TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string& v) {
             self.SetAudioSampleRate(OptionInt(v));
         }},
        {"ac", [](TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string& v) {
             self.SetAudioChannels(OptionInt(v));
         }},
        {"an", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.AudioDisable = OptionBool(v);
         }},
        {"acodec", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             SelectCodec(s.AudioCodecName, s.AudioStreamCopy, v);
         }},
        {"atag", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             SetTag(s.AudioCodecTag, msg::AudioTagLength, v);
         }},
        {"vol", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.AudioVolume = OptionInt(v);
         }},
        {"newaudio", [](TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string&) {
             self.NewAudioStream();
         }},
        {"alang", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.AudioLanguage = v;
         }},
        {"sample_fmt", [](TCustomFFmpeg& self, TOptionState& s, const std::string&, const std::string& v) {
             if (v == "list") return ListFormats(self, false);
             s.AudioSampleFmt = av_get_sample_fmt(v.c_str());
         }},
        {"sn", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.SubtitleDisable = OptionBool(v);
         }},
        {"scodec", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             SelectCodec(s.SubtitleCodecName, s.SubtitleStreamCopy, v);
         }},
        {"newsubtitle", [](TCustomFFmpeg& self, TOptionState&, const std::string&, const std::string&) {
             self.NewSubtitleStream();
         }},
        {"slang", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.SubtitleLanguage = v;
         }},
        {"stag", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             SetTag(s.SubtitleCodecTag, msg::SubtitleTagLength, v);
         }},
        {"vc", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoChannel = OptionInt(v);
         }},
        {"tvstd", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.VideoStandard = v;
         }},
        {"isync", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.InputSync = OptionBool(v);
         }},
        {"muxdelay", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.MuxMaxDelay = static_cast<float>(OptionFloat(v));
         }},
        {"muxpreload", [](TCustomFFmpeg&, TOptionState& s, const std::string&, const std::string& v) {
             s.MuxPreload = static_cast<float>(OptionFloat(v));
         }},
        {"absf", AddBitstreamFilter}, {"vbsf", AddBitstreamFilter}, {"sbsf", AddBitstreamFilter},
        {"apre", [](TCustomFFmpeg& self, TOptionState&, const std::string& n, const std::string& v) {
             self.ApplyPreset(n, v);
         }},
        {"vpre", [](TCustomFFmpeg& self, TOptionState&, const std::string& n, const std::string& v) {
             self.ApplyPreset(n, v);
         }},
        {"spre", [](TCustomFFmpeg& self, TOptionState&, const std::string& n, const std::string& v) {
             self.ApplyPreset(n, v);
         }},
        {"fpre", [](TCustomFFmpeg& self, TOptionState&, const std::string& n, const std::string& v) {
             self.ApplyPreset(n, v);
         }},
    };
    return Dispatch(kAudioSubtitle, *this, State, name, value);
}

}  // namespace quorvia
