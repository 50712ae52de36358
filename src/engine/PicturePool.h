#pragma once
// Writable pictures from a buffer pool: the hook work buffer and the scaled
// picture (PictTmp) of the video path. A picture handed to the encoder or a
// filter may be kept there for a while (reference frames, look-ahead), so
// each frame takes its own buffer; the pool hands released buffers back, so
// steady state allocates nothing. The buffer size only grows.
#include <cstddef>
#include <memory>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace quorvia::transcode {

class TPicturePool {
public:
    // Gives `frame` (unreferenced first) writable planes for the format and
    // size; only format, width and height are set. False when the format or
    // size is invalid or memory runs out (the frame is then empty).
    bool Get(AVFrame* frame, AVPixelFormat format, int width, int height);

    // Bytes of each pooled buffer (0 before the first Get).
    size_t BufferSize() const { return size_; }

private:
    struct PoolFree {
        void operator()(AVBufferPool* p) const { av_buffer_pool_uninit(&p); }
    };
    std::unique_ptr<AVBufferPool, PoolFree> pool_;
    size_t size_ = 0;
};

}  // namespace quorvia::transcode
