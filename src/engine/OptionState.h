#pragma once
// The pending option state of one conversion task. Options accumulate here
// until the next input is opened or the next output (with its streams) is
// created; those steps read the state and reset their per-stream parts.
//
// Ownership: the state owns the generic option templates (one codec context
// per media type, a format context, a 16x16 scaler context built with
// ScaleFlags and a resampler context) and releases them in Reset/destruction.
// Bitstream filter chains are kept as validated name lists
// (TBitstreamFilterSpec): a filter context needs the stream's parameters
// before it can be initialised, so stream creation builds the real
// AVBSFContext chain from these names.
//
// Threads: used on the caller's thread while the task is idle; no locks.
#include <array>
#include <climits>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

struct AVCodecContext;
struct AVFormatContext;
struct SwsContext;
struct SwrContext;
struct AVDictionary;

namespace quorvia {

// Limits of the option state.
inline constexpr int MaxFiles = 20;                       // input files and output files
inline constexpr int MaxStreamsPerFile = 20;              // MAX_STREAMS of the tables below
inline constexpr int MaxStreamMaps = MaxFiles * MaxStreamsPerFile;  // 400
inline constexpr int MaxMetaDataMaps = MaxFiles;           // 20
inline constexpr int MaxStreamIds = MaxStreamsPerFile;     // 20
inline constexpr int64_t NoRecordingTime = std::numeric_limits<int64_t>::max();

// Index of MaxFrames.
enum TMediaIndex { miVideo = 0, miAudio = 1, miData = 2, miSubtitle = 3 };

// The generic option templates, in the order the generic setter tries them.
enum TGenericTemplate {
    gtVideo, gtAudio, gtData, gtSubtitle, gtAttachment,  // codec templates
    gtFormat, gtScaler, gtResampler,
    gtCount
};

// Option flags of the libraries used with ApplyGenericOptions: encoding 1,
// decoding 2, combined with the media flag (video 16, audio 8, subtitle 32).
inline constexpr int GenericEncode = 1;
inline constexpr int GenericDecode = 2;
inline constexpr int GenericVideoEncode = 17;
inline constexpr int GenericAudioEncode = 9;
inline constexpr int GenericSubtitleEncode = 33;
inline constexpr int GenericVideoDecode = 18;
inline constexpr int GenericAudioDecode = 10;
inline constexpr int GenericOutputFormat = 1;
inline constexpr int GenericInputFormat = 2;

struct TStreamMap {
    int32_t FileIndex = 0;
    int32_t StreamIndex = 0;
    int32_t SyncFileIndex = 0;
    int32_t SyncStreamIndex = 0;
    bool operator==(const TStreamMap&) const = default;
};

struct TMetaDataMap {
    int32_t OutFile = 0;
    int32_t InFile = 0;
    bool operator==(const TMetaDataMap&) const = default;
};

// One entry of a bitstream filter chain: the library's filter name (known to
// av_bsf_get_by_name) and the text after the first "=" (empty when none),
// which stream creation hands to the filter as its options
// ("name=args" is the av_bsf_list_parse_str form).
struct TBitstreamFilterSpec {
    std::string Name;
    std::string Args;
    bool operator==(const TBitstreamFilterSpec&) const = default;
};

using TQuantMatrix = std::array<uint16_t, 64>;

// One accepted generic option: the library's option name (after the
// "a"/"v"/"s" prefix rule) and the value text as accepted.
struct TGenericOptionValue {
    std::string Name;
    std::string Value;
    bool operator==(const TGenericOptionValue&) const = default;
};

// RAII owners of the library objects held by the templates.
struct CodecContextDeleter { void operator()(AVCodecContext* p) const; };
struct FormatContextDeleter { void operator()(AVFormatContext* p) const; };
struct SwsContextDeleter { void operator()(SwsContext* p) const; };
struct SwrContextDeleter { void operator()(SwrContext* p) const; };
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;

// Generic option templates. The library contexts hold every option of the
// context classes themselves (so a later read, e.g. "b" for the bit-rate
// check, sees the value); Accepted keeps, per template, the accepted
// name=value pairs in order, including encoder/muxer private options that a
// bare template cannot hold. Later steps hand these to the real contexts.
struct TGenericTemplates {
    std::array<CodecContextPtr, 5> Codec;  // gtVideo .. gtAttachment
    FormatContextPtr Format;
    SwsContextPtr Scaler;
    SwrContextPtr Resampler;
    std::array<std::vector<TGenericOptionValue>, gtCount> Accepted;

    // Creates every template (scaler: 16x16 with scaleFlags). Throws
    // FFmpegException when the library cannot allocate one.
    void Create(int scaleFlags);
    void Release();
    bool Created() const { return Format != nullptr; }
    // The library object of a template (nullptr when not created).
    void* Object(TGenericTemplate which) const;
};

struct TOptionState {
    TOptionState();
    ~TOptionState();
    TOptionState(const TOptionState&) = delete;
    TOptionState& operator=(const TOptionState&) = delete;

    // Sets every item to its default, releases what the state owns and
    // creates fresh generic option templates.
    void Reset();

    std::string PendingFormat;
    bool PgmYuvFormat = false;  // "f=pgmyuv": the input forces the PGMYUV codec
    int FrameWidth = 0;
    int FrameHeight = 0;
    float FrameAspectRatio = 0;
    int FramePixFmt = -1;
    int AudioSampleFmt = -1;
    int CropTopBand = 0;
    int CropBottomBand = 0;
    int CropLeftBand = 0;
    int CropRightBand = 0;
    std::array<int, 4> MaxFrames{INT_MAX, INT_MAX, INT_MAX, INT_MAX};  // by TMediaIndex
    AVRational FrameRate{0, 0};
    float VideoQScale = 0;
    std::optional<TQuantMatrix> IntraMatrix;
    std::optional<TQuantMatrix> InterMatrix;
    std::optional<std::string> VideoRcOverride;
    bool VideoDisable = false;
    int VideoDiscard = 0;
    std::optional<std::string> VideoCodecName;
    uint32_t VideoCodecTag = 0;
    std::string VideoLanguage;
    bool SameQuality = false;
    bool Deinterlace = false;
    int TopFieldFirst = -1;
    int MeThreshold = 0;
    int IntraDcPrecision = 8;
    bool LoopInput = false;
    int LoopOutput = -1;
    bool QpHistogram = false;
    std::string VideoFilters;
    bool IntraOnly = false;
    int AudioSampleRate = 44100;
    int64_t AudioChannelLayout = 0;
    float AudioQScale = -99999;
    bool AudioDisable = false;
    int AudioChannels = 2;
    std::optional<std::string> AudioCodecName;
    uint32_t AudioCodecTag = 0;
    std::string AudioLanguage;
    bool SubtitleDisable = false;
    std::optional<std::string> SubtitleCodecName;
    std::string SubtitleLanguage;
    uint32_t SubtitleCodecTag = 0;
    float MuxPreload = 0.5f;
    float MuxMaxDelay = 0.7f;
    int64_t RecordingTime = NoRecordingTime;
    int64_t StartTime = 0;
    int64_t RecordTimestamp = 0;
    int64_t InputTsOffset = 0;
    double InputTsScale[MaxFiles][MaxStreamsPerFile] = {};
    std::vector<std::pair<std::string, std::string>> Metadata;
    bool HexDump = false;
    bool DumpPackets = false;
    bool PSNR = false;
    int PassNumber = 0;
    std::string PassLogFile;
    bool AudioStreamCopy = false;
    bool VideoStreamCopy = false;
    bool SubtitleStreamCopy = false;
    int VideoSyncMethod = -1;
    int AudioSyncMethod = 0;
    float AudioDriftThreshold = 0.1f;
    bool CopyTimestamps = false;
    bool Shortest = false;
    int VideoGlobalHeader = 0;
    std::optional<std::string> VStatsFile;
    int ProgramID = 0;
    int CopyInitialNonKeyframes = 0;
    bool RateEmulation = false;
    int VideoChannel = 0;
    std::optional<std::string> VideoStandard;
    int AudioVolume = 256;
    bool ExitOnError = false;
    bool VideoHooksUsed = false;
    int Verbose = 1;
    int ThreadCount = 1;
    bool InputSync = false;
    int64_t FileSizeLimit = 0;
    bool ForceFps = false;
    float DtsDeltaThreshold = 10.0f;
    int ScaleFlags = 4;  // SWS_BICUBIC
    std::array<int, MaxStreamIds> StreamIdMap{};
    std::vector<TStreamMap> StreamMaps;        // at most MaxStreamMaps
    std::vector<TMetaDataMap> MetaDataMaps;    // at most MaxMetaDataMaps
    std::vector<TBitstreamFilterSpec> VideoBitstreamFilters;
    std::vector<TBitstreamFilterSpec> AudioBitstreamFilters;
    std::vector<TBitstreamFilterSpec> SubtitleBitstreamFilters;
    std::vector<std::string> GenericOptionNames;
    int64_t TotalDuration = -1;
    std::string LastError;

    TGenericTemplates Templates;

private:
    void ResetValues();
};

}  // namespace quorvia
