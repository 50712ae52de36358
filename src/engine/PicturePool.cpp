#include "engine/PicturePool.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace quorvia::transcode {

namespace {

// Line and plane alignment that suits every SIMD path of the libraries.
constexpr int kAlign = 64;

}  // namespace

bool TPicturePool::Get(AVFrame* frame, AVPixelFormat format, int width, int height)
{
    av_frame_unref(frame);
    const int needed = av_image_get_buffer_size(format, width, height, kAlign);
    if (needed <= 0) return false;
    const size_t size = static_cast<size_t>(needed) + kAlign;
    if (!pool_ || size > size_) {
        // Buffers still out keep the old pool alive until they come back.
        pool_.reset(av_buffer_pool_init(size, av_buffer_alloc));
        if (!pool_) {
            size_ = 0;
            return false;
        }
        size_ = size;
    }
    AVBufferRef* buf = av_buffer_pool_get(pool_.get());
    if (!buf) return false;
    if (av_image_fill_arrays(frame->data, frame->linesize, buf->data, format, width, height, kAlign) < 0) {
        av_buffer_unref(&buf);
        return false;
    }
    frame->buf[0] = buf;
    frame->extended_data = frame->data;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    return true;
}

}  // namespace quorvia::transcode
