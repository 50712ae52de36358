// Cutting converted samples into encoder frames, encoding (send/receive),
// writing the packets, and the end-of-stream flush.
extern "C" {
#include <libavutil/audio_fifo.h>
}

#include "engine/AudioMessages.h"
#include "engine/AudioOutput.h"
#include "engine/AudioPathState.h"
#include "engine/FFmpegException.h"

namespace quorvia::transcode {

namespace {

void ReceivePackets(TTranscoder& tr, TOutputStream& ost)
{
    AVPacket* pkt = ost.Packet.get();
    for (;;) {
        const int ret = avcodec_receive_packet(ost.Enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
        if (ret < 0) throw FFmpegException(audiomsg::EncodingFailed);
        tr.AudioSize += pkt->size;
        // Counted so that "aframes" can end the stream.
        ++ost.FrameNumber;
        WriteEncodedPacket(tr, ost, pkt);
        av_packet_unref(pkt);
    }
}

// frame == nullptr drains the encoder.
void SendFrame(TTranscoder& tr, TOutputStream& ost, const AVFrame* frame)
{
    int ret = avcodec_send_frame(ost.Enc, frame);
    if (ret == AVERROR(EAGAIN)) {
        ReceivePackets(tr, ost);
        ret = avcodec_send_frame(ost.Enc, frame);
    }
    if (ret < 0 && !(ret == AVERROR_EOF && !frame)) throw FFmpegException(audiomsg::EncodingFailed);
    ReceivePackets(tr, ost);
}

AVFrame* EncoderFrame(TOutputStream& ost, TAudioStreamState& st, int samples)
{
    const AVCodecContext* enc = ost.Enc;
    ReserveSamples(ost.EncodeFrame, st.EncodeCapacity, enc->sample_fmt, enc->ch_layout, enc->sample_rate, samples);
    return ost.EncodeFrame.get();
}

void ReadFifo(TOutputStream& ost, AVFrame* frame, int samples)
{
    if (av_audio_fifo_read(ost.Fifo.get(), reinterpret_cast<void**>(frame->extended_data), samples) < samples)
        throw FFmpegException(audiomsg::EncodingFailed);
}

void DrainResampler(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st)
{
    SwrContext* resampler = ost.AudioResample ? ost.Resampler.get() : nullptr;
    if (!resampler) return;
    for (;;) {
        ReserveWork(ost, st, resampler, st.InRate, 0);
        if (!QueueSamples(tr, ost, st, resampler, nullptr, AV_SAMPLE_FMT_NONE, 0, 0) || st.WorkFilled == 0) return;
        EncodeWork(tr, ost, st);
    }
}

// The FIFO's last samples: a short frame when the encoder takes one, else a
// full frame padded with silence.
void EncodeFifoRest(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st)
{
    EncodeFifoFrames(tr, ost, st);
    const int rest = av_audio_fifo_size(ost.Fifo.get());
    if (rest <= 0) return;
    const AVCodecContext* enc = ost.Enc;
    const int frameSize = enc->frame_size;
    const int channels = enc->ch_layout.nb_channels;
    if (av_samples_get_buffer_size(nullptr, channels, frameSize, enc->sample_fmt, 1) < 0)
        throw FFmpegException(audiomsg::FrameBytesInvalid);
    AVFrame* frame = EncoderFrame(ost, st, frameSize);
    ReadFifo(ost, frame, rest);
    if (enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) {
        EncodeSamples(tr, ost, st, frame, rest);
        return;
    }
    av_samples_set_silence(frame->extended_data, rest, frameSize - rest, channels, enc->sample_fmt);
    EncodeSamples(tr, ost, st, frame, frameSize);
}

}  // namespace

void EncodeSamples(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st, AVFrame* frame, int count)
{
    const AVCodecContext* enc = ost.Enc;
    const AVRational sampleTb{1, enc->sample_rate};
    int64_t pts = av_rescale_q(ost.SyncOpts, sampleTb, enc->time_base);
    // Timestamps that step back (input jitter with "async" 0) would make the
    // muxer refuse the packets: a frame never starts before the last one ended.
    if (pts < st.NextPts) pts = st.NextPts;
    frame->pts = pts;
    frame->nb_samples = count;
    st.NextPts = pts + av_rescale_q(count, sampleTb, enc->time_base);
    SendFrame(tr, ost, frame);
    ost.SyncOpts += count;
}

void EncodeFifoFrames(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st)
{
    const int frameSize = ost.Enc->frame_size;
    while (av_audio_fifo_size(ost.Fifo.get()) >= frameSize) {
        AVFrame* frame = EncoderFrame(ost, st, frameSize);
        ReadFifo(ost, frame, frameSize);
        EncodeSamples(tr, ost, st, frame, frameSize);
    }
}

void EncodeWork(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st)
{
    if (FrameBased(ost.Enc)) {
        WorkToFifo(ost, st);
        EncodeFifoFrames(tr, ost, st);
        return;
    }
    const int count = st.WorkFilled;
    st.WorkFilled = 0;
    if (count > 0) EncodeSamples(tr, ost, st, st.Work.Frame.get(), count);
}

void FlushAudioEncoder(TTranscoder& tr, TOutputStream& ost)
{
    if (!ost.EncodingNeeded || !ost.Enc) return;
    TAudioStreamState& st = AudioStream(ost);
    if (st.Drained) return;
    st.Drained = true;
    DrainResampler(tr, ost, st);
    if (FrameBased(ost.Enc) && ost.Fifo) EncodeFifoRest(tr, ost, st);
    SendFrame(tr, ost, nullptr);
}

}  // namespace quorvia::transcode
