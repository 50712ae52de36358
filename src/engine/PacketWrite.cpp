// WriteFrame: every packet reaches its output file here, through the
// stream's bitstream filter chain into the interleaving muxer.
#include <algorithm>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/FileErrors.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

namespace {

void Submit(TMuxStream& mux, AVPacket* pkt)
{
    pkt->stream_index = mux.Stream->index;
    int64_t end = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (end != AV_NOPTS_VALUE) {
        end += std::max<int64_t>(0, pkt->duration);
        if (mux.EndPts == AV_NOPTS_VALUE || end > mux.EndPts) mux.EndPts = end;
    }
    const int ret = av_interleaved_write_frame(mux.File, pkt);
    if (ret < 0) throw FFmpegException(LibraryErrorText(msg::WriteFail, ret));
}

// A failing filter only logs unless ExitOnError; the caller passes the packet on.
void FilterFailed(TTranscoder& tr, const TOutputStream& ost, int code)
{
    const std::string text = LibraryErrorText(
        StrFormat(msg::BitstreamFilterFail, ost.Mux->FilterNames.c_str(), ost.Mux->Stream->index,
                  ost.Enc && ost.Enc->codec ? ost.Enc->codec->name : "copy"),
        code);
    if (tr.Opt.ExitOnError) throw FFmpegException(text);
    FFLogger().Log(&tr.Task, llError, text);
}

void DrainFilters(TTranscoder& tr, const TOutputStream& ost, AVPacket* pkt)
{
    TMuxStream& mux = *ost.Mux;
    int ret;
    while ((ret = av_bsf_receive_packet(mux.Filters.get(), pkt)) >= 0) Submit(mux, pkt);
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) FilterFailed(tr, ost, ret);
}

}  // namespace

void WriteFrame(TTranscoder& tr, TOutputStream& ost, AVPacket* pkt)
{
    TMuxStream& mux = *ost.Mux;
    if (!mux.Filters) {
        Submit(mux, pkt);
        return;
    }
    const int ret = av_bsf_send_packet(mux.Filters.get(), pkt);
    if (ret < 0) {
        FilterFailed(tr, ost, ret);
        Submit(mux, pkt);
        return;
    }
    DrainFilters(tr, ost, pkt);
}

void NoteCodedPacket(TOutputStream& ost, const AVPacket* pkt)
{
    size_t size = 0;
    const uint8_t* sd = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
    if (!sd || size < 5) return;
    ost.CodedQuality = static_cast<int>(AV_RL32(sd));
    ost.CodedPictType = av_get_picture_type_char(static_cast<AVPictureType>(sd[4]));
    const int errors = size >= 6 ? sd[5] : 0;
    for (int i = 0; i < errors && i < 3 && size >= static_cast<size_t>(8 + 8 * (i + 1)); ++i)
        ost.CodedError[i] = AV_RL64(sd + 8 + 8 * i);
}

void WriteEncodedPacket(TTranscoder& tr, TOutputStream& ost, AVPacket* pkt)
{
    NoteCodedPacket(ost, pkt);
    // Video encoders leave the duration unset: one frame, so the output's
    // running time (and the last frame's length in the file) is right.
    const AVCodecContext* enc = ost.Enc;
    if (pkt->duration == 0 && enc->codec_type == AVMEDIA_TYPE_VIDEO && enc->framerate.num > 0 &&
        enc->framerate.den > 0)
        pkt->duration = av_rescale_q(1, av_inv_q(enc->framerate), enc->time_base);
    av_packet_rescale_ts(pkt, ost.Enc->time_base, ost.Stream->time_base);
    WriteFrame(tr, ost, pkt);
}

void FlushBitstreamFilters(TTranscoder& tr)
{
    PacketPtr pkt(av_packet_alloc());
    if (!pkt) throw FFmpegException(msg::MallocFail);
    for (auto& ost : tr.OutputStreams) {
        TMuxStream& mux = *ost->Mux;
        if (!mux.Filters || ost->FileIndex != mux.FileIndex) continue;
        if (av_bsf_send_packet(mux.Filters.get(), nullptr) < 0) continue;
        DrainFilters(tr, *ost, pkt.get());
    }
}

}  // namespace quorvia::transcode
