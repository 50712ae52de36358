// Channel count, sample rate and sample format conversion of decoded audio
// into the encoder's format, with libswresample.
#include <climits>

extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "engine/AudioMessages.h"
#include "engine/AudioPathState.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"

namespace quorvia::transcode {

namespace {

// RAII for a layout taken by value.
struct TLayout {
    AVChannelLayout Value{};
    explicit TLayout(const AVChannelLayout& from) { ConverterLayout(from, Value); }
    ~TLayout() { av_channel_layout_uninit(&Value); }
    TLayout(const TLayout&) = delete;
    TLayout& operator=(const TLayout&) = delete;
};

// resample: the filter of the rate converter (length 16, 2^10 phases, no
// linear interpolation, cutoff 0.8). stretch: made as a resampler from the
// start, so drift compensation never re-initialises it mid-stream.
SwrContextPtr MakeConverter(const AVChannelLayout& outLayout, AVSampleFormat outFormat, int outRate,
                            const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate, bool stretch)
{
    SwrContext* raw = nullptr;
    // The 5.1 series takes the layouts as non-const; they are only read.
    if (swr_alloc_set_opts2(&raw, const_cast<AVChannelLayout*>(&outLayout), outFormat, outRate,
                            const_cast<AVChannelLayout*>(&inLayout), inFormat, inRate, 0, nullptr) < 0)
        return {};
    SwrContextPtr swr(raw);
    if (inRate != outRate || stretch) {
        av_opt_set_int(raw, "filter_size", 16, 0);
        av_opt_set_int(raw, "phase_shift", 10, 0);
        av_opt_set_int(raw, "linear_interp", 0, 0);
        av_opt_set_double(raw, "cutoff", 0.8, 0);
    }
    if (stretch) av_opt_set_int(raw, "flags", SWR_FLAG_RESAMPLE, 0);
    if (swr_init(raw) < 0) return {};
    return swr;
}

bool SameInput(const TAudioStreamState& st, const AVFrame* decoded)
{
    return st.InFormat == decoded->format && st.InRate == decoded->sample_rate &&
           av_channel_layout_compare(&st.InLayout, &decoded->ch_layout) == 0;
}

}  // namespace

SwrContext* PrepareConversion(TOutputStream& ost, TAudioStreamState& st, const AVFrame* decoded)
{
    const AVCodecContext* enc = ost.Enc;
    const AVSampleFormat inFormat = static_cast<AVSampleFormat>(decoded->format);
    const int inChannels = decoded->ch_layout.nb_channels;
    const int inRate = decoded->sample_rate;
    // The decoded rate may differ from what probing said (implicit SBR, a
    // mid-stream change): like differing channel counts, it needs the resampler.
    if (inChannels != enc->ch_layout.nb_channels || inRate != enc->sample_rate) ost.AudioResample = true;

    if (ost.AudioResample) {
        // A resampler made for another input format would read the frame wrongly.
        if (ost.Resampler && !SameInput(st, decoded)) ost.Resampler.reset();
        if (!ost.Resampler) {
            const TLayout out(enc->ch_layout);
            const TLayout in(decoded->ch_layout);
            ost.Resampler = MakeConverter(out.Value, enc->sample_fmt, enc->sample_rate, in.Value, inFormat, inRate, true);
            if (!ost.Resampler)
                throw FFmpegException(StrFormat(audiomsg::CannotResample, inChannels, inRate,
                                                enc->ch_layout.nb_channels, enc->sample_rate));
            st.InFormat = inFormat;
            st.InRate = inRate;
            av_channel_layout_uninit(&st.InLayout);
            if (av_channel_layout_copy(&st.InLayout, &decoded->ch_layout) < 0)
                throw FFmpegException(audiomsg::OutOfMemory);
        }
        return ost.Resampler.get();
    }

    if (inFormat == enc->sample_fmt) return nullptr;
    // The pair key of the converter; AV_SAMPLE_FMT_NB keeps every pair distinct.
    const int key = enc->sample_fmt + AV_SAMPLE_FMT_NB * inFormat;
    if (key != ost.ReformatPair || !ost.ReformatContext) {
        ost.ReformatContext.reset();
        // Format only: both sides get the encoder's layout, so nothing is remixed.
        const TLayout layout(enc->ch_layout);
        ost.ReformatContext = MakeConverter(layout.Value, enc->sample_fmt, enc->sample_rate, layout.Value, inFormat,
                                            enc->sample_rate, false);
        if (!ost.ReformatContext) {
            const char* from = av_get_sample_fmt_name(inFormat);
            const char* to = av_get_sample_fmt_name(enc->sample_fmt);
            throw FFmpegException(StrFormat(audiomsg::CannotConvert, from ? from : "?", to ? to : "?"));
        }
        ost.ReformatPair = key;
    }
    return ost.ReformatContext.get();
}

int64_t ResamplerDelay(const TOutputStream& ost)
{
    if (!ost.AudioResample || !ost.Resampler) return 0;
    return swr_get_delay(ost.Resampler.get(), ost.Enc->sample_rate);
}

void ReserveWork(TOutputStream& ost, TAudioStreamState& st, SwrContext* conv, int inRate, int64_t samples)
{
    const AVCodecContext* enc = ost.Enc;
    if (!conv && FrameBased(enc)) return;  // the samples go straight into the FIFO
    int64_t bound = samples;
    if (conv && conv == ost.Resampler.get() && inRate > 0) {
        // Room for the resampler's held samples, the rate change and a
        // stretch, with the same headroom as the buffer sizes always had.
        const int64_t in = swr_get_delay(conv, inRate) + samples;
        const int64_t m = (in * enc->sample_rate + inRate) / inRate;
        bound = 2 * m + 10000;
    }
    const int64_t bytes = bound * av_get_bytes_per_sample(enc->sample_fmt) * enc->ch_layout.nb_channels;
    if (bound > INT_MAX || bytes > INT_MAX) throw FFmpegException(audiomsg::BufferSizesTooLarge);
    ReserveSamples(st.Work, enc->sample_fmt, enc->ch_layout, enc->sample_rate, static_cast<int>(bound));
}

bool QueueSamples(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st, SwrContext* conv,
                  uint8_t* const* data, AVSampleFormat format, int channels, int count)
{
    const AVCodecContext* enc = ost.Enc;
    if (!conv && FrameBased(enc)) {
        if (av_audio_fifo_write(ost.Fifo.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(data)), count) < count)
            throw FFmpegException(audiomsg::FifoReallocFailed);
        return true;
    }
    AVFrame* work = st.Work.Frame.get();
    int n;
    if (conv) {
        uint8_t** out = OffsetPlanes(st.OutPlanes, work->extended_data, enc->sample_fmt, enc->ch_layout.nb_channels,
                                     st.WorkFilled);
        n = swr_convert(conv, out, st.Work.Capacity - st.WorkFilled, const_cast<const uint8_t**>(data), count);
        if (n < 0) {
            if (tr.Opt.ExitOnError) throw FFmpegException(audiomsg::ConvertFailed);
            FFLogger().Log(&tr.Task, llError, audiomsg::ConvertFailed);
            return false;
        }
    } else {
        av_samples_copy(work->extended_data, data, st.WorkFilled, 0, count, channels, format);
        n = count;
    }
    st.WorkFilled += n;
    return true;
}

void WorkToFifo(TOutputStream& ost, TAudioStreamState& st)
{
    if (st.WorkFilled <= 0) return;
    const int n = st.WorkFilled;
    st.WorkFilled = 0;
    if (av_audio_fifo_write(ost.Fifo.get(), reinterpret_cast<void**>(st.Work.Frame->extended_data), n) < n)
        throw FFmpegException(audiomsg::FifoReallocFailed);
}

}  // namespace quorvia::transcode
