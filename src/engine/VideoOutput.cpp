// DoVideoOut and the end of a video output stream: frame-rate decision,
// crop and scale (or the filter graph), then encoding (VideoEncode.cpp).
#include <algorithm>
#include <cstdint>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/FileErrors.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"
#include "engine/VideoFrameRate.h"
#include "engine/VideoMessages.h"
#include "engine/VideoOutput.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

namespace {

double SecondsSinceStart(const TTranscoder& tr, int64_t microseconds)
{
    return static_cast<double>(microseconds - tr.Opt.StartTime) / 1000000.0;
}

// Frame-rate decision with its counters and messages; the frames to write.
int DecideFrames(TTranscoder& tr, TOutputStream& ost, double syncTime)
{
    const bool variableFps = ost.File && (ost.File->oformat->flags & AVFMT_VARIABLE_FPS);
    const int method = tr.Opt.VideoSyncMethod;
    const int frames = DecideVideoFrames(syncTime, av_q2d(ost.Enc->time_base), method, variableFps, ost.SyncOpts);
    if (method != 0) {
        if (frames == 0) {
            ++tr.DropCount;
            tr.DupDropChanged = true;
            if (tr.Opt.Verbose > 2) FFLogger().Log(&tr.Task, llVerbose, msg::DropFrame);
        } else if (frames > 1) {
            tr.DupCount += frames - 1;
            tr.DupDropChanged = true;
            if (tr.Opt.Verbose > 2) FFLogger().LogFmt(&tr.Task, llVerbose, msg::DupFrames, frames - 1);
        }
    }
    return std::min(frames, tr.Opt.MaxFrames[miVideo] - ost.FrameNumber);
}

// A view of src without the bands: plane pointers moved, no copy.
bool MakeCropView(AVFrame* view, const AVFrame* src, int top, int left, int width, int height)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(src->format));
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM))) return false;
    if (width <= 0 || height <= 0 || top < 0 || left < 0) return false;
    av_frame_unref(view);
    if (av_frame_ref(view, src) < 0) return false;
    int steps[4] = {};
    av_image_fill_max_pixsteps(steps, nullptr, desc);
    for (int i = 0; i < 4 && view->data[i]; ++i) {
        if (i == 1 && (desc->flags & AV_PIX_FMT_FLAG_PAL)) continue;  // the palette
        const bool chroma = i == 1 || i == 2;
        const int rows = chroma ? top >> desc->log2_chroma_h : top;
        const int columns = chroma ? left >> desc->log2_chroma_w : left;
        view->data[i] += static_cast<ptrdiff_t>(rows) * view->linesize[i] + static_cast<ptrdiff_t>(columns) * steps[i];
    }
    view->width = width;
    view->height = height;
    return true;
}

// Step 5: a frame whose size or format differs from what the scaler or the
// graph was made for rebuilds them with proportional crop bands.
void CheckFrameGeometry(TTranscoder& tr, TOutputStream& ost, const TInputStream& ist, const AVFrame* frame)
{
    const int width = frame->width;
    const int height = frame->height;
    const int format = frame->format;
    if (height - (ost.TopBand + ost.BottomBand) == ost.ResampleHeight &&
        width - (ost.LeftBand + ost.RightBand) == ost.ResampleWidth && format == ost.ResamplePixFmt)
        return;
    const char* formatName = av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
    if (!formatName) formatName = "none";
    FFLogger().LogFmt(&tr.Task, llQuiet, msg::FrameSizeChanged, ist.FileIndex, ist.Index, width, height, formatName);
    if (!ost.VideoResample) {
        throw FFmpegException(StrFormat(msg::FrameSizeChangedNoScaler, ist.FileIndex, ist.Index, width, height,
                                        formatName, ost.FileIndex, ost.Index));
    }
    if (ost.OriginalHeight > 0 && ost.OriginalWidth > 0) {
        ost.TopBand = (height * ost.OriginalTopBand / ost.OriginalHeight) & ~1;
        ost.BottomBand = (height * ost.OriginalBottomBand / ost.OriginalHeight) & ~1;
        ost.LeftBand = (width * ost.OriginalLeftBand / ost.OriginalWidth) & ~1;
        ost.RightBand = (width * ost.OriginalRightBand / ost.OriginalWidth) & ~1;
    }
    if (ost.TopBand < 0 || ost.BottomBand < 0 || ost.LeftBand < 0 || ost.RightBand < 0) {
        throw FFmpegException(
            StrFormat(msg::CropBandNegative, ist.FileIndex, ist.Index, width, height, ost.FileIndex, ost.Index));
    }
    ost.ResampleHeight = height - (ost.TopBand + ost.BottomBand);
    ost.ResampleWidth = width - (ost.LeftBand + ost.RightBand);
    ost.ResamplePixFmt = format;

    if (!ost.FilterGraph) {
        ost.ScaleContext.reset();
        if (!MakeVideoScaler(tr, ost)) throw FFmpegException(msg::ResamplingContextFail);
        return;
    }
    // The user's filters see the same size as before, so the encoder's size holds.
    const TVideoStreamState& st = VideoStream(ost);
    if (!BuildVideoFilterGraph(tr, ost, width, height, format, frame->sample_aspect_ratio, st.FilterInputWidth,
                               st.FilterInputHeight))
        throw FFmpegException(msg::FiltersOpenFail);
    const int sinkWidth = av_buffersink_get_w(ost.OutputFilter);
    const int sinkHeight = av_buffersink_get_h(ost.OutputFilter);
    if (sinkWidth != ost.Enc->width || sinkHeight != ost.Enc->height) {
        throw FFmpegException(StrFormat(msg::FilterSizeChanged, ist.FileIndex, ist.Index, width, height,
                                        ost.FileIndex, ost.Index, sinkWidth, sinkHeight, ost.Enc->width,
                                        ost.Enc->height));
    }
}

// Steps 2-7 for one picture at syncTime seconds; cropping and scaling only
// without a filter graph (the graph did both).
int OutputPicture(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, const AVFrame* picture, double syncTime)
{
    const int frames = DecideFrames(tr, ost, syncTime);
    if (frames <= 0) return 0;
    const AVFrame* toEncode = picture;
    if (!ost.FilterGraph) {
        TVideoStreamState& st = VideoStream(ost);
        if (ost.VideoCrop) {
            if (!st.CropView) st.CropView.reset(av_frame_alloc());
            if (!st.CropView || !MakeCropView(st.CropView.get(), picture, ost.TopBand, ost.LeftBand,
                                              ost.ResampleWidth, ost.ResampleHeight)) {
                if (tr.Opt.ExitOnError) throw FFmpegException(msg::CropFail);
                FFLogger().Log(&tr.Task, llError, msg::CropFail);
                return 0;
            }
            toEncode = st.CropView.get();
        }
        if (ost.VideoResample) {
            AVFrame* scaled = ost.PictTmp.get();
            if (!st.TmpPool.Get(scaled, ost.Enc->pix_fmt, ost.Enc->width, ost.Enc->height))
                throw FFmpegException(msg::TempPictureFail);
            sws_scale(ost.ScaleContext.get(), toEncode->data, toEncode->linesize, 0, ost.ResampleHeight, scaled->data,
                      scaled->linesize);
            toEncode = scaled;
        }
    }
    return EncodeVideoFrames(tr, ost, ist, toEncode, picture, frames);
}

// Takes every picture the graph has ready and writes it. The graph's own
// time of each picture is its sync time when the source is the sync stream,
// so filters that retime or hold pictures ("fps", "setpts", delays) keep
// their timing.
int PullFiltered(TTranscoder& tr, TOutputStream& ost, TInputStream& ist)
{
    TVideoStreamState& st = VideoStream(ost);
    if (!st.SinkFrame) st.SinkFrame.reset(av_frame_alloc());
    AVFrame* out = st.SinkFrame.get();
    if (!out) throw FFmpegException(msg::VideoEncodeFail);
    int bytes = 0;
    for (;;) {
        const int ret = av_buffersink_get_frame(ost.OutputFilter, out);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0) throw FFmpegException(LibraryErrorText(msg::FilterFail, ret));
        double syncTime = SecondsSinceStart(tr, ost.SyncIst->Pts);
        if (ost.SyncIst == &ist && out->pts != AV_NOPTS_VALUE)
            syncTime = SecondsSinceStart(tr, av_rescale_q(out->pts, st.SinkTimeBase, AV_TIME_BASE_Q));
        bytes += OutputPicture(tr, ost, ist, out, syncTime);
        av_frame_unref(out);
    }
    return bytes;
}

int FilterAndOutput(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, const AVFrame* frame)
{
    TVideoStreamState& st = VideoStream(ost);
    if (!st.SourceFrame) st.SourceFrame.reset(av_frame_alloc());
    AVFrame* in = st.SourceFrame.get();
    if (!in || av_frame_ref(in, frame) < 0) throw FFmpegException(msg::VideoEncodeFail);
    in->pts = ist.Pts;
    const int ret = av_buffersrc_add_frame_flags(ost.InputFilter, in, 0);
    av_frame_unref(in);
    if (ret < 0) throw FFmpegException(LibraryErrorText(msg::FilterFail, ret));
    return PullFiltered(tr, ost, ist);
}

}  // namespace

int DoVideoOut(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, AVFrame* frame)
{
    if (VideoPath(tr).Input(tr, ist).HeldBack) return 0;
    CheckFrameGeometry(tr, ost, ist, frame);
    if (ost.FilterGraph) return FilterAndOutput(tr, ost, ist, frame);
    return OutputPicture(tr, ost, ist, frame, SecondsSinceStart(tr, ost.SyncIst->Pts));
}

void FlushVideoEncoder(TTranscoder& tr, TOutputStream& ost)
{
    TInputStream& ist = *tr.InputStreams[ost.SourceIndex];
    FlushVideoPreprocess(tr, ist);
    TVideoStreamState& st = VideoStream(ost);
    if (st.Drained) return;
    st.Drained = true;
    if (ost.FilterGraph && av_buffersrc_add_frame_flags(ost.InputFilter, nullptr, 0) >= 0) PullFiltered(tr, ost, ist);
    const int ret = avcodec_send_frame(ost.Enc, nullptr);
    if (ret == AVERROR_EOF) return;  // already drained
    if (ret < 0) throw FFmpegException(msg::VideoEncodeFail);
    ReceiveVideoPackets(tr, ost, nullptr);
}

}  // namespace quorvia::transcode
