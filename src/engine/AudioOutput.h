#pragma once
// The audio output path: volume, synchronisation (silence fill, sample drop,
// drift compensation), channel/rate/sample-format conversion with
// libswresample, cutting into encoder frames through an AVAudioFifo,
// encoding and writing.
//
// Called by the transcode on its thread (see TranscodeState.h for the
// pipeline). Work buffers grow only; nothing is allocated per call in steady
// state. Failures throw FFmpegException with the path's message texts.
extern "C" {
#include <libavutil/frame.h>
}

namespace quorvia {
namespace transcode {

class TTranscoder;
struct TOutputStream;
struct TInputStream;

// Set-up of a re-encoded audio output stream, before its encoder and the
// source's decoder are opened: sets ost.AudioResample (rates differ, or
// AudioSyncMethod > 1), ost.ReformatPair = -6, the FIFO (encoder format,
// "av_fifo_alloc fail"), and asks the unopened decoder to mix down to the
// encoder's channels where it can ("downmix"). Resampler and converter are
// made by the first DoAudioOut that needs them, from the decoded frames'
// own format (and made again when that format changes).
void SetupAudioStream(TTranscoder& tr, TOutputStream& ost, TInputStream& ist);

// The volume change, applied once per decoded frame of ist before it is
// distributed to the output streams: when AudioVolume is not 256 every
// sample s becomes (s x AudioVolume + 128) >> 8 (16-bit scale), clipped.
// Decoded frames arrive in the decoder's own sample format (often planar
// float); the path scales them in that format with the same result.
void ApplyAudioVolume(TTranscoder& tr, TInputStream& ist, AVFrame* decoded);

// The volume formula on a writable frame of any sample format, at the
// format's own scale: integers (s x volume + 128) >> 8 clipped to their
// range (unsigned 8-bit around 128), floating point s x volume / 256 clipped
// to -1..1, so that the 16-bit result is that of the formula.
void ScaleAudioVolume(AVFrame* frame, int volume);

// One decoded frame of ist for output stream ost (ist == the source of ost;
// its Pts is the frame's time in microseconds). Synchronises against
// ost.SyncIst, converts, appends to the FIFO, encodes every full frame and
// writes it with WriteEncodedPacket, counting AudioSize, ost.SyncOpts and
// ost.FrameNumber (packets, so "aframes" applies). Encoders without a fixed
// frame size take each call's samples as one frame. The frame is not
// modified (another output stream may take it too).
void DoAudioOut(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, const AVFrame* decoded);

// End of stream of ost: drains the resampler, encodes what is left in the
// FIFO (a short last frame when the encoder accepts one, else padded with
// silence to a full frame), then drains the encoder (send a null frame,
// receive and write every packet). Once per output stream; afterwards the
// encoder accepts no input (join mode replaces it).
void FlushAudioEncoder(TTranscoder& tr, TOutputStream& ost);

}  // namespace transcode
}  // namespace quorvia
