#include "engine/CustomFFmpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include "engine/FFmpegException.h"
#include "engine/GenericOptions.h"
#include "engine/Logger.h"
#include "engine/OptionMessages.h"
#include "engine/OptionValues.h"
#include "engine/VideoHooks.h"

namespace quorvia {

TCustomFFmpeg::TCustomFFmpeg() : HookRegistry(std::make_unique<transcode::TVideoHookRegistry>()) {}

TCustomFFmpeg::~TCustomFFmpeg() { Shutdown(); }

void TCustomFFmpeg::Reset()
{
    ResetRun();
    Cleanup();
    State.Reset();
}

bool TCustomFFmpeg::SetGenericOption(const std::string& name, const std::string& value)
{
    if (StoreGenericOption(State.Templates, name, value) != TGenericResult::Accepted) return false;
    State.GenericOptionNames.push_back(TrimText(name));
    const AVCodecContext* video = State.Templates.Codec[gtVideo].get();
    if ((video && video->debug) || (State.Templates.Format && State.Templates.Format->debug))
        FFLogger().SetLogLevel(llDebug);
    return true;
}

int TCustomFFmpeg::ApplyGenericOptions(void* target, TGenericTemplate from, int flags) const
{
    return quorvia::ApplyGenericOptions(State.Templates, target, from, flags);
}

AVDictionary* TCustomFFmpeg::GenericOptionDictionary(TGenericTemplate from, int flags) const
{
    return quorvia::GenericOptionDictionary(State.Templates, from, flags);
}

void TCustomFFmpeg::SetAudioVolume(int volume)
{
    if (volume >= 0) State.AudioVolume = volume;
}

void TCustomFFmpeg::SetAudioSyncMethod(int method) { State.AudioSyncMethod = method; }

void TCustomFFmpeg::SetVideoSyncMethod(int method) { State.VideoSyncMethod = method; }

void TCustomFFmpeg::SetMuxPreload(float seconds)
{
    if (seconds > 0) State.MuxPreload = seconds;
}

void TCustomFFmpeg::SetMuxMaxDelay(float seconds)
{
    if (seconds > 0) State.MuxMaxDelay = seconds;
}

void TCustomFFmpeg::SetAudioSampleRate(int rate)
{
    if (rate > 0) State.AudioSampleRate = rate;
}

void TCustomFFmpeg::SetAudioChannels(int channels)
{
    if (channels > 0) State.AudioChannels = channels;
}

void TCustomFFmpeg::SetStartTime(int64_t time)
{
    if (time != AV_NOPTS_VALUE) State.StartTime = time;
}

void TCustomFFmpeg::SetRecordingTime(int64_t time)
{
    if (time == AV_NOPTS_VALUE) return;
    State.RecordingTime = time;
    State.TotalDuration = time;
}

void TCustomFFmpeg::SetProgramID(int id)
{
    if (id >= 0) State.ProgramID = id;
}

void TCustomFFmpeg::SetVideoHookRegistry(std::unique_ptr<IVideoHookRegistry> registry)
{
    HookRegistry = registry ? std::move(registry) : std::make_unique<TRefusingVideoHookRegistry>();
}

// NewVideoStream, NewAudioStream, NewSubtitleStream: OutputCreation.cpp.

}  // namespace quorvia
