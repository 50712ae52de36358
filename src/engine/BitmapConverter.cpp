#include "engine/BitmapConverter.h"

#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace quorvia {

namespace {

// Bicubic, as the preview has always used.
constexpr int kScaleFlags = SWS_BICUBIC;

// The deprecated full-range "J" formats become their plain twins plus a full
// range, which is how the scaler wants them.
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

}  // namespace

void BitmapConverter::SwsFree::operator()(SwsContext* c) const
{
    sws_freeContext(c);
}

BitmapConverter::BitmapConverter() = default;
BitmapConverter::~BitmapConverter() = default;

void BitmapConverter::Reset()
{
    std::lock_guard<BgrPicture> lock(bitmap_);
    bitmap_.Clear();
    scaler_.reset();
    scalerKey_ = {};
}

bool BitmapConverter::ConvertToBitmap(const uint8_t* const data[4], const int linesize[4],
                                      int pixFmt, int height, int width)
{
    if (!data || !linesize) return false;
    const Source src{data, linesize, pixFmt, width, height, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, nullptr};
    return Convert(src, bitmap_, width, height);
}

bool BitmapConverter::ConvertToBitmap(const AVFrame* frame)
{
    if (!frame) return false;
    return ConvertToBitmap(frame, bitmap_, frame->width, frame->height);
}

bool BitmapConverter::ConvertToBitmap(const AVFrame* frame, int width, int height)
{
    return ConvertToBitmap(frame, bitmap_, width, height);
}

bool BitmapConverter::ConvertToBitmap(const AVFrame* frame, BgrPicture& target, int width, int height)
{
    if (!frame) return false;
    const Source src{frame->data, frame->linesize, frame->format,
                     frame->width, frame->height, frame->colorspace, frame->color_range, frame};
    return Convert(src, target, width, height);
}

bool BitmapConverter::Convert(const Source& src, BgrPicture& target, int width, int height)
{
    if (!src.data[0] || src.linesize[0] == 0) return false;
    if (src.width <= 0 || src.height <= 0 || width <= 0 || height <= 0) return false;
    if (av_image_check_size(static_cast<unsigned>(src.width), static_cast<unsigned>(src.height), 0, nullptr) < 0 ||
        av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0, nullptr) < 0)
        return false;
    if (src.pixFmt < 0 || src.pixFmt >= AV_PIX_FMT_NB) return false;
    if (!av_pix_fmt_desc_get(static_cast<AVPixelFormat>(src.pixFmt))) return false;

    std::lock_guard<BgrPicture> lock(target);
    if (src.pixFmt != static_cast<int>(TargetPixFmt) || src.width != width || src.height != height) return Scale(src, target, width, height);

    // Already BGR24 at the wanted size: copy the rows, whatever the source's stride.
    if (!target.SetSize(width, height)) return false;
    const size_t rowBytes = static_cast<size_t>(width) * BgrPicture::kBytesPerPixel;
    for (int r = 0; r < height; ++r)
        std::memcpy(target.ScanLine(r), src.data[0] + static_cast<ptrdiff_t>(r) * src.linesize[0], rowBytes);
    return true;
}

bool BitmapConverter::Scale(const Source& src, BgrPicture& target, int width, int height)
{
    bool jFormat = false;
    const AVPixelFormat format = PlainFormat(static_cast<AVPixelFormat>(src.pixFmt), &jFormat);
    ScalerKey key{src.width, src.height, format, width, height, -1, -1};

    // Same geometry keeps the context (and its colour set-up); another one replaces it.
    const bool sameGeometry = scaler_ && key.srcWidth == scalerKey_.srcWidth && key.srcHeight == scalerKey_.srcHeight &&
                              key.srcFormat == scalerKey_.srcFormat && key.dstWidth == scalerKey_.dstWidth &&
                              key.dstHeight == scalerKey_.dstHeight;
    if (!sameGeometry) {
        scalerKey_ = {};
        scaler_.reset(MakeSliceScaler(src.width, src.height, format, width, height, TargetPixFmt, kScaleFlags));
        if (!scaler_) return false;
    }

    // Colour matrix and range matter only for YUV and gray sources.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    const bool hasLuma = !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BAYER));
    if (hasLuma) {
        const bool gray = desc->nb_components <= 2;
        key.colorSpace = (gray || src.colorSpace == AVCOL_SPC_UNSPECIFIED || src.colorSpace == AVCOL_SPC_RESERVED)
                             ? SWS_CS_DEFAULT
                             : static_cast<int>(src.colorSpace);
        if (src.colorRange == AVCOL_RANGE_JPEG) key.fullRange = 1;
        else if (src.colorRange == AVCOL_RANGE_MPEG) key.fullRange = 0;
        else key.fullRange = (jFormat || gray) ? 1 : 0;  // the format's own convention
    }
    if (hasLuma && !(key == scalerKey_)) {
        int* invTable = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler_.get(), &invTable, &srcRange, &table, &dstRange, &brightness,
                                     &contrast, &saturation) >= 0)
            sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(key.colorSpace), key.fullRange, table,
                                     dstRange, brightness, contrast, saturation);
    }
    scalerKey_ = key;

    if (!target.SetSize(width, height)) return false;
    // A reference-counted frame is scaled in slices over the cores.
    if (src.frame && src.frame->buf[0]) {
        AVFrame* view = targetView_.View(target);
        if (view) return sws_scale_frame(scaler_.get(), view, src.frame) >= 0;
    }
    uint8_t* dst[4] = {target.Data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {target.Stride(), 0, 0, 0};
    return sws_scale(scaler_.get(), src.data, src.linesize, 0, src.height, dst, dstStride) > 0;
}

}  // namespace quorvia
