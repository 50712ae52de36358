#include "engine/SubtitleOutput.h"

#include <cstring>

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

namespace {
constexpr size_t kSubtitleBufferSize = 1048576;
constexpr AVRational kMilliseconds{1, 1000};
}  // namespace

void DoSubtitlesOut(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, AVSubtitle* sub, int64_t pts)
{
    if (pts == AV_NOPTS_VALUE) {
        if (tr.Opt.ExitOnError) throw FFmpegException(msg::SubtitleNoPts);
        FFLogger().Log(&tr.Task, llError, msg::SubtitleNoPts);
        return;
    }
    // One buffer per run: tasks may run at the same time.
    if (tr.SubtitleBuffer.empty()) tr.SubtitleBuffer.resize(kSubtitleBufferSize);
    AVCodecContext* enc = ost.Enc;
    const bool dvb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
    const int passes = dvb ? 2 : 1;
    AVPacket* pkt = ost.Packet.get();
    for (int i = 0; i < passes; ++i) {
        sub->pts = av_rescale_q(pts, ist.Stream->time_base, AV_TIME_BASE_Q) +
                   static_cast<int64_t>(sub->start_display_time) * 1000;
        sub->end_display_time -= sub->start_display_time;
        sub->start_display_time = 0;
        // The second DVB packet clears the display: no rectangles.
        const unsigned rects = sub->num_rects;
        if (dvb && i == 1) sub->num_rects = 0;
        const int size = avcodec_encode_subtitle(enc, tr.SubtitleBuffer.data(),
                                                 static_cast<int>(tr.SubtitleBuffer.size()), sub);
        sub->num_rects = rects;
        if (size < 0) throw FFmpegException(msg::SubtitleEncodeFail);
        if (av_new_packet(pkt, size) < 0) throw FFmpegException(msg::MallocFail);
        std::memcpy(pkt->data, tr.SubtitleBuffer.data(), static_cast<size_t>(size));
        const AVRational tb = ost.Stream->time_base;
        pkt->pts = av_rescale_q(sub->pts, AV_TIME_BASE_Q, tb);
        if (dvb) {
            // The display times are milliseconds; the old code added them as
            // 90 kHz ticks, which is right only for a 90 kHz stream.
            pkt->pts += av_rescale_q(i == 0 ? sub->start_display_time : sub->end_display_time, kMilliseconds, tb);
        } else {
            pkt->duration = av_rescale_q(sub->end_display_time, kMilliseconds, tb);
        }
        pkt->dts = pkt->pts;
        WriteFrame(tr, ost, pkt);
        av_packet_unref(pkt);
    }
}

}  // namespace quorvia::transcode
