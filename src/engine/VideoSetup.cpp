// Set-up of a re-encoded video output stream: crop bands, the scaler and its
// temporary picture, or the filter graph.
extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "engine/FFmpegException.h"
#include "engine/VideoMessages.h"
#include "engine/VideoOutput.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

namespace {

// The current "sws_flags" of the task's scaler options.
int ReadScaleFlags(TTranscoder& tr)
{
    int64_t flags = tr.Opt.ScaleFlags;
    if (SwsContext* scaler = tr.Opt.Templates.Scaler.get()) av_opt_get_int(scaler, "sws_flags", 0, &flags);
    tr.Opt.ScaleFlags = static_cast<int>(flags);
    return tr.Opt.ScaleFlags;
}

}  // namespace

TVideoStreamState& VideoStream(TOutputStream& ost)
{
    if (!ost.VideoState) ost.VideoState.reset(new TVideoStreamState);
    return *ost.VideoState;
}

void TVideoStreamStateDeleter::operator()(TVideoStreamState* p) const { delete p; }

// Makes the scaler for the current crop bands and resample geometry.
bool MakeVideoScaler(TTranscoder& tr, TOutputStream& ost)
{
    const int flags = ReadScaleFlags(tr);
    ost.ScaleContext.reset(sws_getContext(ost.ResampleWidth, ost.ResampleHeight,
                                          static_cast<AVPixelFormat>(ost.ResamplePixFmt), ost.Enc->width,
                                          ost.Enc->height, ost.Enc->pix_fmt, flags, nullptr, nullptr, nullptr));
    return ost.ScaleContext != nullptr;
}

void SetupVideoStream(TTranscoder& tr, TOutputStream& ost, TInputStream& ist)
{
    AVCodecContext* enc = ost.Enc;
    const AVCodecParameters* dec = ist.Stream->codecpar;
    if (enc->pix_fmt == AV_PIX_FMT_NONE) throw FFmpegException(msg::PixelFormatUnknown);

    const TOptionState& opt = tr.Opt;
    ost.VideoCrop = opt.CropTopBand + opt.CropBottomBand + opt.CropLeftBand + opt.CropRightBand != 0;
    if (ost.VideoCrop) {
        ost.TopBand = ost.OriginalTopBand = opt.CropTopBand;
        ost.BottomBand = ost.OriginalBottomBand = opt.CropBottomBand;
        ost.LeftBand = ost.OriginalLeftBand = opt.CropLeftBand;
        ost.RightBand = ost.OriginalRightBand = opt.CropRightBand;
    }
    const int croppedWidth = dec->width - (ost.LeftBand + ost.RightBand);
    const int croppedHeight = dec->height - (ost.TopBand + ost.BottomBand);
    ost.VideoResample = !(enc->width == croppedWidth && enc->height == croppedHeight && enc->pix_fmt == dec->format);
    ost.ResampleWidth = croppedWidth;
    ost.ResampleHeight = croppedHeight;
    ost.ResamplePixFmt = dec->format;
    // Kept with filters too: a later size change rescales the bands from these.
    ost.OriginalWidth = dec->width;
    ost.OriginalHeight = dec->height;

    TVideoStreamState& st = VideoStream(ost);
    if (ost.VideoResample) {
        enc->bits_per_raw_sample = 0;
        // With filters the graph crops and scales; the scaler is not needed.
        if (!tr.Files.UseFilters) {
            ost.PictTmp.reset(av_frame_alloc());
            if (!ost.PictTmp || !st.TmpPool.Get(ost.PictTmp.get(), enc->pix_fmt, enc->width, enc->height))
                throw FFmpegException(msg::TempPictureFail);
            av_frame_unref(ost.PictTmp.get());
            if (!MakeVideoScaler(tr, ost)) throw FFmpegException(msg::ResamplingContextFail);
        }
    }
    if (tr.Files.UseFilters && !SetupVideoFilters(tr, ost, ist)) throw FFmpegException(msg::FiltersOpenFail);
}

}  // namespace quorvia::transcode
