// Pre-processing of each decoded video frame, before any output stream sees
// it: deinterlacing through a "yadif" filter step, then the hooks on a
// writable working picture.
//
// yadif needs the next frame to deinterlace the current one, so it hands
// each frame on one decoded frame later: the first decoded frame is held
// back (DoVideoOut skips it), every later call gives the previous frame with
// its own time (ist.Pts follows it), and the end of the stream gives the last
// one (FlushVideoPreprocess). HookFrameCount counts the frames that leave the
// pre-processing, so a hook's frame number and time always match its picture.
#include <cstdint>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"
#include "engine/VideoHooks.h"
#include "engine/VideoMessages.h"
#include "engine/VideoOutput.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

namespace {

enum class TDeinterlaceResult { Done, Held, Failed };

bool BuildDeinterlacer(TDeinterlacer& d, const AVFrame* frame)
{
    d = TDeinterlacer{};
    d.Width = frame->width;
    d.Height = frame->height;
    d.Format = frame->format;
    FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph) return false;
    AVRational aspect = frame->sample_aspect_ratio;
    if (aspect.num <= 0 || aspect.den <= 0) aspect = AVRational{0, 1};
    const std::string args = StrFormat("video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=%d/%d", frame->width,
                                       frame->height, frame->format, AV_TIME_BASE, aspect.num, aspect.den);
    AVFilterContext* source = nullptr;
    AVFilterContext* yadif = nullptr;
    AVFilterContext* sink = nullptr;
    if (avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "src", args.c_str(), nullptr,
                                     graph.get()) < 0 ||
        avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "deinterlace",
                                     "mode=send_frame:parity=auto:deint=all", nullptr, graph.get()) < 0 ||
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     graph.get()) < 0)
        return false;
    if (avfilter_link(source, 0, yadif, 0) < 0 || avfilter_link(yadif, 0, sink, 0) < 0) return false;
    if (avfilter_graph_config(graph.get(), nullptr) < 0) return false;
    d.Graph = std::move(graph);
    d.Source = source;
    d.Sink = sink;
    return true;
}

void TakeTime(TInputStream& ist, const TDeinterlacer& d, const AVFrame* frame)
{
    if (frame->pts != AV_NOPTS_VALUE)
        ist.Pts = av_rescale_q(frame->pts, av_buffersink_get_time_base(d.Sink), AV_TIME_BASE_Q);
}

// Replaces `frame` by the deinterlaced previous frame, or holds it back.
TDeinterlaceResult Deinterlace(TVideoInputState& in, TInputStream& ist, AVFrame* frame)
{
    TDeinterlacer& d = in.Deinterlace;
    const bool sameGeometry = d.Width == frame->width && d.Height == frame->height && d.Format == frame->format;
    if (!sameGeometry || (!d.Graph && !d.Broken) || d.Flushed) {
        if (!BuildDeinterlacer(d, frame)) {
            d.Graph.reset();
            d.Broken = true;
        }
    }
    if (!d.Graph) return TDeinterlaceResult::Failed;
    if (!in.Work) in.Work.reset(av_frame_alloc());
    AVFrame* work = in.Work.get();
    if (!work || av_frame_ref(work, frame) < 0) return TDeinterlaceResult::Failed;
    work->pts = ist.Pts;
    const int pushed = av_buffersrc_add_frame_flags(d.Source, work, 0);
    av_frame_unref(work);
    if (pushed < 0) return TDeinterlaceResult::Failed;
    const int ret = av_buffersink_get_frame(d.Sink, work);
    if (ret == AVERROR(EAGAIN)) return TDeinterlaceResult::Held;
    if (ret < 0) return TDeinterlaceResult::Failed;
    av_frame_unref(frame);
    av_frame_move_ref(frame, work);
    TakeTime(ist, d, frame);
    return TDeinterlaceResult::Done;
}

bool HooksWanted(TTranscoder& tr)
{
    const TVideoPathState& path = VideoPath(tr);
    if (path.HooksEnded) return false;
    if (tr.Control.OnHook) return true;
    if (!tr.Opt.VideoHooksUsed) return false;
    const auto* registry = dynamic_cast<const TVideoHookRegistry*>(&tr.Task.VideoHookRegistry());
    return registry && !registry->Empty();
}

// HookFrameCount and the hooks for a frame that leaves the deinterlacing step.
void ProcessPicture(TTranscoder& tr, TInputStream& ist, TVideoInputState& in, AVFrame* frame)
{
    ++tr.HookFrameCount;
    if (HooksWanted(tr)) RunFrameHooks(tr, ist, in, frame);
}

}  // namespace

void TVideoPathStateDeleter::operator()(TVideoPathState* p) const { delete p; }

TVideoPathState& VideoPath(TTranscoder& tr)
{
    if (!tr.VideoPath) tr.VideoPath.reset(new TVideoPathState);
    return *tr.VideoPath;
}

TVideoInputState& TVideoPathState::Input(const TTranscoder& tr, const TInputStream& ist)
{
    return Inputs[tr.GlobalIndex(ist)];
}

void PreprocessVideoFrame(TTranscoder& tr, TInputStream& ist, AVFrame* frame)
{
    TVideoInputState& in = VideoPath(tr).Input(tr, ist);
    in.HeldBack = false;
    if (tr.Opt.Deinterlace) {
        switch (Deinterlace(in, ist, frame)) {
        case TDeinterlaceResult::Held:
            in.HeldBack = true;
            return;
        case TDeinterlaceResult::Failed:
            FFLogger().Log(&tr.Task, llError, msg::DeinterlaceFail);
            break;
        case TDeinterlaceResult::Done:
            break;
        }
    }
    ProcessPicture(tr, ist, in, frame);
}

void FlushVideoPreprocess(TTranscoder& tr, TInputStream& ist)
{
    TVideoInputState& in = VideoPath(tr).Input(tr, ist);
    TDeinterlacer& d = in.Deinterlace;
    if (!d.Graph || d.Flushed) return;
    d.Flushed = true;
    in.HeldBack = false;
    if (av_buffersrc_add_frame_flags(d.Source, nullptr, 0) < 0) return;
    if (!in.Last) in.Last.reset(av_frame_alloc());
    AVFrame* last = in.Last.get();
    if (!last) return;
    while (av_buffersink_get_frame(d.Sink, last) >= 0) {
        TakeTime(ist, d, last);
        ProcessPicture(tr, ist, in, last);
        if (tr.Opt.StartTime == 0 || ist.Pts >= tr.Opt.StartTime) {
            for (TOutputStream* ost : tr.Consumers[tr.GlobalIndex(ist)]) {
                if (ost->EncodingNeeded && ost->Enc && ost->Enc->codec_type == AVMEDIA_TYPE_VIDEO)
                    DoVideoOut(tr, *ost, ist, last);
            }
        }
        av_frame_unref(last);
    }
}

}  // namespace quorvia::transcode
