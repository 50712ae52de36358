#pragma once
// Scaler contexts that spread one picture over the machine's cores, and a
// frame view of a 24-bit BGR picture for them. The custom hook converts every
// decoded frame to BGR and back on the conversion thread; done in one slice
// that conversion holds up the whole loop.
extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace quorvia {

class BgrPicture;

// A context for this geometry whose work is sliced over all cores ("threads"
// automatic), owned by the caller (sws_freeContext); null when the formats or
// sizes cannot be converted.
SwsContext* MakeSliceScaler(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth, int dstHeight,
                               AVPixelFormat dstFormat, int flags);

// A BGR picture seen as a reference-counted AVFrame without copying its
// bytes; the reference to the memory is made again only when the picture's
// memory or size changed. The picture must outlive the view's use.
class TPictureFrame {
public:
    TPictureFrame();
    ~TPictureFrame();
    TPictureFrame(const TPictureFrame&) = delete;
    TPictureFrame& operator=(const TPictureFrame&) = delete;

    // The frame for the picture as it is now; null when it is empty or out of memory.
    AVFrame* View(BgrPicture& picture);

private:
    AVFrame* frame_;
};

}  // namespace quorvia
