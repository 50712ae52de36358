#include "jobs/OptionBuilder.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <string_view>

#include "jobs/NumberText.h"
#include "jobs/OptionBuilderMessages.h"
#include "jobs/ZoomGeometry.h"
#include "probe/AVProbe.h"
#include "profiles/ProfileVocabulary.h"

namespace quorvia {

namespace {

// Target presets of the engine (TOutputOptions::TargetType, NormType).
constexpr int kTargetVcd = 1, kTargetSvcd = 2, kTargetDvd = 3;
constexpr int kNormPal = 1, kNormNtsc = 2;

bool IsAsSource(const std::string& value) { return value == kAsSource; }

bool OneOf(const std::string& value, std::initializer_list<std::string_view> words)
{
    for (std::string_view w : words)
        if (value == w) return true;
    return false;
}

// DVD, VCD and SVCD keywords choose the target preset and its norm.
void ApplyTarget(const std::string& format, const std::string& videoSize, TOutputOptions& O)
{
    struct Row {
        const char* Format;
        int Target, Norm;
        const char* WideSize;  // the size that makes a DVD 16:9; nullptr: always 4:3
    };
    static constexpr Row rows[] = {
        {"ntsc-dvd", kTargetDvd, kNormNtsc, "720x480"}, {"pal-dvd", kTargetDvd, kNormPal, "720x576"},
        {"ntsc-vcd", kTargetVcd, kNormNtsc, nullptr},   {"pal-vcd", kTargetVcd, kNormPal, nullptr},
        {"ntsc-svcd", kTargetSvcd, kNormNtsc, nullptr}, {"pal-svcd", kTargetSvcd, kNormPal, nullptr},
    };
    for (const Row& row : rows) {
        if (format != row.Format) continue;
        O.TargetType = row.Target;
        O.NormType = row.Norm;
        O.FrameAspectRatio = row.WideSize && videoSize == row.WideSize ? "16:9" : "4:3";
        return;
    }
}

// Audio values: "as source" or a value that does not convert sets nothing.
void ApplyChannels(const std::string& value, bool positiveOnly, TOutputOptions& O)
{
    if (IsAsSource(value)) return;
    const auto v = IntegerValue(value);
    if (v && (!positiveOnly || *v > 0)) O.AudioChannels = *v;
}

void ApplySampleRate(const std::string& value, TOutputOptions& O)
{
    if (IsAsSource(value)) return;
    const auto v = IntegerValue(value);
    if (v && *v > 0) O.AudioSampleRate = *v;
}

void ApplyAudioBitRate(const std::string& value, TOutputOptions& O)
{
    if (IsAsSource(value)) return;
    const auto v = NumberValue(value);
    if (!v) return;
    const long double bits = *v * 1000;
    // A rate beyond the record's range is left to the engine's default.
    if (bits > 0 && bits <= INT_MAX) O.AudioBitrate = static_cast<int>(bits);
}

void ApplyVolume(const std::string& value, TOutputOptions& O)
{
    if (value != "256") O.AudioVolume = StrToInt(value);
}

// No video encoder: the job converts the sound only and the input's video
// is not even read.
void BuildAudioOnly(const TJobProfile& p, TOutputOptions& O, TInputOptions& I)
{
    O.AudioCodec = p.AudioEncoder.value_or("libfaac");
    ApplyChannels(p.Channel, true, O);
    ApplySampleRate(p.SampleRate, O);
    ApplyAudioBitRate(p.AudioBitRate, O);
    ApplyVolume(p.Volume, O);
    I.ExtOptions = "vn=1";
    O.DisableVideo = true;
    O.DisableSubtitle = true;
}

// Codec names the engine takes as they are; H.264 with the x264 option set
// of its device.
void ApplyVideoCodec(const std::string& v, const std::string& format, TOutputOptions& O)
{
    if (OneOf(v, {"mpeg4", "libxvid", "mpeg1video", "msmpeg4", "msmpeg4v1", "msmpeg4v2", "huffyuv", "dvvideo",
                  "rawvideo", "h263p", "h263", "rv10", "rv20", "ljpeg", "mjpeg", "svq1", "zlib", "wmv1", "wmv2"})) {
        O.VideoCodec = v;
    } else if (v == "mpeg2video") {
        O.VideoCodec = v;
        O.TargetType = kTargetDvd;
    } else if (v == "libx264") {
        O.VideoCodec = v;
        if (format == "psp") O.VideoPreset = "libx264-psp";
        else if (format == "ipod") O.VideoPreset = "libx264-ipod";
        else if (format == "ps3") O.VideoPreset = "libx264-ps3";
        else O.VideoPreset = "libx264-mp4";
    }
    // Container words ("mov", "3gp", "flv", ...) leave the codec to the container.
}

// A bit rate that is no number of kbit/s takes the source's.
void ApplyVideoBitRate(const std::string& value, const TSourceVideo& source, TOutputOptions& O)
{
    const auto v = IsAsSource(value) ? std::nullopt : IntegerValue(value);
    if (!v) {
        O.VideoBitrate = static_cast<int>(std::clamp<int64_t>(source.BitRate, -1, INT_MAX));
        return;
    }
    const int64_t bits = int64_t(*v) * 1000;
    if (bits > 0 && bits <= INT_MAX) O.VideoBitrate = static_cast<int>(bits);
}

// Keywords that name a muxer; any other leaves it to the output's extension.
void ApplyContainer(const std::string& formatAsRead, const std::string& format, TOutputOptions& O)
{
    if (OneOf(format, {"ipod", "3gp", "3g2", "avi", "psp", "mov", "vcd", "flv", "mpegts", "vob"}))
        O.FileFormat = formatAsRead;
}

// The sizes the h263 encoder of the profiles takes as they are.
constexpr std::string_view kH263Sizes = "704x576,352x288,176x144,160x120,128x96";

// The destination size dw x dh.
void DestinationSize(const std::string& z, const TSourceVideo& source, const TOutputOptions& O, IJobPrompts& prompts,
                     int& dw, int& dh)
{
    if (!IsAsSource(z)) {
        const size_t x = z.find('x');
        if (x != std::string::npos && x > 0 && x + 1 < z.size()) {
            dw = IntegerValue(z.substr(0, x)).value_or(source.Width);
            dh = IntegerValue(z.substr(x + 1)).value_or(source.Height);
            if (LowerCase(O.VideoCodec) == "h263" && kH263Sizes.find(z) == std::string_view::npos) {
                if (dw > 352) {
                    dw = 704;
                    dh = 576;
                } else if (dw > 176) {
                    dw = 352;
                    dh = 288;
                }
            }
            return;
        }
        if (prompts.Question(msg::FrameSizeCaption, msg::FrameSizeQuestion)) {
            dw = 320;
            dh = 240;
            return;
        }
        // No: the source's size, as for "as source".
    }
    dw = source.Width;
    dh = source.Height;
}

// The installed DV encoder finds its profile by frame size and pixel format,
// and keeps a 4:2:0 source in 4:2:0, for which NTSC has no profile: a DV
// output asks for the DV25 pixel format of its norm, as the "dv" target does.
void ApplyDvPixelFormat(int dw, int dh, TOutputOptions& O)
{
    if (O.VideoCodec != "dvvideo" || dw != 720) return;
    const char* format = dh == 480 ? "yuv411p" : (dh == 576 ? "yuv420p" : nullptr);
    if (!format) return;
    if (!O.ExtOptions.empty()) O.ExtOptions += "\n";
    O.ExtOptions += std::string("pix_fmt=") + format;
}

// Size, crop, zoom and filters of a source with video.
void ApplyPicture(const TlvFilesRecord& job, const TJobProfile& p, const TSourceVideo& source, TOutputOptions& O,
                  IJobPrompts& prompts)
{
    TZoomGeometry g;
    g.SourceWidth = source.Width;
    g.SourceHeight = source.Height;
    DestinationSize(p.VideoSize, source, O, prompts, g.DestWidth, g.DestHeight);
    g.CropTop = job.CropTop;
    g.CropLeft = job.CropLeft;
    g.CropBottom = job.CropBottom;
    g.CropRight = job.CropRight;

    ApplyDvPixelFormat(g.DestWidth, g.DestHeight, O);

    O.CropTop = O.CropBottom = O.CropLeft = O.CropRight = 0;

    const TZoomResult z = ZoomFor(job.ZoomMode, g);
    if (z.FrameSize) O.FrameSize = *z.FrameSize;
    if (z.FrameAspectRatio) O.FrameAspectRatio = *z.FrameAspectRatio;
    if (z.CropTop) O.CropTop = *z.CropTop;
    if (z.CropBottom) O.CropBottom = *z.CropBottom;
    if (z.CropLeft) O.CropLeft = *z.CropLeft;
    if (z.CropRight) O.CropRight = *z.CropRight;
    O.VideoFilters = z.Filters;
}

// The sound of a video job.
void ApplyVideoJobAudio(const TJobProfile& p, TOutputOptions& O)
{
    std::string codec = p.AudioEncoder.value_or("");
    if (codec == "libamr_nb") codec = "libopencore_amrnb";
    O.AudioCodec = codec;
    if (TrimBlanks(codec).empty()) O.DisableAudio = true;
    ApplyChannels(p.Channel, false, O);
    ApplyVolume(p.Volume, O);
    ApplySampleRate(p.SampleRate, O);
    ApplyAudioBitRate(p.AudioBitRate, O);
}

}  // namespace

void BuildJobOptions(const TlvFilesRecord& job, const TJobProfile& profile, const TSourceVideo& source,
                     TOutputOptions& O, TInputOptions& I, IJobPrompts& prompts)
{
    const std::string format = LowerCase(profile.Format);
    ApplyTarget(format, profile.VideoSize, O);
    if (TrimBlanks(profile.VideoEncoder).empty()) {
        BuildAudioOnly(profile, O, I);
        return;
    }
    ApplyVideoCodec(profile.VideoEncoder, format, O);
    if (!source.HasVideo) {
        O.DisableVideo = true;
    } else {
        ApplyVideoBitRate(profile.VideoBitRate, source, O);
        if (!IsAsSource(profile.FrameRate)) {
            const auto rate = NumberValue(profile.FrameRate);
            if (rate && *rate > 0) O.FrameRate = profile.FrameRate;
        }
        ApplyContainer(profile.Format, format, O);
        ApplyPicture(job, profile, source, O, prompts);
    }
    ApplyVideoJobAudio(profile, O);
}

void BuildJobOptions(const TlvFilesRecord& job, int profileCode, TOutputOptions& O, TCustomAVProbe* probe,
                     TInputOptions& I, const TIniFile& programIni, const TIniFile& formatIni, IJobPrompts& prompts)
{
    const TJobProfile profile = ReadJobProfile(programIni, formatIni, profileCode);
    const TSourceVideo source = probe ? SourceVideoOf(*probe) : TSourceVideo{};
    BuildJobOptions(job, profile, source, O, I, prompts);
}

}  // namespace quorvia
