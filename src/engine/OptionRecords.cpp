#include "engine/OptionRecords.h"

#include <cmath>
#include <ctime>

#include "engine/CustomFFmpeg.h"
#include "engine/OptionText.h"

namespace quorvia {

void InitInputOptions(TInputOptions& options) { options = TInputOptions{}; }
void InitOutputOptions(TOutputOptions& options) { options = TOutputOptions{}; }

const std::string* TStreamDefaults::Default(const std::string& name) const
{
    return const_cast<TStreamDefaults*>(this)->Default(name);
}

std::string* TStreamDefaults::Default(const std::string& name)
{
    if (name == "acodec") return &acodec;
    if (name == "vcodec") return &vcodec;
    if (name == "scodec") return &scodec;
    if (name == "apre") return &apre;
    if (name == "vpre") return &vpre;
    if (name == "spre") return &spre;
    if (name == "s") return &s;
    if (name == "vf") return &vf;
    return nullptr;
}

TStreamDefaults BuildStreamDefaults(const TOutputOptions& options)
{
    TStreamDefaults d;
    d.acodec = options.AudioCodec;
    d.vcodec = options.VideoCodec;
    d.scodec = options.SubtitleCodec;
    d.apre = options.AudioPreset;
    d.vpre = options.VideoPreset;
    d.spre = options.SubtitlePreset;
    d.s = options.FrameSize;
    d.vf = options.VideoFilters;
    for (const TOptionLine& line : SplitOptionText(options.ExtOptions)) {
        if (line.Value.empty()) continue;
        const std::string name = line.Name == "vfilters" ? std::string("vf") : line.Name;
        std::string* def = d.Default(name);
        if (!def) continue;
        if (def->empty()) *def = line.Value;
        d.Pending.push_back({name, line.Value});
    }
    return d;
}

int64_t DateTimeToUnixSeconds(double dateTime, double offsetDays)
{
    return std::llround((dateTime - 25569.0 - offsetDays) * 86400.0);
}

double LocalStandardOffsetDays()
{
    ::tzset();
    // `timezone` is seconds west of UTC of the standard (non-daylight) time.
    return -static_cast<double>(::timezone) / 86400.0;
}

void ApplyInputOptions(TCustomFFmpeg& task, const TInputOptions& options)
{
    task.ParseOptionText(options.ExtOptions, true);
    task.SetOption("f", options.FileFormat);
    task.SetStartTime(options.StartTime);
    task.SetProgramID(options.ProgramID);
}

namespace {

const char* NormName(int normType)
{
    switch (normType) {
    case 1: return "pal";
    case 2: return "ntsc";
    default: return "auto";
    }
}

void SetGenericIfPositive(TCustomFFmpeg& task, const char* name, int value)
{
    if (value > 0) task.SetGenericOption(name, std::to_string(value));
}

void SetIfNotEmpty(TCustomFFmpeg& task, const char* name, const std::string& value)
{
    if (!value.empty()) task.SetOption(name, value);
}

void SetIfPositive(TCustomFFmpeg& task, const char* name, int value)
{
    if (value > 0) task.SetOption(name, std::to_string(value));
}

void SetMetadata(TCustomFFmpeg& task, const char* key, const std::string& value)
{
    if (!value.empty()) task.SetOption("metadata", std::string(key) + "=" + value);
}

// Step 7: the remaining fields in the order of the record, each under its condition.
void ApplyRecordFields(TCustomFFmpeg& task, const TOutputOptions& o)
{
    TOptionState& st = task.Options();
    SetIfNotEmpty(task, "f", o.FileFormat);
    SetGenericIfPositive(task, "packetsize", o.PacketSize);
    SetGenericIfPositive(task, "muxrate", o.MuxRate);
    task.SetMuxMaxDelay(o.MuxDelay);
    task.SetMuxPreload(o.MuxPreload);
    if (o.DisableAudio) st.AudioDisable = true;
    task.SetAudioVolume(o.AudioVolume);
    task.SetAudioChannels(o.AudioChannels);
    task.SetAudioSampleRate(o.AudioSampleRate);
    SetGenericIfPositive(task, "ab", o.AudioBitrate);
    SetGenericIfPositive(task, "abt", o.AudioBitrateTolerance);
    st.AudioLanguage = o.AudioLanguage;
    task.SetAudioSyncMethod(o.AudioSync);
    SetIfNotEmpty(task, "atag", o.AudioTag);
    if (o.DisableVideo) st.VideoDisable = true;
    SetIfNotEmpty(task, "r", o.FrameRate);
    SetIfNotEmpty(task, "aspect", o.FrameAspectRatio);
    SetIfPositive(task, "croptop", o.CropTop);
    SetIfPositive(task, "cropbottom", o.CropBottom);
    SetIfPositive(task, "cropleft", o.CropLeft);
    SetIfPositive(task, "cropright", o.CropRight);
    SetGenericIfPositive(task, "g", o.GOPSize);
    SetGenericIfPositive(task, "vb", o.VideoBitrate);
    SetGenericIfPositive(task, "maxrate", o.VideoMaxRate);
    SetGenericIfPositive(task, "minrate", o.VideoMinRate);
    SetGenericIfPositive(task, "bt", o.VideoBitrateTolerance);
    SetGenericIfPositive(task, "bufsize", o.VideoBufferSize);
    task.SetVideoSyncMethod(o.VideoSync);
    SetIfNotEmpty(task, "vtag", o.VideoTag);
    st.VideoLanguage = o.VideoLanguage;
    if (o.DisableSubtitle) st.SubtitleDisable = true;
    st.SubtitleLanguage = o.SubtitleLanguage;
    st.InputSync = o.InputSync;
    if (o.CopyTimestamp) st.CopyTimestamps = true;
    task.SetStartTime(o.StartTime);
    task.SetRecordingTime(o.RecordingTime);
    if (o.Timestamp == 0)
        // The current moment itself: converting the local wall clock with the
        // standard offset would be an hour off while daylight saving is on.
        st.RecordTimestamp = static_cast<int64_t>(std::time(nullptr));
    else if (o.Timestamp > 0)
        st.RecordTimestamp = DateTimeToUnixSeconds(o.Timestamp, LocalStandardOffsetDays());
    if (o.MetaYear > 0) SetMetadata(task, "year", std::to_string(o.MetaYear));
    if (o.MetaTrack > 0) SetMetadata(task, "track", std::to_string(o.MetaTrack));
    SetMetadata(task, "title", o.MetaTitle);
    SetMetadata(task, "author", o.MetaAuthor);
    SetMetadata(task, "copyright", o.MetaCopyright);
    SetMetadata(task, "comment", o.MetaComment);
    SetMetadata(task, "album", o.MetaAlbum);
    SetMetadata(task, "genre", o.MetaGenre);
}

}  // namespace

TStreamDefaults ApplyOutputOptions(TCustomFFmpeg& task, const TOutputOptions& options)
{
    TStreamDefaults d = BuildStreamDefaults(options);

    if (options.TargetType >= 1 && options.TargetType <= 3) {
        static const char* const kTargets[] = {"vcd", "svcd", "dvd"};
        task.ApplyTarget(kTargets[options.TargetType - 1], NormName(options.NormType),
                         options.TargetFallbackNorm == 1 ? "pal" : "ntsc");
    }

    task.SetOption("acodec", d.acodec);
    task.SetOption("vcodec", d.vcodec);
    task.SetOption("scodec", d.scodec);

    task.ApplyPreset("apre", d.apre);
    task.ApplyPreset("vpre", d.vpre);
    task.ApplyPreset("spre", d.spre);

    task.ParseOptionText(options.ExtOptions, false);

    ApplyRecordFields(task, options);

    task.SetOption("s", d.s);
    task.SetOption("vf", d.vf);
    return d;
}

void ApplyExtraStreamOptions(TCustomFFmpeg& task, const TOutputOptions& options,
                             TStreamDefaults& defaults)
{
    static const std::vector<std::string> kAudio{"acodec", "apre"};
    static const std::vector<std::string> kVideo{"vcodec", "vpre", "s", "vf"};
    static const std::vector<std::string> kSubtitle{"scodec", "spre"};

    for (const TOptionLine& line : SplitOptionText(options.ExtOptions)) {
        const std::vector<std::string>* names = line.Name == "newaudio"      ? &kAudio
                                                : line.Name == "newvideo"    ? &kVideo
                                                : line.Name == "newsubtitle" ? &kSubtitle
                                                                             : nullptr;
        if (!names) continue;
        for (const std::string& name : *names) {
            auto& pending = defaults.Pending;
            auto it = pending.begin();
            while (it != pending.end() && it->Name != name) ++it;
            if (it != pending.end()) {
                const TStreamOptionLine taken = *it;
                pending.erase(it);
                task.SetOption(taken.Name, taken.Value);
            } else {
                task.SetOption(name, *defaults.Default(name));
            }
        }
        task.SetOption(line.Name, line.Value);
    }
}

bool ApplyOutputOptions(TCustomFFmpeg& task, const TOutputOptions& options,
                        const std::string& fileName,
                        const std::function<bool(const std::string& fileName)>& createOutput)
{
    TStreamDefaults defaults = ApplyOutputOptions(task, options);
    if (!createOutput(fileName)) return false;
    ApplyExtraStreamOptions(task, options, defaults);
    return true;
}

}  // namespace quorvia
