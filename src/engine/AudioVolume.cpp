// The volume change of decoded audio, in the decoder's own sample format.
#include <algorithm>
#include <cstdint>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include "engine/AudioOutput.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

namespace {

// (s x volume + 128) >> 8 in a type wide enough for the product, clipped.
template <typename T, typename Wide>
void ScaleIntegers(T* p, size_t n, int volume, Wide lo, Wide hi, Wide bias)
{
    for (size_t i = 0; i < n; ++i) {
        const Wide s = static_cast<Wide>(p[i]) - bias;
        const Wide v = (s * volume + 128) >> 8;
        p[i] = static_cast<T>(std::clamp(v, lo, hi) + bias);
    }
}

template <typename T>
void ScaleFloats(T* p, size_t n, int volume)
{
    const T factor = static_cast<T>(volume) / 256;
    for (size_t i = 0; i < n; ++i) p[i] = std::clamp(p[i] * factor, T(-1), T(1));
}

void ScalePlane(uint8_t* data, AVSampleFormat packed, size_t n, int volume)
{
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        ScaleIntegers<uint8_t, int64_t>(data, n, volume, -128, 127, 128);
        break;
    case AV_SAMPLE_FMT_S16:
        ScaleIntegers<int16_t, int64_t>(reinterpret_cast<int16_t*>(data), n, volume, INT16_MIN, INT16_MAX, 0);
        break;
    case AV_SAMPLE_FMT_S32:
        ScaleIntegers<int32_t, int64_t>(reinterpret_cast<int32_t*>(data), n, volume, INT32_MIN, INT32_MAX, 0);
        break;
    case AV_SAMPLE_FMT_S64:
        ScaleIntegers<int64_t, __int128>(reinterpret_cast<int64_t*>(data), n, volume, INT64_MIN, INT64_MAX, 0);
        break;
    case AV_SAMPLE_FMT_FLT:
        ScaleFloats(reinterpret_cast<float*>(data), n, volume);
        break;
    case AV_SAMPLE_FMT_DBL:
        ScaleFloats(reinterpret_cast<double*>(data), n, volume);
        break;
    default:
        break;
    }
}

}  // namespace

void ScaleAudioVolume(AVFrame* frame, int volume)
{
    if (volume == 256 || frame->nb_samples <= 0) return;
    const AVSampleFormat format = static_cast<AVSampleFormat>(frame->format);
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format);
    const int planes = planar ? channels : 1;
    const size_t perPlane = static_cast<size_t>(frame->nb_samples) * (planar ? 1 : channels);
    for (int p = 0; p < planes; ++p) ScalePlane(frame->extended_data[p], packed, perPlane, volume);
}

void ApplyAudioVolume(TTranscoder& tr, TInputStream&, AVFrame* decoded)
{
    if (tr.Opt.AudioVolume == 256) return;
    // Decoded buffers are normally ours alone; a shared one is copied first.
    if (av_frame_make_writable(decoded) < 0) throw FFmpegException(msg::MallocFail);
    ScaleAudioVolume(decoded, tr.Opt.AudioVolume);
}

}  // namespace quorvia::transcode
