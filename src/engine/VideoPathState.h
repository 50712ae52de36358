#pragma once
// Work state of the video output path (internal to the Video*.cpp files).
//
//   TVideoPathState    one per run (TTranscoder::VideoPath): per decoded input
//                      stream the deinterlacer and hook work buffers, the hook
//                      and preview converters, the conversion back from BGR,
//                      the preview timer and the "vstats" file;
//   TVideoStreamState  one per re-encoded video output stream
//                      (TOutputStream::VideoState): the pooled scaled pictures,
//                      the frames handed to the encoder and taken from the
//                      filter graph, and the packet count for "vstats".
//
// Everything here lives on the task's thread.
#include <cstdint>
#include <map>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/frame.h>
}

#include "engine/BitmapConverter.h"
#include "engine/LibraryPtr.h"
#include "engine/OptionState.h"
#include "engine/PicturePool.h"
#include "engine/SliceScaler.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

// The deinterlacing step of one input stream: "buffer" -> "yadif" -> "buffersink".
struct TDeinterlacer {
    FilterGraphPtr Graph;
    AVFilterContext* Source = nullptr;
    AVFilterContext* Sink = nullptr;
    int Width = 0, Height = 0, Format = -1;  // what the graph was built for
    bool Broken = false;                     // cannot be built for this geometry
    bool Flushed = false;                    // end of stream given
};

struct TVideoInputState {
    TDeinterlacer Deinterlace;
    // The deinterlacer keeps the current frame until it has the next one:
    // nothing is handed on for this decoded frame.
    bool HeldBack = false;
    TPicturePool WorkPool;   // the hook work buffer
    FramePtr Work;           // deinterlacer input and output
    FramePtr Copy;           // writable copy for the hooks
    FramePtr Last;           // the frames the deinterlacer gives at the end
};

struct TVideoPathState {
    std::map<int, TVideoInputState> Inputs;  // by global input stream index
    BitmapConverter HookConverter;
    BitmapConverter PreviewConverter;
    SwsContextPtr FromRgb;                   // BGR24 -> working picture after the hook
    TPictureFrame HookView;                  // the hook's picture as a frame for FromRgb
    struct TFromRgbKey {
        int Width = 0, Height = 0, Format = -1;
        bool operator==(const TFromRgbKey&) const = default;
    };
    TFromRgbKey FromRgbKey;                  // what FromRgb was made for
    int FromRgbColorSpace = -1, FromRgbRange = -1;
    bool HooksEnded = false;                 // StopHook or a conversion failure
    int64_t LastPreview = 0;                 // wall clock, microseconds
    CFilePtr VStats;                         // "vstats" file, opened on first use

    TVideoInputState& Input(const TTranscoder& tr, const TInputStream& ist);
};

struct TVideoStreamState {
    TPicturePool TmpPool;          // PictTmp buffers
    FramePtr CropView;             // the cropped picture (plane pointers moved, no copy)
    FramePtr EncodeFrame;          // reference handed to the encoder
    FramePtr SourceFrame;          // reference pushed into the filter graph
    FramePtr SinkFrame;            // picture taken from the filter graph
    AVRational SinkTimeBase{1, 1000000};
    int FilterInputWidth = 0, FilterInputHeight = 0;  // size entering the user filters
    // Frames this stream handed to the encoder and packets it wrote; in join
    // mode FrameNumber carries over from the segment before, so
    // FrameNumber - FramesEncoded + PacketsWritten numbers the written frames
    // across segments.
    int64_t FramesEncoded = 0;
    int64_t PacketsWritten = 0;
    bool Drained = false;
};

// The run's path state, made on first use.
TVideoPathState& VideoPath(TTranscoder& tr);
// The output stream's state, made on first use.
TVideoStreamState& VideoStream(TOutputStream& ost);

// VideoSetup.cpp: (re)makes ost.ScaleContext for the current crop bands and
// resample geometry, reading "sws_flags" again. False when no scaler can be made.
bool MakeVideoScaler(TTranscoder& tr, TOutputStream& ost);

// VideoPreprocess.cpp: end of stream of ist: the frame the deinterlacer
// still holds goes through the hooks to every output stream ist feeds.
void FlushVideoPreprocess(TTranscoder& tr, TInputStream& ist);

// VideoFilterGraph.cpp: builds ost's graph for input pictures of the given
// geometry: crop (when ost.VideoCrop), scale to targetWidth x targetHeight
// when the cropped size differs, the user's filter text, the sink in the
// encoder's pixel format. Replaces any graph ost had. False on failure.
bool BuildVideoFilterGraph(TTranscoder& tr, TOutputStream& ost, int width, int height, int pixFmt,
                           AVRational sampleAspect, int targetWidth, int targetHeight);

// VideoHookRun.cpp: the custom hook or else the "vhook" nodes on the frame
// (pre-processing steps 2-4); the frame takes a work buffer when it changes.
void RunFrameHooks(TTranscoder& tr, TInputStream& ist, TVideoInputState& in, AVFrame* frame);

// VideoPreview.cpp: hands the encoded picture to the preview event or the
// previewer at most once per PreviewInterval.
void DeliverPreview(TTranscoder& tr, const AVFrame* picture, int64_t ptsMicroseconds);

// VideoStats.cpp: one "vstats" line for a written packet of `size` bytes
// whose pts (encoder time base) is `pts`.
void WriteVideoStats(TTranscoder& tr, TOutputStream& ost, int size, int64_t pts);

// VideoEncode.cpp: encodes `picture` `frames` times (stopping early on a
// stop request) with the input picture's flags, writing every packet.
// Returns the bytes written.
int EncodeVideoFrames(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, const AVFrame* picture,
                      const AVFrame* input, int frames);
// Receives and writes every packet the encoder has ready; `preview` (may be
// null) is delivered with the first one. Returns the bytes written.
int ReceiveVideoPackets(TTranscoder& tr, TOutputStream& ost, const AVFrame* preview);

}  // namespace quorvia::transcode
