#include "engine/OptionState.h"

#include <climits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "engine/FFmpegException.h"
#include "engine/OptionMessages.h"

namespace quorvia {

void CodecContextDeleter::operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
void FormatContextDeleter::operator()(AVFormatContext* p) const { avformat_free_context(p); }
void SwsContextDeleter::operator()(SwsContext* p) const { sws_freeContext(p); }
void SwrContextDeleter::operator()(SwrContext* p) const { swr_free(&p); }

namespace {

constexpr AVMediaType kTemplateMedia[5] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA,
                                           AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_ATTACHMENT};

}  // namespace

void TGenericTemplates::Create(int scaleFlags)
{
    Release();
    for (size_t i = 0; i < Codec.size(); ++i) {
        Codec[i].reset(avcodec_alloc_context3(nullptr));
        if (!Codec[i]) throw FFmpegException(msg::TemplateAllocFailed);
        Codec[i]->codec_type = kTemplateMedia[i];
    }
    Format.reset(avformat_alloc_context());
    Scaler.reset(sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P, scaleFlags,
                                nullptr, nullptr, nullptr));
    Resampler.reset(swr_alloc());
    if (!Format || !Scaler || !Resampler) {
        Release();
        throw FFmpegException(msg::TemplateAllocFailed);
    }
}

void TGenericTemplates::Release()
{
    for (auto& c : Codec) c.reset();
    Format.reset();
    Scaler.reset();
    Resampler.reset();
    for (auto& list : Accepted) list.clear();
}

void* TGenericTemplates::Object(TGenericTemplate which) const
{
    switch (which) {
    case gtVideo:
    case gtAudio:
    case gtData:
    case gtSubtitle:
    case gtAttachment: return Codec[which].get();
    case gtFormat: return Format.get();
    case gtScaler: return Scaler.get();
    case gtResampler: return Resampler.get();
    default: return nullptr;
    }
}

TOptionState::TOptionState() { Reset(); }

TOptionState::~TOptionState() = default;

void TOptionState::Reset()
{
    ResetValues();
    Templates.Create(ScaleFlags);
}

void TOptionState::ResetValues()
{
    PendingFormat.clear();
    PgmYuvFormat = false;
    FrameWidth = 0;
    FrameHeight = 0;
    FrameAspectRatio = 0;
    FramePixFmt = -1;
    AudioSampleFmt = -1;
    CropTopBand = CropBottomBand = CropLeftBand = CropRightBand = 0;
    MaxFrames.fill(INT_MAX);
    FrameRate = AVRational{0, 0};
    VideoQScale = 0;
    IntraMatrix.reset();
    InterMatrix.reset();
    VideoRcOverride.reset();
    VideoDisable = false;
    VideoDiscard = 0;
    VideoCodecName.reset();
    VideoCodecTag = 0;
    VideoLanguage.clear();
    SameQuality = false;
    Deinterlace = false;
    TopFieldFirst = -1;
    MeThreshold = 0;
    IntraDcPrecision = 8;
    LoopInput = false;
    LoopOutput = -1;
    QpHistogram = false;
    VideoFilters.clear();
    IntraOnly = false;
    AudioSampleRate = 44100;
    AudioChannelLayout = 0;
    AudioQScale = -99999;
    AudioDisable = false;
    AudioChannels = 2;
    AudioCodecName.reset();
    AudioCodecTag = 0;
    AudioLanguage.clear();
    SubtitleDisable = false;
    SubtitleCodecName.reset();
    SubtitleLanguage.clear();
    SubtitleCodecTag = 0;
    MuxPreload = 0.5f;
    MuxMaxDelay = 0.7f;
    RecordingTime = NoRecordingTime;
    StartTime = 0;
    RecordTimestamp = 0;
    InputTsOffset = 0;
    for (auto& file : InputTsScale)
        for (auto& scale : file) scale = 0;
    Metadata.clear();
    HexDump = false;
    DumpPackets = false;
    PSNR = false;
    PassNumber = 0;
    PassLogFile.clear();
    AudioStreamCopy = false;
    VideoStreamCopy = false;
    SubtitleStreamCopy = false;
    VideoSyncMethod = -1;
    AudioSyncMethod = 0;
    AudioDriftThreshold = 0.1f;
    CopyTimestamps = false;
    Shortest = false;
    VideoGlobalHeader = 0;
    VStatsFile.reset();
    ProgramID = 0;
    CopyInitialNonKeyframes = 0;
    RateEmulation = false;
    VideoChannel = 0;
    VideoStandard.reset();
    AudioVolume = 256;
    ExitOnError = false;
    VideoHooksUsed = false;
    Verbose = 1;
    ThreadCount = 1;
    InputSync = false;
    FileSizeLimit = 0;
    ForceFps = false;
    DtsDeltaThreshold = 10.0f;
    ScaleFlags = 4;
    StreamIdMap.fill(0);
    StreamMaps.clear();
    MetaDataMaps.clear();
    VideoBitstreamFilters.clear();
    AudioBitstreamFilters.clear();
    SubtitleBitstreamFilters.clear();
    GenericOptionNames.clear();
    TotalDuration = -1;
    LastError.clear();
}

}  // namespace quorvia
