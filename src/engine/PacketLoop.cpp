// The packet loop: choose the input to read, read, fix the timestamps, hand
// the packet to OutputPacket; join segments; the closing phase.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

extern "C" {
#include <libavutil/time.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/FileErrors.h"
#include "engine/Logger.h"
#include "engine/SetupSteps.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

namespace {

constexpr unsigned kNoPacketWaitMicroseconds = 10000;

int MaxFramesOf(const TTranscoder& tr, const TOutputStream& ost)
{
    switch (ost.Stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO: return tr.Opt.MaxFrames[miVideo];
    case AVMEDIA_TYPE_AUDIO: return tr.Opt.MaxFrames[miAudio];
    case AVMEDIA_TYPE_DATA: return tr.Opt.MaxFrames[miData];
    case AVMEDIA_TYPE_SUBTITLE: return tr.Opt.MaxFrames[miSubtitle];
    default: return INT32_MAX;
    }
}

// Normal mode: the file whose output stream is furthest behind (output time,
// or input time with InputSync); -1 when nothing is left to read or a
// stream reached its frame limit.
int ChooseFile(TTranscoder& tr)
{
    double iptsMin = 1e100;
    double optsMin = 1e100;
    int file = -1;
    for (const auto& ost : tr.OutputStreams) {
        const TInputStream& ist = *tr.InputStreams[ost->SourceIndex];
        const TInputFile& in = tr.InputFiles[ist.FileIndex];
        if (ist.PastRecordingTime || in.NoPacket) continue;
        if (!in.EofReached) {
            const double opts = ost->Mux->OutputSeconds();
            const double ipts = static_cast<double>(ist.Pts);
            if (ipts < iptsMin) {
                iptsMin = ipts;
                if (tr.Opt.InputSync) file = ist.FileIndex;
            }
            if (opts < optsMin) {
                optsMin = opts;
                if (!tr.Opt.InputSync) file = ist.FileIndex;
            }
        }
        if (ost->FrameNumber >= MaxFramesOf(tr, *ost)) {
            file = -1;
            break;
        }
    }
    return file;
}

int ChooseJoinFile(TTranscoder& tr)
{
    const size_t first = static_cast<size_t>(tr.JoinFile) * tr.StreamsPerFile;
    for (size_t n = first; n < first + tr.StreamsPerFile && n < tr.OutputStreams.size(); ++n) {
        const TOutputStream& ost = *tr.OutputStreams[n];
        if (ost.FrameNumber >= MaxFramesOf(tr, ost)) return -1;
    }
    return tr.JoinFile;
}

void ClearNoPacket(TTranscoder& tr)
{
    for (auto& in : tr.InputFiles) in.NoPacket = false;
    tr.NoPacketCount = 0;
}

// Join mode, first packet of a copied stream in a later file: a file may
// start before 0 (audio encoder priming), which would put its first packets
// before the end of the previous file's packets and make the muxer refuse
// them. The file's offset then grows by the overlap, for all its streams.
void KeepJoinContinuous(TTranscoder& tr, TInputFile& in, const TInputStream& ist, AVPacket* pkt)
{
    if (!tr.Join || tr.JoinFile == 0 || ist.NextPts != AV_NOPTS_VALUE || pkt->dts == AV_NOPTS_VALUE) return;
    const AVRational tb = ist.Stream->time_base;
    for (const TOutputStream* ost : tr.Consumers[tr.GlobalIndex(ist)]) {
        const TMuxStream& mux = *ost->Mux;
        if (!ost->StreamCopy || mux.EndPts == AV_NOPTS_VALUE) continue;
        const AVRational otb = mux.Stream->time_base;
        const int64_t out = av_rescale_q(pkt->dts, tb, otb) - av_rescale_q(tr.Opt.StartTime, AV_TIME_BASE_Q, otb);
        if (out >= mux.EndPts) continue;
        const int64_t shift = av_rescale_q_rnd(mux.EndPts - out, otb, AV_TIME_BASE_Q, AV_ROUND_UP);
        in.TsOffset += shift;
        const int64_t delta = av_rescale_q_rnd(shift, AV_TIME_BASE_Q, tb, AV_ROUND_UP);
        pkt->dts += delta;
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += delta;
    }
}

// Steps 6-11 for one read packet; false when decoding failed (no report then).
bool HandlePacket(TTranscoder& tr, int file, AVPacket* pkt)
{
    TInputFile& in = tr.InputFiles[file];
    if (pkt->stream_index < 0 || pkt->stream_index >= in.StreamCount) return true;
    TInputStream& ist = *tr.InputStreams[in.FirstStream + pkt->stream_index];
    if (ist.Discard) return true;
    const AVRational tb = ist.Stream->time_base;

    const int64_t offset = av_rescale_q(in.TsOffset, AV_TIME_BASE_Q, tb);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;

    if (file < MaxFiles && pkt->stream_index < MaxStreamsPerFile) {
        const double scale = tr.Opt.InputTsScale[file][pkt->stream_index];
        if (scale != 0) {
            if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = std::llrint(static_cast<double>(pkt->pts) * scale);
            if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = std::llrint(static_cast<double>(pkt->dts) * scale);
        }
    }

    if (pkt->dts != AV_NOPTS_VALUE && ist.NextPts != AV_NOPTS_VALUE &&
        (in.Context->iformat->flags & AVFMT_TS_DISCONT)) {
        const int64_t pktDts = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
        const int64_t delta = pktDts - ist.NextPts;
        const double threshold = static_cast<double>(tr.Opt.DtsDeltaThreshold) * 1000000.0;
        if ((static_cast<double>(std::llabs(delta)) > threshold || pktDts + 1 < ist.Pts) && !tr.Opt.CopyTimestamps) {
            in.TsOffset -= delta;
            if (tr.Opt.Verbose > 2) {
                FFLogger().LogFmt(&tr.Task, llVerbose, msg::TimestampDiscontinuity, static_cast<long long>(delta),
                                  static_cast<long long>(in.TsOffset));
            }
            const int64_t shift = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
            pkt->dts -= shift;
            if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= shift;
        }
    }

    KeepJoinContinuous(tr, in, ist, pkt);

    if (tr.Opt.RecordingTime != NoRecordingTime) {
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (ts != AV_NOPTS_VALUE &&
            av_compare_ts(ts, tb, tr.Opt.StartTime + tr.Opt.RecordingTime, AV_TIME_BASE_Q) >= 0) {
            ist.PastRecordingTime = true;
            return true;
        }
    }

    if (OutputPacket(tr, ist, pkt) < 0) {
        const char* type = MediaTypeName(ist.Stream->codecpar->codec_type);
        const std::string text = StrFormat(msg::DecodeError, ist.FileIndex, ist.Index, type);
        if (tr.Opt.ExitOnError) throw FFmpegException(text);
        if (tr.Opt.Verbose >= 0) FFLogger().Log(&tr.Task, llVerbose, text);
        return false;
    }
    return true;
}

// The encoder-side audio pipeline of a join segment's output stream goes on
// in the next segment's record: samples still waiting for a full frame and
// the timestamp guard are not lost at the joint.
void CarryAudioPipeline(TOutputStream& from, TOutputStream& to)
{
    to.Fifo = std::move(from.Fifo);
    to.EncodeFrame = std::move(from.EncodeFrame);
    to.AudioState = std::move(from.AudioState);
}

// End of the current join file; true when the loop ends.
//
// The segments share one set of encoders. Draining, closing and re-opening
// them at every joint does not work any more: today's encoders prime themselves on opening
// (AAC encoder delay, H.264 reordering), so a re-opened encoder's first packets
// would fall before the previous segment's last ones. The encoders therefore
// run on across the joints and are drained once, at the end. Only the
// decoders of the finished file are drained here.
bool EndOfJoinFile(TTranscoder& tr)
{
    // The last file's decoders, and through them the encoders, are drained
    // by the closing phase.
    if (tr.JoinFile + 1 >= static_cast<int>(tr.InputFiles.size())) return true;
    const TInputFile& in = tr.InputFiles[tr.JoinFile];
    int64_t inputEnd = 0;
    for (int k = 0; k < in.StreamCount; ++k) {
        TInputStream& ist = *tr.InputStreams[in.FirstStream + k];
        if (ist.Discard) continue;
        if (ist.DecodingNeeded) {
            OutputPacket(tr, ist, nullptr, false);
            avcodec_flush_buffers(ist.Dec);
            ist.Flushed = true;
        }
        if (ist.NextPts != AV_NOPTS_VALUE) inputEnd = std::max(inputEnd, ist.NextPts);
    }
    const size_t spf = static_cast<size_t>(tr.StreamsPerFile);
    const size_t first = static_cast<size_t>(tr.JoinFile) * spf;
    for (size_t n = first + spf; n < tr.OutputStreams.size(); ++n) {
        tr.OutputStreams[n]->SyncOpts = tr.OutputStreams[n - spf]->SyncOpts;
        tr.OutputStreams[n]->FrameNumber = tr.OutputStreams[n - spf]->FrameNumber;
    }
    double maxTime = 0;
    for (size_t n = first; n < first + spf && n < tr.OutputStreams.size(); ++n) {
        TOutputStream& ost = *tr.OutputStreams[n];
        maxTime = std::max(maxTime, ost.Mux->OutputSeconds());
        ost.Active = false;
        if (ost.EncodingNeeded && ost.Enc->codec_type == AVMEDIA_TYPE_AUDIO && n + spf < tr.OutputStreams.size())
            CarryAudioPipeline(ost, *tr.OutputStreams[n + spf]);
    }
    // Encoders hold frames back, so the muxed time can lag the input: the
    // next file starts after whichever ends later.
    const int64_t end = std::max<int64_t>(std::llround(maxTime * 1000000.0), inputEnd);
    tr.InputFiles[tr.JoinFile + 1].TsOffset += end;
    ++tr.JoinFile;
    return false;
}

}  // namespace

void TTranscoder::Loop()
{
    TimerStart = Now();
    LastReportTime = TimerStart;
    JoinFile = 0;
    ClearNoPacket(*this);
    AVPacket* pkt = ReadPacket.get();
    while (!StopRequested()) {
        if (Control.SafePoint) {
            Control.SafePoint();
            if (StopRequested()) break;
        }
        const int file = Join ? ChooseJoinFile(*this) : ChooseFile(*this);
        if (file < 0) {
            if (Join || NoPacketCount == 0) break;
            ClearNoPacket(*this);
            av_usleep(kNoPacketWaitMicroseconds);
            continue;
        }
        if (Opt.FileSizeLimit && OutputFiles[0]->pb && avio_tell(OutputFiles[0]->pb) > Opt.FileSizeLimit) break;

        TInputFile& in = InputFiles[file];
        const int ret = av_read_frame(in.Context, pkt);
        if (ret == AVERROR(EAGAIN)) {
            in.NoPacket = true;
            ++NoPacketCount;
            continue;
        }
        if (ret < 0) {
            in.EofReached = true;
            if (!Join) {
                if (Opt.Shortest) break;
                continue;
            }
            if (EndOfJoinFile(*this)) break;
            continue;
        }
        ClearNoPacket(*this);
        if (Opt.DumpPackets && pkt->stream_index >= 0 &&
            pkt->stream_index < static_cast<int>(in.Context->nb_streams)) {
            av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, pkt, Opt.HexDump ? 1 : 0,
                             in.Context->streams[pkt->stream_index]);
        }
        const bool decoded = HandlePacket(*this, file, pkt);
        av_packet_unref(pkt);
        if (!decoded) continue;
        const int64_t now = Now();
        if (now - LastReportTime > Control.ReportInterval) {
            LastReportTime = now;
            PrintReport(false, file);
        }
    }
}

void TTranscoder::Close()
{
    for (auto& ist : InputStreams) {
        if (ist->DecodingNeeded && !ist->Flushed) OutputPacket(*this, *ist, nullptr);
    }
    FlushBitstreamFilters(*this);
    const size_t files = Join ? std::min<size_t>(1, OutputFiles.size()) : OutputFiles.size();
    for (size_t j = 0; j < files; ++j) {
        // A failing trailer leaves a broken file: never report it as success.
        const int ret = av_write_trailer(OutputFiles[j]);
        if (ret < 0) throw FFmpegException(LibraryErrorText(msg::TrailerFail, ret));
    }
    PrintReport(true, -1);
    CloseCodecs();
    Control.Finished = !StopRequested();
}

}  // namespace quorvia::transcode
