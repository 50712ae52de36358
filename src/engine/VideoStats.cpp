// The per-frame "vstats" lines: one line per written video packet.
//
// Packets come out of the encoder later than frames go in (look-ahead,
// B-frames), so "frame=" counts written frames (continuing across join
// segments) and "time=" is the end of the written frame (its pts + 1 frame),
// not the encoder's input position.
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/FFmpegException.h"
#include "engine/VideoMessages.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

void WriteVideoStats(TTranscoder& tr, TOutputStream& ost, int size, int64_t pts)
{
    TVideoPathState& path = VideoPath(tr);
    if (!path.VStats) {
        const std::string& name = *tr.Opt.VStatsFile;
        path.VStats.reset(std::fopen(name.c_str(), "w"));
        if (!path.VStats) throw FFmpegException(std::string(msg::VStatsOpenFail) + name);
    }
    std::FILE* f = path.VStats.get();
    const AVCodecContext* enc = ost.Enc;
    const TVideoStreamState& st = VideoStream(ost);

    const int64_t frame = ost.FrameNumber - st.FramesEncoded + st.PacketsWritten;
    std::fprintf(f, msg::VStatsFrame, static_cast<int>(frame),
                 ost.CodedQuality / static_cast<double>(FF_QP2LAMBDA));
    if (enc->flags & AV_CODEC_FLAG_PSNR) {
        const double pixels = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
        std::fprintf(f, msg::VStatsPsnr, -10.0 * std::log10(static_cast<double>(ost.CodedError[0]) / pixels));
    }
    std::fprintf(f, msg::VStatsSize, size);
    const double tb = av_q2d(enc->time_base);
    const int64_t end = pts != AV_NOPTS_VALUE ? pts + 1 : ost.SyncOpts;
    double t = static_cast<double>(end) * tb;
    if (t < 0.01) t = 0.01;
    const double total = static_cast<double>(tr.VideoSize);
    std::fprintf(f, msg::VStatsRates, total / 1024.0, t, size * 8.0 / tb / 1000.0, total * 8.0 / t / 1000.0);
    std::fprintf(f, msg::VStatsType, ost.CodedPictType);
}

}  // namespace quorvia::transcode
