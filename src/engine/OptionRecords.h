#pragma once
// The two option records the windows fill for a task: TInputOptions for its
// input file and TOutputOptions for each output file. Every field starts at
// its record default; a field that fails the condition of its row is skipped
// when the record is applied, so callers set only what they need. The
// records are applied in a fixed order (ApplyInputOptions,
// ApplyOutputOptions) on top of the task's option state.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

namespace quorvia {

class TCustomFFmpeg;

struct TInputOptions {
    std::string FileName;               // stored only (UTF-8)
    std::string FileFormat;             // forced demuxer ("f")
    int64_t StartTime = AV_NOPTS_VALUE;  // microseconds
    int ProgramID = -1;                 // applied when >= 0
    std::string ExtOptions;             // option text, every name accepted
};

struct TOutputOptions {
    std::string FileName;  // stored only (UTF-8)
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;    // seconds
    float MuxPreload = -1.0f;  // seconds
    std::string AudioCodec;
    std::string AudioPreset;
    bool DisableAudio = false;
    int AudioVolume = -1;  // 256 = unchanged
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;  // bits/s
    int AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int AudioSync = 0;
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string FrameAspectRatio;
    int CropTop = -1;
    int CropBottom = -1;
    int CropLeft = -1;
    int CropRight = -1;
    int GOPSize = -1;
    int VideoBitrate = -1;  // bits/s
    int VideoMaxRate = -1;
    int VideoMinRate = -1;
    int VideoBitrateTolerance = -1;
    int VideoBufferSize = -1;
    int VideoSync = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false;
    bool CopyTimestamp = false;
    int64_t StartTime = AV_NOPTS_VALUE;      // microseconds
    int64_t RecordingTime = AV_NOPTS_VALUE;  // microseconds
    // Local date-time: days since 1899-12-30, fraction = time of day.
    // 0 stamps the current time, < 0 leaves the output unstamped.
    double Timestamp = -1.0;
    int MetaYear = -1;
    int MetaTrack = -1;
    std::string MetaTitle;
    std::string MetaAuthor;
    std::string MetaCopyright;
    std::string MetaComment;
    std::string MetaAlbum;
    std::string MetaGenre;
    int TargetType = 0;          // 0 none, 1 "vcd", 2 "svcd", 3 "dvd"
    int NormType = 0;            // 0 "auto", 1 "pal", 2 "ntsc", other "auto"
    int TargetFallbackNorm = 1;  // 1 "pal", other "ntsc"
    bool CustomHook = false;     // this output gets the frame hook
    bool Join = false;           // all inputs written one after another
    std::string ExtOptions;      // option text
};

// Record initialisers: every field back to its record default.
void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

// Per-stream option values of an output record: the defaults built from the
// record fields and the first matching ExtOptions lines, and the pending
// "acodec", "vcodec", "scodec", "apre", "vpre", "spre", "s", "vf" lines
// (in text order, "vfilters" renamed "vf") that extra streams take in turn.
struct TStreamOptionLine {
    std::string Name;
    std::string Value;
};

struct TStreamDefaults {
    std::string acodec, vcodec, scodec, apre, vpre, spre, s, vf;  // empty = unset
    std::vector<TStreamOptionLine> Pending;

    // The def_ entry of a stream option name; nullptr for other names.
    std::string* Default(const std::string& name);
    const std::string* Default(const std::string& name) const;
};

// Steps 1 and 2 of the output record: stream defaults and pending lines.
TStreamDefaults BuildStreamDefaults(const TOutputOptions& options);

// Applies an input record before its file is opened. Throws FFmpegException.
void ApplyInputOptions(TCustomFFmpeg& task, const TInputOptions& options);

// Applies an output record before its file is created (steps 1-8) and returns
// the stream defaults that the extra streams need afterwards. Throws
// FFmpegException; what was applied before a failure stays applied.
TStreamDefaults ApplyOutputOptions(TCustomFFmpeg& task, const TOutputOptions& options);

// Step 10, only after the output file and its streams were created: for
// every "newaudio", "newvideo", "newsubtitle" line of ExtOptions in text
// order, sets that stream kind's codec/preset (and for video size and
// filters) from the next pending line or the default, then adds the stream.
void ApplyExtraStreamOptions(TCustomFFmpeg& task, const TOutputOptions& options,
                             TStreamDefaults& defaults);

// The whole output record around the creation of the output file:
// steps 1-8, createOutput(fileName) (step 9; false or an exception means the
// file could not be created), then step 10 when it was created.
bool ApplyOutputOptions(TCustomFFmpeg& task, const TOutputOptions& options,
                        const std::string& fileName,
                        const std::function<bool(const std::string& fileName)>& createOutput);

// Date-time conversion of Timestamp: Unix seconds of a local date-time
// (days since 1899-12-30) under a standard offset east of UTC in days,
// rounded to the nearest second. Daylight saving is not applied.
int64_t DateTimeToUnixSeconds(double dateTime, double offsetDays);
// The local time zone's standard offset from UTC in days (C library
// time-zone data; daylight saving not applied).
double LocalStandardOffsetDays();

}  // namespace quorvia
