// The hooks of the pre-processing: the custom hook (the frame as a 24-bit
// BGR picture to the task's OnHook callback, copied back when the handler
// says it changed it) or else the loaded "vhook" libraries.
//
// The decoder keeps reading its frames (references for prediction), so the
// hooks write into a buffer of the work pool unless the frame's own buffer
// is free. The custom hook overwrites every pixel when it copies back, so it
// needs no copy of the original; the "vhook" libraries change pixels in
// place, so they get one.
#include <cstring>
#include <exception>
#include <string>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
#include "engine/SliceScaler.h"
#include "engine/VideoHooks.h"
#include "engine/VideoMessages.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

namespace {

// The full-range "J" formats as the scaler wants them: plain format + full range.
AVPixelFormat PlainFormat(AVPixelFormat fmt, bool* fullRange)
{
    *fullRange = true;
    switch (fmt) {
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: return AV_PIX_FMT_YUV411P;
    default: *fullRange = false; return fmt;
    }
}

// Sets the RGB -> YUV matrix and range of the frame, the inverse of what the
// conversion to BGR used, so an unchanged picture comes back as it went out.
void MatchColourSetup(TVideoPathState& path, const AVFrame* frame, AVPixelFormat plain, bool jFormat)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(plain);
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BAYER))) return;
    const bool gray = desc->nb_components <= 2;
    const int space = (gray || frame->colorspace == AVCOL_SPC_UNSPECIFIED || frame->colorspace == AVCOL_SPC_RESERVED)
                          ? SWS_CS_DEFAULT
                          : static_cast<int>(frame->colorspace);
    int range = (jFormat || gray) ? 1 : 0;
    if (frame->color_range == AVCOL_RANGE_JPEG) range = 1;
    else if (frame->color_range == AVCOL_RANGE_MPEG) range = 0;
    if (space == path.FromRgbColorSpace && range == path.FromRgbRange) return;
    int* invTable = nullptr;
    int* table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(path.FromRgb.get(), &invTable, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation) < 0)
        return;
    sws_setColorspaceDetails(path.FromRgb.get(), invTable, srcRange, sws_getCoefficients(space), range, brightness,
                             contrast, saturation);
    path.FromRgbColorSpace = space;
    path.FromRgbRange = range;
}

// The scaler from BGR back to the frame's format, cached; null when none can be made.
SwsContext* FromRgbScaler(TVideoPathState& path, const AVFrame* frame)
{
    bool jFormat = false;
    const AVPixelFormat plain = PlainFormat(static_cast<AVPixelFormat>(frame->format), &jFormat);
    // A context made for another geometry is replaced, so its colour set-up is redone.
    const TVideoPathState::TFromRgbKey key{frame->width, frame->height, plain};
    if (!path.FromRgb || !(key == path.FromRgbKey)) {
        path.FromRgbColorSpace = path.FromRgbRange = -1;
        path.FromRgbKey = key;
        path.FromRgb.reset(MakeSliceScaler(frame->width, frame->height, AV_PIX_FMT_BGR24, frame->width, frame->height,
                                           plain, SWS_BICUBIC));
        if (!path.FromRgb) {
            path.FromRgbKey = {};
            return nullptr;
        }
    }
    MatchColourSetup(path, frame, plain, jFormat);
    return path.FromRgb.get();
}

// Gives `frame` planes it may write: its own when nobody else reads them,
// else a buffer of the work pool, with the pixels copied when `keepPixels`
// (the caller overwrites every pixel otherwise). False when memory runs out;
// the frame is then unchanged.
bool WritablePicture(TVideoInputState& in, AVFrame* frame, bool keepPixels)
{
    if (av_frame_is_writable(frame)) return true;
    if (!in.Copy) in.Copy.reset(av_frame_alloc());
    AVFrame* copy = in.Copy.get();
    if (!copy || !in.WorkPool.Get(copy, static_cast<AVPixelFormat>(frame->format), frame->width, frame->height))
        return false;
    if (av_frame_copy_props(copy, frame) < 0 || (keepPixels && av_frame_copy(copy, frame) < 0)) {
        av_frame_unref(copy);
        return false;
    }
    av_frame_unref(frame);
    av_frame_move_ref(frame, copy);
    return true;
}

// Writes the handler's picture into the frame (BGR24 frames take the rows
// as they are). The frame stays as it was when a step fails.
enum class TCopyBack { Done, NoScaler, NoMemory };
TCopyBack CopyBack(TVideoPathState& path, TVideoInputState& in, BgrPicture& bitmap, AVFrame* frame)
{
    const bool bgr = frame->format == AV_PIX_FMT_BGR24;
    SwsContext* scaler = bgr ? nullptr : FromRgbScaler(path, frame);
    if (!bgr && !scaler) return TCopyBack::NoScaler;
    if (!WritablePicture(in, frame, false)) return TCopyBack::NoMemory;
    const int height = frame->height;
    if (bgr) {
        const size_t rowBytes = static_cast<size_t>(frame->width) * BgrPicture::kBytesPerPixel;
        for (int r = 0; r < height; ++r)
            std::memcpy(frame->data[0] + static_cast<ptrdiff_t>(r) * frame->linesize[0], bitmap.ScanLine(r),
                        rowBytes);
        return TCopyBack::Done;
    }
    // Sliced over the cores when both sides are reference-counted frames.
    if (frame->buf[0]) {
        if (AVFrame* view = path.HookView.View(bitmap)) {
            sws_scale_frame(scaler, frame, view);
            return TCopyBack::Done;
        }
    }
    const uint8_t* src[4] = {bitmap.Data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {bitmap.Stride(), 0, 0, 0};
    sws_scale(scaler, src, srcStride, 0, height, frame->data, frame->linesize);
    return TCopyBack::Done;
}

// StopHook or a failed conversion: no hook of any kind for the rest of the task.
void EndHooks(TTranscoder& tr)
{
    VideoPath(tr).HooksEnded = true;
    tr.Control.OnHook = nullptr;
    tr.Opt.VideoHooksUsed = false;
}

void RunCustomHook(TTranscoder& tr, TInputStream& ist, TVideoInputState& in, AVFrame* frame)
{
    TVideoPathState& path = VideoPath(tr);
    BitmapConverter& converter = path.HookConverter;
    if (!converter.ConvertToBitmap(frame)) {
        FFLogger().Log(&tr.Task, llError, msg::ToRgbFail);
        EndHooks(tr);
        return;
    }
    THookInfo info;
    info.TaskIndex = tr.Control.TaskIndex;
    info.Bitmap = &converter.Bitmap();
    info.FrameNumber = tr.HookFrameCount;
    info.PTS = ist.Pts;
    info.Update = true;
    info.StopHook = false;
    try {
        tr.Control.OnHook(tr.Task, info);
    } catch (const std::exception& e) {
        FFLogger().Log(&tr.Task, llError, std::string(msg::CustomHookError) + e.what());
        info.Update = false;
    } catch (...) {
        FFLogger().Log(&tr.Task, llError, std::string(msg::CustomHookError) + "unknown exception");
        info.Update = false;
    }
    if (info.Update) {
        switch (CopyBack(path, in, converter.Bitmap(), frame)) {
        case TCopyBack::Done:
            break;
        case TCopyBack::NoScaler:
            FFLogger().Log(&tr.Task, llError, msg::FromRgbFail);
            info.StopHook = true;
            break;
        case TCopyBack::NoMemory:
            FFLogger().Log(&tr.Task, llError, msg::HookBufferFail);
            break;
        }
    }
    if (info.StopHook) EndHooks(tr);
}

}  // namespace

void RunFrameHooks(TTranscoder& tr, TInputStream& ist, TVideoInputState& in, AVFrame* frame)
{
    if (VideoPath(tr).HooksEnded) return;
    if (tr.Control.OnHook) {
        RunCustomHook(tr, ist, in, frame);
        return;
    }
    if (!tr.Opt.VideoHooksUsed) return;
    auto* registry = dynamic_cast<TVideoHookRegistry*>(&tr.Task.VideoHookRegistry());
    if (!registry || registry->Empty()) return;
    if (!WritablePicture(in, frame, true)) {
        FFLogger().Log(&tr.Task, llError, msg::HookBufferFail);
        return;
    }
    registry->Process(frame->data, frame->linesize, frame->format, frame->width, frame->height, ist.Pts);
}

}  // namespace quorvia::transcode
