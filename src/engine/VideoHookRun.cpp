// The hooks of the pre-processing: the custom hook (the frame as a 24-bit
// BGR picture to the task's OnHook callback, copied back when the handler
// says it changed it) or else the loaded "vhook" libraries.
#include <cstring>
#include <exception>
#include <string>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
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

// Copies the handler's picture back into the working frame; false when no
// scaler from BGR can be made.
bool CopyBack(TVideoPathState& path, const BgrPicture& bitmap, AVFrame* work)
{
    const int width = work->width;
    const int height = work->height;
    if (work->format == AV_PIX_FMT_BGR24) {
        const size_t rowBytes = static_cast<size_t>(width) * BgrPicture::kBytesPerPixel;
        for (int r = 0; r < height; ++r)
            std::memcpy(work->data[0] + static_cast<ptrdiff_t>(r) * work->linesize[0], bitmap.ScanLine(r), rowBytes);
        return true;
    }
    bool jFormat = false;
    const AVPixelFormat plain = PlainFormat(static_cast<AVPixelFormat>(work->format), &jFormat);
    // A context made for another geometry is replaced, so its colour set-up is redone.
    const TVideoPathState::TFromRgbKey key{width, height, plain};
    if (!(key == path.FromRgbKey)) path.FromRgbColorSpace = path.FromRgbRange = -1;
    path.FromRgbKey = key;
    path.FromRgb.reset(sws_getCachedContext(path.FromRgb.release(), width, height, AV_PIX_FMT_BGR24, width, height,
                                            plain, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!path.FromRgb) {
        path.FromRgbKey = {};
        return false;
    }
    MatchColourSetup(path, work, plain, jFormat);
    const uint8_t* src[4] = {bitmap.Data(), nullptr, nullptr, nullptr};
    const int srcStride[4] = {bitmap.Stride(), 0, 0, 0};
    return sws_scale(path.FromRgb.get(), src, srcStride, 0, height, work->data, work->linesize) > 0;
}

// StopHook or a failed conversion: no hook of any kind for the rest of the task.
void EndHooks(TTranscoder& tr)
{
    VideoPath(tr).HooksEnded = true;
    tr.Control.OnHook = nullptr;
    tr.Opt.VideoHooksUsed = false;
}

void RunCustomHook(TTranscoder& tr, TInputStream& ist, AVFrame* work)
{
    TVideoPathState& path = VideoPath(tr);
    BitmapConverter& converter = path.HookConverter;
    if (!converter.ConvertToBitmap(work)) {
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
    if (info.Update && !CopyBack(path, converter.Bitmap(), work)) {
        FFLogger().Log(&tr.Task, llError, msg::FromRgbFail);
        info.StopHook = true;
    }
    if (info.StopHook) EndHooks(tr);
}

}  // namespace

void RunFrameHooks(TTranscoder& tr, TInputStream& ist, AVFrame* work)
{
    if (VideoPath(tr).HooksEnded) return;
    if (tr.Control.OnHook) {
        RunCustomHook(tr, ist, work);
        return;
    }
    if (!tr.Opt.VideoHooksUsed) return;
    if (auto* registry = dynamic_cast<TVideoHookRegistry*>(&tr.Task.VideoHookRegistry()))
        registry->Process(work->data, work->linesize, work->format, work->width, work->height, ist.Pts);
}

}  // namespace quorvia::transcode
