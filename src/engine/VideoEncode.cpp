// Encoding of the pictures DoVideoOut decided to write, with send/receive,
// and writing of what the encoder gives back: sizes, pass-1 statistics,
// preview, muxer, "vstats".
#include <cstdint>
#include <cstdio>

extern "C" {
#include <libavutil/avutil.h>
}

#include "engine/FFmpegException.h"
#include "engine/VideoMessages.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

namespace {

// Field flags moved from members to AVFrame.flags in later library series.
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 7, 100)
bool Interlaced(const AVFrame* f) { return f->flags & AV_FRAME_FLAG_INTERLACED; }
bool TopFieldFirst(const AVFrame* f) { return f->flags & AV_FRAME_FLAG_TOP_FIELD_FIRST; }
void SetFlag(AVFrame* f, int flag, bool on) { f->flags = on ? (f->flags | flag) : (f->flags & ~flag); }
void SetInterlaced(AVFrame* f, bool on) { SetFlag(f, AV_FRAME_FLAG_INTERLACED, on); }
void SetTopFieldFirst(AVFrame* f, bool on) { SetFlag(f, AV_FRAME_FLAG_TOP_FIELD_FIRST, on); }
#else
bool Interlaced(const AVFrame* f) { return f->interlaced_frame; }
bool TopFieldFirst(const AVFrame* f) { return f->top_field_first; }
void SetInterlaced(AVFrame* f, bool on) { f->interlaced_frame = on; }
void SetTopFieldFirst(AVFrame* f, bool on) { f->top_field_first = on; }
#endif

// The frame handed to the encoder: a reference to the picture (no pixel
// copy) with the input picture's field order, the quality and the pts.
void PrepareEncodeFrame(TTranscoder& tr, TOutputStream& ost, const TInputStream& ist, AVFrame* f,
                        const AVFrame* input)
{
    const AVCodecContext* enc = ost.Enc;
    SetInterlaced(f, Interlaced(input));
    if (enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME))
        SetTopFieldFirst(f, tr.Opt.TopFieldFirst == -1 ? TopFieldFirst(input) : tr.Opt.TopFieldFirst != 0);
    f->quality = tr.Opt.SameQuality ? ist.Quality : enc->global_quality;
    if (!tr.Opt.MeThreshold) f->pict_type = AV_PICTURE_TYPE_NONE;
    f->pts = ost.SyncOpts;
}

}  // namespace

int ReceiveVideoPackets(TTranscoder& tr, TOutputStream& ost, const AVFrame* preview)
{
    AVCodecContext* enc = ost.Enc;
    AVPacket* pkt = ost.Packet.get();
    TVideoStreamState& st = VideoStream(ost);
    int bytes = 0;
    for (;;) {
        const int ret = avcodec_receive_packet(enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
        if (ret < 0) throw FFmpegException(msg::VideoEncodeFail);
        const int size = pkt->size;
        const int64_t pts = pkt->pts;
        // One frame per tick of the encoder time base; muxers need it for the last frame.
        if (pkt->duration <= 0) pkt->duration = 1;
        tr.VideoSize += size;
        bytes += size;
        if (preview) {
            DeliverPreview(tr, preview,
                           pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(pts, enc->time_base, AV_TIME_BASE_Q));
            preview = nullptr;
        }
        if (ost.LogFile && enc->stats_out) std::fprintf(ost.LogFile.get(), "%s", enc->stats_out);
        WriteEncodedPacket(tr, ost, pkt);
        ++st.PacketsWritten;
        if (tr.Opt.VStatsFile) WriteVideoStats(tr, ost, size, pts);
    }
    return bytes;
}

int EncodeVideoFrames(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, const AVFrame* picture,
                      const AVFrame* input, int frames)
{
    TVideoStreamState& st = VideoStream(ost);
    if (!st.EncodeFrame) st.EncodeFrame.reset(av_frame_alloc());
    AVFrame* f = st.EncodeFrame.get();
    if (!f) throw FFmpegException(msg::VideoEncodeFail);
    int bytes = 0;
    for (int i = 0; i < frames; ++i) {
        // Between duplicates: the pause gate, then a stop ends the loop at once.
        if (i > 0 && tr.Control.SafePoint) tr.Control.SafePoint();
        if (tr.StopRequested()) break;
        if (av_frame_ref(f, picture) < 0) throw FFmpegException(msg::VideoEncodeFail);
        PrepareEncodeFrame(tr, ost, ist, f, input);
        const int ret = avcodec_send_frame(ost.Enc, f);
        av_frame_unref(f);
        if (ret < 0) throw FFmpegException(msg::VideoEncodeFail);
        bytes += ReceiveVideoPackets(tr, ost, picture);
        ++ost.SyncOpts;
        ++ost.FrameNumber;
        ++st.FramesEncoded;
    }
    return bytes;
}

}  // namespace quorvia::transcode
