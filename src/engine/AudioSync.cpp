// Keeping the audio output in step with the input timestamps: silence before
// late samples, dropping early ones, or stretching through the resampler.
#include <algorithm>
#include <cmath>

extern "C" {
#include <libswresample/swresample.h>
}

#include "engine/AudioMessages.h"
#include "engine/AudioPathState.h"
#include "engine/AudioSync.h"
#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"

namespace quorvia::transcode {

TAudioSyncAction DecideAudioSync(const TAudioSyncInput& in)
{
    TAudioSyncAction a;
    a.SyncOpts = in.SyncOpts;
    const double rate = in.OutRate;
    if (in.Method == 0) {
        a.SyncOpts = std::llround(in.SyncTime * rate) - in.Pending;
        return a;
    }
    a.Delta = in.SyncTime * rate - static_cast<double>(in.SyncOpts) - static_cast<double>(in.Pending);
    if (std::fabs(a.Delta) <= 50) return a;
    const int64_t inDelta = static_cast<int64_t>(std::trunc(a.Delta * in.InRate / rate));
    if (in.IsStart || std::fabs(a.Delta) > static_cast<double>(in.DriftThreshold) * rate) {
        a.Step = inDelta < 0 ? TAudioSyncStep::Drop : TAudioSyncStep::Fill;
        a.Samples = inDelta < 0 ? -inDelta : inDelta;
    } else if (in.Method > 1) {
        a.Step = TAudioSyncStep::Compensate;
        const double limit = in.Method;
        a.Compensation = static_cast<int>(std::clamp(std::trunc(a.Delta), -limit, limit));
    }
    return a;
}

bool SynchroniseAudio(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, TAudioStreamState&,
                      const AVFrame* decoded, TSyncResult& result)
{
    const TInputStream& syncIst = ost.SyncIst ? *ost.SyncIst : ist;
    const AVCodecContext* enc = ost.Enc;
    TAudioSyncInput in;
    in.Method = tr.Opt.AudioSyncMethod;
    in.DriftThreshold = tr.Opt.AudioDriftThreshold;
    in.SyncTime = static_cast<double>(syncIst.Pts - tr.Opt.StartTime) / 1000000.0;
    in.OutRate = enc->sample_rate;
    in.InRate = decoded->sample_rate;
    in.SyncOpts = ost.SyncOpts;
    // What is converted but not encoded yet: the FIFO and the resampler's delay.
    in.Pending = (FrameBased(enc) && ost.Fifo ? av_audio_fifo_size(ost.Fifo.get()) : 0) + ResamplerDelay(ost);
    in.IsStart = ist.IsStart;

    const TAudioSyncAction a = DecideAudioSync(in);
    ost.SyncOpts = a.SyncOpts;
    const bool verbose = tr.Opt.Verbose > 2;
    switch (a.Step) {
    case TAudioSyncStep::Drop:
        result.Drop = std::min<int64_t>(a.Samples, decoded->nb_samples);
        if (verbose) FFLogger().LogFmt(&tr.Task, llVerbose, audiomsg::Discarding, static_cast<int>(-a.Delta));
        if (result.Drop == decoded->nb_samples) return false;
        ist.IsStart = false;
        break;
    case TAudioSyncStep::Fill:
        result.Fill = a.Samples;
        ist.IsStart = false;
        if (verbose) FFLogger().LogFmt(&tr.Task, llVerbose, audiomsg::AddingSilence, static_cast<int>(a.Delta));
        break;
    case TAudioSyncStep::Compensate:
        if (verbose)
            FFLogger().LogFmt(&tr.Task, llVerbose, audiomsg::Compensating, a.Delta, a.Compensation, in.OutRate);
        // Set-up made the stream resample whenever Method > 1.
        if (SwrContext* resampler = ost.Resampler.get()) swr_set_compensation(resampler, a.Compensation, in.OutRate);
        break;
    case TAudioSyncStep::None:
        break;
    }
    return true;
}

}  // namespace quorvia::transcode
