#pragma once
// The video output path: per decoded frame the pre-processing (deinterlacing
// through a filter step, the custom hook on a 24-bit BGR picture, the "vhook"
// libraries), then per output stream the frame-rate decision (dup/drop),
// crop and scale (or the filter graph), encoding, preview delivery, writing
// and the "vstats" lines.
//
// Called by the transcode on its thread (see TranscodeState.h). The hook and
// preview callbacks, the preview flags and the stop request come from the
// task's TRunControl (TaskEvents.h: THookInfo/PHookInfo, TPreviewInfo,
// THookCallback, TPreviewCallback, pfPreviewer/pfPreviewEvent). Failures
// throw FFmpegException with the path's message texts.
#include <string>

extern "C" {
#include <libavutil/frame.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/TaskEvents.h"

namespace quorvia {
namespace transcode {

class TTranscoder;
struct TOutputStream;
struct TInputStream;

// Previews (TRunControl::PreviewFlags): bit pfPreviewEvent goes to
// Control.OnPreview, else bit pfPreviewer to Control.ShowPreviewer, at most
// once per Control.PreviewInterval, with the picture handed to the encoder.

// Set-up of a re-encoded video output stream, before its encoder and the
// source's decoder are opened (the decoder parameters are those probed in
// ist.Stream->codecpar): "Video pixel format is unknown, stream cannot be
// encoded"; crop bands (VideoCrop, TopBand.., Original..); VideoResample,
// PictTmp and ScaleContext (ScaleFlags from "sws_flags"); ResampleWidth/
// Height/PixFmt, OriginalWidth/Height; with UseFilters the filter graph
// (SetupVideoFilters, "Error opening filters!" on failure). Clears the
// encoder's bits_per_raw_sample when scaling.
void SetupVideoStream(TTranscoder& tr, TOutputStream& ost, TInputStream& ist);

// The graph of one output stream: "buffer" source (decoder size, pixel format,
// time base, aspect) -> "crop" when VideoCrop -> "scale" when the size
// differs -> the user's VideoFilters text between the labels "in" and "out"
// -> "buffersink" restricted to the encoder's pixel format. Sets the
// encoder's width and height from the sink. False on any failure.
bool SetupVideoFilters(TTranscoder& tr, TOutputStream& ost, TInputStream& ist);

// Once per decoded frame of ist, before any output stream sees it:
// deinterlacing (Deinterlace) through a "yadif" step, HookFrameCount += 1,
// the custom hook (Control.OnHook: convert to BGR only then, call, copy back
// when Update, "Error occurs OnCustomHook: " on exceptions, StopHook ends
// hooks for the task) or else the loaded "vhook" libraries. On return
// `frame` holds the processed picture (a copy in the path's pooled work
// buffer when the decoder's own buffer was not writable).
//
// The deinterlacer hands each frame on one decoded frame later: the call for
// the first frame leaves nothing to distribute (DoVideoOut then returns 0 for
// it), each later call gives the previous frame and sets ist.Pts to its time,
// and FlushVideoEncoder hands on the last one.
void PreprocessVideoFrame(TTranscoder& tr, TInputStream& ist, AVFrame* frame);

// One pre-processed frame of ist (ist.Pts = its time, microseconds) for
// output stream ost: through ost's filter graph when it has one (each
// filtered picture in turn), frame-rate decision against ost.SyncIst (dup/
// drop, DupCount/DropCount/DupDropChanged, MaxFrames, stops between
// duplicates when a stop is requested), crop and scale without filters,
// encoding with send/receive, preview delivery at most once per
// PreviewInterval, WriteEncodedPacket, VideoSize, pass-1 stats_out into
// ost.LogFile, and one "vstats" line per written frame when VStatsFile is
// set. Returns the bytes written for this call (0 when none).
int DoVideoOut(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, AVFrame* frame);

// End of stream of ost: the frame the deinterlacer of its source still
// holds goes to every output stream of that source (once), then the filter
// graph (when any) is drained through the encoder, then the encoder (null
// frame, receive and write every packet, pass-1 statistics, "vstats").
// Afterwards the encoder accepts no input; a second call does nothing.
void FlushVideoEncoder(TTranscoder& tr, TOutputStream& ost);

// The "vhook" registry (VideoHooks.h, TVideoHookRegistry): loads shared
// objects with dlopen (once per process) and calls their Configure/Process/
// Release entry points (VideoHookApi.h). The task must hold this registry
// for "vhook" frames to be processed; its destructor (or Clear) releases
// the hooks.
std::unique_ptr<IVideoHookRegistry> MakeVideoHookRegistry();

}  // namespace transcode
}  // namespace quorvia
