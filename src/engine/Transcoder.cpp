// TTranscoder: construction, the three phases in order, and the release of
// what a run opened.
#include <mutex>

extern "C" {
#include <libavutil/time.h>
}

#include "engine/AudioOutput.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/TranscodeState.h"
#include "engine/VideoOutput.h"

namespace quorvia::transcode {

const char* MediaTypeName(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return "Video";
    case AVMEDIA_TYPE_AUDIO: return "Audio";
    case AVMEDIA_TYPE_DATA: return "Data";
    case AVMEDIA_TYPE_SUBTITLE: return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT: return "Attachment";
    default: return "Unknown";
    }
}

void RaiseLogged(const std::string& msg)
{
    FFLogger().Log(nullptr, llError, msg);
    throw FFmpegException(msg);
}

double TMuxStream::OutputSeconds() const
{
    if (EndPts == AV_NOPTS_VALUE || !Stream) return 0;
    return static_cast<double>(EndPts) * av_q2d(Stream->time_base);
}

TTranscoder::TTranscoder(TCustomFFmpeg& task, TTaskFiles& files)
    : Task(task), Opt(task.Options()), Control(task.Control()), Files(files),
      ReadPacket(av_packet_alloc()), CopyPacket(av_packet_alloc())
{
    if (!ReadPacket || !CopyPacket) throw FFmpegException("av_mallocz fail");
}

TTranscoder::~TTranscoder()
{
    // The paths' work state and the tables refer to the codec contexts:
    // release them first, then the contexts under the codec lock.
    OutputStreams.clear();
    InputStreams.clear();
    MuxStreams.clear();
    AudioPath.reset();
    VideoPath.reset();
    CloseCodecs();
}

void TTranscoder::CloseCodecs()
{
    if (Encoders.empty() && Decoders.empty()) return;
    std::lock_guard<std::mutex> lock(CodecLock());
    for (auto& enc : Encoders) {
        if (enc) av_freep(&enc->stats_in);
    }
    Encoders.clear();
    Decoders.clear();
}

void TTranscoder::Run()
{
    Setup();
    Loop();
    Close();
}

bool TTranscoder::StopRequested() const { return Control.StopRequested.load(std::memory_order_relaxed); }

int64_t TTranscoder::Now() const { return av_gettime(); }

}  // namespace quorvia::transcode
