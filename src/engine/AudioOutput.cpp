// DoAudioOut: one decoded frame through synchronisation, conversion and the
// FIFO into the encoder; the set-up of a re-encoded audio stream; the work
// state of the path.
#include <algorithm>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/AudioMessages.h"
#include "engine/AudioOutput.h"
#include "engine/AudioPathState.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/TranscodeMessages.h"

namespace quorvia::transcode {

void TAudioPathStateDeleter::operator()(TAudioPathState* p) const { delete p; }
void TAudioStreamStateDeleter::operator()(TAudioStreamState* p) const { delete p; }

namespace {

// Silence is put in front of late samples in pieces of this many samples, so
// a long gap needs no buffer of its own length.
constexpr int kSilenceChunk = 1 << 16;

void EnsureFifo(TOutputStream& ost)
{
    if (ost.Fifo) return;
    ost.Fifo.reset(av_audio_fifo_alloc(ost.Enc->sample_fmt, ost.Enc->ch_layout.nb_channels, 1024));
    if (!ost.Fifo) throw FFmpegException(msg::FifoAllocFail);
}

uint8_t* const* Silence(TTranscoder& tr, const AVFrame* like, int samples)
{
    TSampleBuffer& buf = AudioPath(tr).Silence;
    const AVSampleFormat format = static_cast<AVSampleFormat>(like->format);
    ReserveSamples(buf, format, like->ch_layout, like->sample_rate, samples);
    // Zero bytes are not silence in every format (unsigned 8-bit).
    av_samples_set_silence(buf.Frame->extended_data, 0, samples, like->ch_layout.nb_channels, format);
    return buf.Frame->extended_data;
}

}  // namespace

TAudioPathState& AudioPath(TTranscoder& tr)
{
    if (!tr.AudioPath) tr.AudioPath.reset(new TAudioPathState);
    return *tr.AudioPath;
}

TAudioStreamState& AudioStream(TOutputStream& ost)
{
    if (!ost.AudioState) ost.AudioState.reset(new TAudioStreamState);
    return *ost.AudioState;
}

void ReserveSamples(FramePtr& frame, int& capacity, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                    int samples)
{
    if (!frame) frame.reset(av_frame_alloc());
    AVFrame* f = frame.get();
    if (!f) throw FFmpegException(audiomsg::OutOfMemory);
    const bool same = f->buf[0] && f->format == format && f->sample_rate == rate &&
                      av_channel_layout_compare(&f->ch_layout, &layout) == 0;
    if (same && samples <= capacity) {
        f->nb_samples = capacity;
        // Only copies when the encoder still holds the buffer.
        if (av_frame_make_writable(f) < 0) throw FFmpegException(audiomsg::OutOfMemory);
        return;
    }
    av_frame_unref(f);
    capacity = 0;
    f->format = format;
    f->sample_rate = rate;
    f->nb_samples = std::max(samples, 1);
    if (av_channel_layout_copy(&f->ch_layout, &layout) < 0 || av_frame_get_buffer(f, 0) < 0)
        throw FFmpegException(audiomsg::OutOfMemory);
    capacity = f->nb_samples;
}

uint8_t** OffsetPlanes(std::vector<uint8_t*>& planes, uint8_t* const* data, AVSampleFormat format, int channels,
                       int offset)
{
    const bool planar = av_sample_fmt_is_planar(format);
    const size_t count = planar ? static_cast<size_t>(channels) : 1;
    const int step = av_get_bytes_per_sample(format) * (planar ? 1 : channels);
    planes.resize(count);
    for (size_t i = 0; i < count; ++i) planes[i] = data[i] + static_cast<ptrdiff_t>(offset) * step;
    return planes.data();
}

void ConverterLayout(const AVChannelLayout& in, AVChannelLayout& out)
{
    av_channel_layout_uninit(&out);
    if (in.order == AV_CHANNEL_ORDER_UNSPEC || !av_channel_layout_check(&in) ||
        av_channel_layout_copy(&out, &in) < 0)
        av_channel_layout_default(&out, in.nb_channels);
}

bool FrameBased(const AVCodecContext* enc)
{
    return enc->frame_size > 1 && !(enc->codec && (enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE));
}

void SetupAudioStream(TTranscoder& tr, TOutputStream& ost, TInputStream& ist)
{
    AVCodecContext* enc = ost.Enc;
    const AVCodecParameters* par = ist.Stream->codecpar;
    ost.ReformatPair = -6;
    ost.AudioResample = enc->sample_rate != par->sample_rate || tr.Opt.AudioSyncMethod > 1;
    // Ask the decoder for the encoder's channels; decoders that can mix down
    // themselves ("downmix") use the stream's own mixing levels, the others
    // are mixed by the resampler.
    if (!ist.Dec && enc->ch_layout.nb_channels > 0 && enc->ch_layout.nb_channels < par->ch_layout.nb_channels) {
        AVCodecContext* dec = tr.Files.Input(ist.FileIndex).Streams.at(ist.Index).DecoderContext.get();
        if (dec) av_opt_set_chlayout(dec, "downmix", &enc->ch_layout, AV_OPT_SEARCH_CHILDREN);
    }
    // An encoder without a sample format fails when it is opened, with its own message.
    if (enc->sample_fmt != AV_SAMPLE_FMT_NONE && enc->ch_layout.nb_channels > 0) EnsureFifo(ost);
    AudioStream(ost);
}

void DoAudioOut(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, const AVFrame* decoded)
{
    if (!decoded || decoded->nb_samples <= 0) return;
    TAudioStreamState& st = AudioStream(ost);
    if (st.Drained) return;  // the encoder took its end of stream already
    EnsureFifo(ost);
    SwrContext* conv = PrepareConversion(ost, st, decoded);

    TSyncResult sync;
    if (!SynchroniseAudio(tr, ost, ist, st, decoded, sync)) return;

    const AVSampleFormat format = static_cast<AVSampleFormat>(decoded->format);
    const int channels = decoded->ch_layout.nb_channels;
    for (int64_t left = sync.Fill; left > 0;) {
        const int n = static_cast<int>(std::min<int64_t>(left, kSilenceChunk));
        uint8_t* const* silence = Silence(tr, decoded, n);
        ReserveWork(ost, st, conv, decoded->sample_rate, n);
        if (!QueueSamples(tr, ost, st, conv, silence, format, channels, n)) return;
        EncodeWork(tr, ost, st);
        left -= n;
    }

    const int count = decoded->nb_samples - static_cast<int>(sync.Drop);
    uint8_t** data = OffsetPlanes(st.InPlanes, decoded->extended_data, format, channels, static_cast<int>(sync.Drop));
    ReserveWork(ost, st, conv, decoded->sample_rate, count);
    if (!QueueSamples(tr, ost, st, conv, data, format, channels, count)) return;
    EncodeWork(tr, ost, st);
}

}  // namespace quorvia::transcode
