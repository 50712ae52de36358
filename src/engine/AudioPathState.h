#pragma once
// Work state of the audio output path (internal to the Audio*.cpp files).
//
//   TAudioPathState    one per run (TTranscoder::AudioPath): the silence put
//                      before late samples, in the decoded format;
//   TAudioStreamState  one per re-encoded audio output stream
//                      (TOutputStream::AudioState): the converted samples in
//                      the encoder's format, the format the resampler was made
//                      for, and the timestamp guard of the encoder input.
//
// The frames only grow (capacity kept beside them), so steady-state
// conversion allocates nothing. Everything here lives on the task's thread.
#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include "engine/LibraryPtr.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

// A frame used as a growing sample buffer.
struct TSampleBuffer {
    FramePtr Frame;
    int Capacity = 0;  // samples per channel the buffer holds
};

struct TAudioPathState {
    TSampleBuffer Silence;
};

struct TAudioStreamState {
    TSampleBuffer Work;       // converted samples (encoder format)
    int WorkFilled = 0;       // samples of Work filled by this call
    int EncodeCapacity = 0;   // capacity of ost.EncodeFrame
    // Decoded format the resampler was made for; another format makes a new one.
    AVSampleFormat InFormat = AV_SAMPLE_FMT_NONE;
    AVChannelLayout InLayout{};
    int InRate = 0;
    // End of the last frame given to the encoder (encoder time base): the
    // next frame never starts before it.
    int64_t NextPts = INT64_MIN;
    bool Drained = false;
    std::vector<uint8_t*> InPlanes;   // decoded planes moved past dropped samples
    std::vector<uint8_t*> OutPlanes;  // Work planes moved past what is filled

    ~TAudioStreamState() { av_channel_layout_uninit(&InLayout); }
};

TAudioPathState& AudioPath(TTranscoder& tr);
TAudioStreamState& AudioStream(TOutputStream& ost);

// Makes frame a writable buffer of at least `samples` samples in this
// format (nb_samples = its capacity), growing it only when needed.
// Throws "Out of memory in do_audio_out".
void ReserveSamples(FramePtr& frame, int& capacity, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                    int samples);
inline void ReserveSamples(TSampleBuffer& buf, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                           int samples)
{
    ReserveSamples(buf.Frame, buf.Capacity, format, layout, rate, samples);
}

// Plane pointers of data moved on by offset samples (kept in planes).
uint8_t** OffsetPlanes(std::vector<uint8_t*>& planes, uint8_t* const* data, AVSampleFormat format, int channels,
                       int offset);

// The layout to give the converters: the frame's, or the usual layout of its
// channel count when the order is unknown.
void ConverterLayout(const AVChannelLayout& in, AVChannelLayout& out);

// Encoders that take any number of samples per frame (PCM and the like)
// get each call's samples in one frame; the others get frame_size frames
// through the FIFO.
bool FrameBased(const AVCodecContext* enc);

// AudioConvert.cpp. Steps 2-4: makes or replaces the resampler or the
// sample-format converter for the decoded frame's format; returns the one to
// use, or null when the samples pass as they are.
SwrContext* PrepareConversion(TOutputStream& ost, TAudioStreamState& st, const AVFrame* decoded);
// Output samples waiting inside the resampler (0 without one).
int64_t ResamplerDelay(const TOutputStream& ost);
// Makes the empty st.Work hold what `samples` input samples at inRate can
// give through conv. Throws "Buffer sizes too large in do_audio_out".
void ReserveWork(TOutputStream& ost, TAudioStreamState& st, SwrContext* conv, int inRate, int64_t samples);
// Converts (or copies) samples into st.Work after what it holds, or, for
// frame-based encoders without conversion, straight into the FIFO.
// data == nullptr drains conv. False when the conversion failed and the
// samples are dropped (without ExitOnError).
bool QueueSamples(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st, SwrContext* conv,
                  uint8_t* const* data, AVSampleFormat format, int channels, int count);
// Appends what st.Work holds to the FIFO and empties st.Work.
// Throws "av_fifo_realloc2() failed".
void WorkToFifo(TOutputStream& ost, TAudioStreamState& st);

// AudioEncode.cpp. Hands what st.Work holds on: frame-based encoders through
// the FIFO (every full frame is encoded), the others as one frame.
void EncodeWork(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st);
// Encodes every full frame in the FIFO.
void EncodeFifoFrames(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st);
// Encodes frame (count samples) at ost.SyncOpts and writes its packets.
void EncodeSamples(TTranscoder& tr, TOutputStream& ost, TAudioStreamState& st, AVFrame* frame, int count);

// AudioSync.cpp. Step 5 with its effects on ist, the resampler and the log.
// Returns false when every sample was dropped.
struct TSyncResult {
    int64_t Fill = 0;
    int64_t Drop = 0;
};
bool SynchroniseAudio(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, TAudioStreamState& st,
                      const AVFrame* decoded, TSyncResult& result);

}  // namespace quorvia::transcode
