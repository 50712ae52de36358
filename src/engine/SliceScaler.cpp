#include "engine/SliceScaler.h"

#include <memory>

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "app/BgrPicture.h"

namespace quorvia {

namespace {

struct ScalerFree {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

// The picture owns its bytes; the frame's reference only marks them in use.
void KeepBytes(void*, uint8_t*) {}

}  // namespace

SwsContext* MakeSliceScaler(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth, int dstHeight,
                               AVPixelFormat dstFormat, int flags)
{
    // Checked first: a sliced context that fails to initialise is not fully
    // freed by the installed library.
    if (!sws_isSupportedInput(srcFormat) || !sws_isSupportedOutput(dstFormat)) return nullptr;
    std::unique_ptr<SwsContext, ScalerFree> c(sws_alloc_context());
    if (!c) return nullptr;
    SwsContext* s = c.get();
    if (av_opt_set_int(s, "srcw", srcWidth, 0) < 0 || av_opt_set_int(s, "srch", srcHeight, 0) < 0 ||
        av_opt_set_int(s, "src_format", srcFormat, 0) < 0 || av_opt_set_int(s, "dstw", dstWidth, 0) < 0 ||
        av_opt_set_int(s, "dsth", dstHeight, 0) < 0 || av_opt_set_int(s, "dst_format", dstFormat, 0) < 0 ||
        av_opt_set_int(s, "sws_flags", flags, 0) < 0 || av_opt_set_int(s, "threads", 0, 0) < 0)
        return nullptr;
    if (sws_init_context(s, nullptr, nullptr) < 0) return nullptr;
    return c.release();
}

TPictureFrame::TPictureFrame() : frame_(av_frame_alloc()) {}

TPictureFrame::~TPictureFrame() { av_frame_free(&frame_); }

AVFrame* TPictureFrame::View(BgrPicture& picture)
{
    if (!frame_ || picture.Width() <= 0 || picture.Height() <= 0) return nullptr;
    const size_t size = static_cast<size_t>(picture.Stride()) * static_cast<size_t>(picture.Height());
    if (frame_->data[0] != picture.Data() || frame_->width != picture.Width() ||
        frame_->height != picture.Height() || frame_->linesize[0] != picture.Stride()) {
        av_frame_unref(frame_);
        frame_->buf[0] = av_buffer_create(picture.Data(), size, KeepBytes, nullptr, 0);
        if (!frame_->buf[0]) return nullptr;
        frame_->data[0] = picture.Data();
        frame_->linesize[0] = picture.Stride();
        frame_->width = picture.Width();
        frame_->height = picture.Height();
        frame_->format = AV_PIX_FMT_BGR24;
    }
    return frame_;
}

}  // namespace quorvia
