// OutputPacket: decodes one demuxed packet (send/receive), keeps the input
// stream's timestamps, and hands every decoded frame to the output streams
// it feeds; stream copy goes straight to WriteFrame. A null packet drains the
// decoder and then the encoders fed by it.
#include <cstdlib>

extern "C" {
#include <libavutil/time.h>
}

#include "engine/AudioOutput.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/SubtitleOutput.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"
#include "engine/VideoOutput.h"

namespace quorvia::transcode {

namespace {

int64_t ToMicroseconds(int64_t ts, AVRational tb) { return av_rescale_q(ts, tb, AV_TIME_BASE_Q); }

// Time of one video frame of ist in microseconds, from the frame or packet
// duration, else the stream's frame rate; 0 when nothing is known.
int64_t VideoFrameDuration(const TInputStream& ist, int64_t duration, int repeatPict)
{
    if (duration > 0) return ToMicroseconds(duration, ist.Stream->time_base);
    AVRational rate = ist.Stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = ist.Stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) return 0;
    const int64_t ticks = 2 + repeatPict;  // in half frames
    return av_rescale(1000000LL * rate.den, ticks, 2LL * rate.num);
}

void RateEmulate(TTranscoder& tr, const TInputStream& ist)
{
    if (!tr.Opt.RateEmulation) return;
    const int64_t elapsed = tr.Now() - ist.WallStart;
    const int64_t ahead = ist.Pts - elapsed;
    if (ahead > 1000) av_usleep(static_cast<unsigned>(ahead / 1000 * 1000));
}

bool StartReached(const TTranscoder& tr, const TInputStream& ist)
{
    return tr.Opt.StartTime == 0 || ist.Pts >= tr.Opt.StartTime;
}

// Stream copy of one packet to ost (timestamps rescaled, shifted by StartTime).
void CopyPacketOut(TTranscoder& tr, TOutputStream& ost, const TInputStream& ist, const AVPacket* pkt)
{
    if (ost.FrameNumber == 0 && !(pkt->flags & AV_PKT_FLAG_KEY) && !tr.Opt.CopyInitialNonKeyframes) return;
    const AVMediaType type = ist.Stream->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_AUDIO) {
        tr.AudioSize += pkt->size;
    } else if (type == AVMEDIA_TYPE_VIDEO) {
        tr.VideoSize += pkt->size;
        ++ost.SyncOpts;
    }
    AVPacket* out = tr.CopyPacket.get();
    if (av_packet_ref(out, pkt) < 0) throw FFmpegException(msg::MallocFail);
    const AVRational inTb = ist.Stream->time_base;
    const AVRational outTb = ost.Stream->time_base;
    const int64_t start = av_rescale_q(tr.Opt.StartTime, AV_TIME_BASE_Q, outTb);
    out->pts = pkt->pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(pkt->pts, inTb, outTb) - start;
    out->dts = (pkt->dts == AV_NOPTS_VALUE ? av_rescale_q(ist.Pts, AV_TIME_BASE_Q, outTb)
                                           : av_rescale_q(pkt->dts, inTb, outTb)) - start;
    out->duration = av_rescale_q(pkt->duration, inTb, outTb);
    // The old parser-based rewrite of copied packets (av_parser_change) is
    // gone; packets are copied as they are.
    WriteFrame(tr, ost, out);
    av_packet_unref(out);
    ++ost.FrameNumber;
}

void CopyToOutputs(TTranscoder& tr, TInputStream& ist, const AVPacket* pkt)
{
    for (TOutputStream* ost : tr.Consumers[tr.GlobalIndex(ist)]) {
        if (ost->StreamCopy) CopyPacketOut(tr, *ost, ist, pkt);
    }
}

void Distribute(TTranscoder& tr, TInputStream& ist, AVFrame* frame)
{
    for (TOutputStream* ost : tr.Consumers[tr.GlobalIndex(ist)]) {
        if (!ost->EncodingNeeded) continue;
        switch (ost->Enc->codec_type) {
        case AVMEDIA_TYPE_AUDIO: DoAudioOut(tr, *ost, ist, frame); break;
        case AVMEDIA_TYPE_VIDEO: DoVideoOut(tr, *ost, ist, frame); break;
        default: throw FFmpegException(msg::InvalidCodecType);
        }
    }
}

void FrameTiming(TInputStream& ist, const AVFrame* frame)
{
    const int64_t ts = frame->best_effort_timestamp;
    ist.Pts = ts != AV_NOPTS_VALUE ? ToMicroseconds(ts, ist.Stream->time_base) : ist.NextPts;
    if (ist.Dec->codec_type == AVMEDIA_TYPE_AUDIO) {
        if (frame->sample_rate > 0) ist.NextPts = ist.Pts + av_rescale(frame->nb_samples, 1000000, frame->sample_rate);
    } else {
        ist.NextPts = ist.Pts + VideoFrameDuration(ist, frame->pkt_duration, frame->repeat_pict);
    }
}

// Receives every frame the decoder has; false on a decoding error. With a
// packet, a second frame means the packet held several (a frame-threaded
// decoder hands out delayed frames in bursts, so it is not asked).
bool ReceiveFrames(TTranscoder& tr, TInputStream& ist, const AVPacket* pkt, int& frames)
{
    AVFrame* frame = ist.Frame.get();
    const bool countFrames = pkt && !(ist.Dec->active_thread_type & FF_THREAD_FRAME);
    for (;;) {
        const int ret = avcodec_receive_frame(ist.Dec, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
        if (ret < 0) return false;
        if (++frames > 1 && countFrames &&
            ((!ist.ShowedMultiPacketWarning && tr.Opt.Verbose > 0) || tr.Opt.Verbose > 1)) {
            FFLogger().LogFmt(&tr.Task, llError, msg::MultipleFrames, ist.Index);
            ist.ShowedMultiPacketWarning = true;
        }
        FrameTiming(ist, frame);
        if (ist.Dec->codec_type == AVMEDIA_TYPE_VIDEO) {
            ist.Quality = frame->quality;
            PreprocessVideoFrame(tr, ist, frame);
        } else {
            ApplyAudioVolume(tr, ist, frame);
        }
        RateEmulate(tr, ist);
        if (StartReached(tr, ist)) Distribute(tr, ist, frame);
        av_frame_unref(frame);
    }
}

bool DecodeAudioVideo(TTranscoder& tr, TInputStream& ist, const AVPacket* pkt)
{
    int frames = 0;
    int ret = avcodec_send_packet(ist.Dec, pkt);
    if (ret == AVERROR(EAGAIN)) {
        // Output queue full: take the frames, then the packet fits.
        if (!ReceiveFrames(tr, ist, pkt, frames)) return false;
        ret = avcodec_send_packet(ist.Dec, pkt);
    }
    if (ret == AVERROR_EOF) ret = 0;  // already drained
    const bool received = ReceiveFrames(tr, ist, pkt, frames);
    return ret >= 0 && received;
}

bool DecodeSubtitle(TTranscoder& tr, TInputStream& ist, const AVPacket* pkt)
{
    AVPacket* in = const_cast<AVPacket*>(pkt);
    PacketPtr empty;
    if (!in) {
        empty.reset(av_packet_alloc());
        if (!empty) throw FFmpegException(msg::MallocFail);
        in = empty.get();
    }
    AVSubtitle sub{};
    int got = 0;
    if (avcodec_decode_subtitle2(ist.Dec, &sub, &got, in) < 0) return false;
    if (!got) return true;
    struct Free {
        AVSubtitle* s;
        ~Free() { avsubtitle_free(s); }
    } release{&sub};
    ist.Pts = ist.NextPts;
    RateEmulate(tr, ist);
    if (!StartReached(tr, ist)) return true;
    const int64_t pts = pkt ? pkt->pts : AV_NOPTS_VALUE;
    for (TOutputStream* ost : tr.Consumers[tr.GlobalIndex(ist)]) {
        if (ost->EncodingNeeded) DoSubtitlesOut(tr, *ost, ist, &sub, pts);
    }
    return true;
}

void AdvanceCopyPts(TInputStream& ist, const AVPacket* pkt)
{
    const AVCodecParameters* par = ist.Stream->codecpar;
    if (pkt->duration > 0) {
        ist.NextPts += ToMicroseconds(pkt->duration, ist.Stream->time_base);
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
        ist.NextPts += av_rescale(par->frame_size, 1000000, par->sample_rate);
    } else if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        ist.NextPts += VideoFrameDuration(ist, 0, 0);
    }
}

void DrainEncoders(TTranscoder& tr, TInputStream& ist)
{
    for (TOutputStream* ost : tr.Consumers[tr.GlobalIndex(ist)]) {
        if (!ost->EncodingNeeded) continue;
        if (ost->Enc->codec_type == AVMEDIA_TYPE_AUDIO) FlushAudioEncoder(tr, *ost);
        else if (ost->Enc->codec_type == AVMEDIA_TYPE_VIDEO) FlushVideoEncoder(tr, *ost);
    }
}

}  // namespace

int OutputPacket(TTranscoder& tr, TInputStream& ist, AVPacket* pkt, bool drainEncoders)
{
    if (ist.NextPts == AV_NOPTS_VALUE) ist.NextPts = ist.Pts;
    if (pkt && pkt->dts != AV_NOPTS_VALUE) ist.Pts = ist.NextPts = ToMicroseconds(pkt->dts, ist.Stream->time_base);

    if (!ist.DecodingNeeded) {
        if (!pkt) return 0;
        ist.Pts = ist.NextPts;
        AdvanceCopyPts(ist, pkt);
        RateEmulate(tr, ist);
        if (StartReached(tr, ist)) CopyToOutputs(tr, ist, pkt);
        return 0;
    }

    // Copies taken from a decoded stream see the packet's own time.
    if (pkt && StartReached(tr, ist)) CopyToOutputs(tr, ist, pkt);

    bool ok;
    switch (ist.Dec->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
    case AVMEDIA_TYPE_VIDEO:
        ok = DecodeAudioVideo(tr, ist, pkt);
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        ok = DecodeSubtitle(tr, ist, pkt);
        break;
    default:
        return -1;
    }
    // A decoding error at the end still lets the encoders give out what they hold.
    if (!pkt && drainEncoders) DrainEncoders(tr, ist);
    return ok ? 0 : -1;
}

}  // namespace quorvia::transcode
