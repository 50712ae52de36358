#pragma once
// Turns a library picture of any pixel format and size into a 24-bit BGR
// picture for hooks, preview events and the player's frame sink.
//
// One converter per user (per task for the hook, per task for the preview,
// per player); it is not shared between threads. It keeps its picture, its
// scaler and the scaler's colour set-up between frames, and converts only when
// the source is not already BGR24 at the wanted size (then rows are copied).
//
// The target picture's own lock is held while it is written, so a consumer on
// another thread that locks the picture never sees a half-written frame. The
// caller must not hold that lock when it calls a conversion.
#include <cstdint>
#include <memory>

#include "app/BgrPicture.h"
#include "engine/SliceScaler.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace quorvia {

class BitmapConverter {
public:
    // The pixel format produced.
    static constexpr AVPixelFormat TargetPixFmt = AV_PIX_FMT_BGR24;

    BitmapConverter();
    ~BitmapConverter();
    BitmapConverter(const BitmapConverter&) = delete;
    BitmapConverter& operator=(const BitmapConverter&) = delete;

    // A picture given as plane pointers and line sizes (an AVFrame's data and
    // linesize), converted at its own size into Bitmap().
    // pixFmt is an AVPixelFormat value; it is an int so that a value from a
    // file or a caller is checked before it becomes one.
    bool ConvertToBitmap(const uint8_t* const data[4], const int linesize[4], int pixFmt,
                         int height, int width);

    // A decoded frame at its own size into Bitmap(); the frame's colour matrix
    // and range are honoured.
    bool ConvertToBitmap(const AVFrame* frame);
    // The same, scaled to width x height.
    bool ConvertToBitmap(const AVFrame* frame, int width, int height);
    // The same, into a picture the caller owns.
    bool ConvertToBitmap(const AVFrame* frame, BgrPicture& target, int width, int height);

    // All of the above return false when there is no picture, a size is not
    // positive or too large, or no scaler can be made for the source format
    // (the target is then left as it was); the caller logs and stops that
    // kind of preview.

    // The picture the converter owns, created empty and kept between frames.
    BgrPicture& Bitmap() { return bitmap_; }
    const BgrPicture& Bitmap() const { return bitmap_; }

    // Releases the picture and the scaler.
    void Reset();

private:
    struct Source {
        const uint8_t* const* data;
        const int* linesize;
        int pixFmt;  // checked against AV_PIX_FMT_NB before use
        int width;
        int height;
        AVColorSpace colorSpace;
        AVColorRange colorRange;
        const AVFrame* frame;  // the frame behind data, when it is one (sliced scaling)
    };
    struct SwsFree {
        void operator()(SwsContext* c) const;
    };

    bool Convert(const Source& src, BgrPicture& target, int width, int height);
    bool Scale(const Source& src, BgrPicture& target, int width, int height);

    BgrPicture bitmap_;
    std::unique_ptr<SwsContext, SwsFree> scaler_;
    TPictureFrame targetView_;  // the target picture as a frame for sliced scaling
    // What scaler_ was made for and the colour set-up last given to it, so the
    // set-up is redone only for a new scaler or a change of matrix or range.
    struct ScalerKey {
        int srcWidth = 0, srcHeight = 0, srcFormat = -1, dstWidth = 0, dstHeight = 0;
        int colorSpace = -1, fullRange = -1;
        bool operator==(const ScalerKey&) const = default;
    };
    ScalerKey scalerKey_;
};

}  // namespace quorvia
