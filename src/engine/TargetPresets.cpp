#include "engine/TargetPresets.h"

#include <cmath>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/PresetMessages.h"

namespace quorvia {

const char* TargetNormFrameRate(TTargetNorm norm)
{
    switch (norm) {
    case tnNTSC: return "30000/1001";
    case tnFILM: return "24000/1001";
    default: return "25";
    }
}

TTargetNorm TargetNormFromName(std::string_view name)
{
    if (name == "pal") return tnPAL;
    if (name == "ntsc") return tnNTSC;
    if (name == "film") return tnFILM;
    return tnUndecided;
}

TTargetNorm TargetNormFromRate(AVRational rate)
{
    if (rate.num == 0 || rate.den == 0) return tnUndecided;
    const long long milli = std::llround(static_cast<double>(rate.num) * 1000.0 / rate.den);
    if (milli == 23976 || milli == 29970) return tnNTSC;
    if (milli == 25000) return tnPAL;
    return tnUndecided;
}

TTargetNorm DetectTargetNorm(AVRational frameRate, const std::vector<AVRational>& inputRates,
                             std::string_view fallbackNorm)
{
    if (frameRate.den == 0) throw FFmpegException(msg::FrameRateInvalid);
    TTargetNorm norm = TargetNormFromRate(frameRate);
    // A stream with an unknown rate (a zero part) cannot decide; it is passed over.
    for (size_t i = 0; norm == tnUndecided && i < inputRates.size(); ++i)
        norm = TargetNormFromRate(inputRates[i]);
    if (norm != tnUndecided) return norm;
    if (fallbackNorm == "film") return tnFILM;
    if (fallbackNorm == "ntsc") return tnNTSC;
    return tnPAL;
}

namespace {

enum TTargetKind { tkVCD, tkSVCD, tkDVD, tkDV, tkDV50, tkUnknown };

TTargetKind TargetKindFromName(std::string_view name)
{
    if (name == "vcd") return tkVCD;
    if (name == "svcd") return tkSVCD;
    if (name == "dvd") return tkDVD;
    if (name == "dv") return tkDV;
    if (name == "dv50") return tkDV50;
    return tkUnknown;
}

// The installed codec options have no "scan_offset" flag any more; the MPEG-2
// encoder took it over as its own boolean option.
bool CodecFlagExists(const char* flag)
{
    const AVClass* cls = avcodec_get_class();
    return av_opt_find(&cls, flag, "flags", 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

}  // namespace

void TCustomFFmpeg::ApplyTarget(const std::string& target, const std::string& norm,
                                const std::string& fallbackNorm)
{
    TTargetNorm tn = TargetNormFromName(norm);
    if (tn == tnUndecided) {
        tn = DetectTargetNorm(State.FrameRate, InputVideoFrameRates(), fallbackNorm);
        if (State.Verbose > 0)
            FFLogger().LogFmt(this, llVerbose, msg::AssumingNormForTarget,
                              tn == tnPAL ? msg::NormNamePAL : msg::NormNameNTSC);
    }
    const bool n = tn != tnPAL;  // NTSC and FILM share sizes and GOP length

    const TTargetKind kind = TargetKindFromName(target);
    if (kind == tkUnknown) throw FFmpegException(msg::UnknownTargetType);

    if (kind == tkDV || kind == tkDV50) {
        SetOption("f", "dv");
        SetOption("s", n ? "720x480" : "720x576");
        SetOption("pix_fmt", kind == tkDV50 ? "yuv422p" : (n ? "yuv411p" : "yuv420p"));
        SetOption("r", TargetNormFrameRate(tn));
        SetAudioSampleRate(48000);
        SetAudioChannels(2);
        return;
    }

    static const char* const kVideoCodec[] = {"mpeg1video", "mpeg2video", "mpeg2video"};
    static const char* const kAudioCodec[] = {"mp2", "mp2", "ac3"};
    static const char* const kFormat[] = {"vcd", "svcd", "dvd"};
    static const char* const kSizeN[] = {"352x240", "480x480", "720x480"};
    static const char* const kSizePAL[] = {"352x288", "480x576", "720x576"};
    static const char* const kBitRate[] = {"1150000", "2040000", "6000000"};
    static const char* const kMaxRate[] = {"1150000", "2516000", "9000000"};
    static const char* const kMinRate[] = {"1150000", "0", "0"};
    static const char* const kBufSize[] = {"327680", "1835008", "1835008"};

    SetOption("vcodec", kVideoCodec[kind]);
    SetOption("acodec", kAudioCodec[kind]);
    SetOption("f", kFormat[kind]);
    SetOption("s", n ? kSizeN[kind] : kSizePAL[kind]);
    SetOption("r", TargetNormFrameRate(tn));
    SetGenericOption("g", n ? "18" : "15");
    SetGenericOption("b", kBitRate[kind]);
    SetGenericOption("maxrate", kMaxRate[kind]);
    SetGenericOption("minrate", kMinRate[kind]);
    SetGenericOption("bufsize", kBufSize[kind]);

    switch (kind) {
    case tkVCD:
        SetGenericOption("ab", "224000");
        SetAudioSampleRate(44100);
        SetAudioChannels(2);
        SetGenericOption("packetsize", "2324");
        SetGenericOption("muxrate", "1411200");
        SetMuxPreload(0.44f);
        break;
    case tkSVCD:
        if (CodecFlagExists("scan_offset")) {
            SetGenericOption("flags", "+scan_offset");
        } else {
            FFLogger().Log(this, llWarning, msg::ScanOffsetAsEncoderOption);
            SetGenericOption("scan_offset", "1");
        }
        SetGenericOption("ab", "224000");
        SetAudioSampleRate(44100);
        SetGenericOption("packetsize", "2324");
        if (State.AudioChannels == 1) SetAudioChannels(2);
        break;
    default:  // tkDVD
        SetGenericOption("packetsize", "2048");
        SetGenericOption("muxrate", "10080000");
        SetGenericOption("ab", "448000");
        SetAudioSampleRate(48000);
        if (State.AudioChannels == 1) SetAudioChannels(2);
        break;
    }

    if (State.FrameAspectRatio == 0) {
        const bool wide = kind == tkDVD;
        FFLogger().Log(this, llInfo, wide ? msg::AssumingAspect16x9 : msg::AssumingAspect4x3);
        SetOption("aspect", wide ? "16:9" : "4:3");
    }
}

}  // namespace quorvia
