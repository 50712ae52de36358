// The filter graph of a re-encoded video output stream:
//   "buffer" (decoded size and format, microsecond time base)
//   -> "crop" (the crop bands, when given)
//   -> "scale" (to the encoder size, when the cropped size differs)
//   -> the user's filter text between the labels "in" and "out"
//   -> "buffersink" restricted to the encoder's pixel format.
#include <string>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include "engine/TextFormat.h"
#include "engine/VideoOutput.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

namespace {

struct InOutFree {
    void operator()(AVFilterInOut* p) const { avfilter_inout_free(&p); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutFree>;

// One end of the user's chain: `name` bound to pad 0 of `filter`.
InOutPtr Endpoint(const char* name, AVFilterContext* filter)
{
    InOutPtr io(avfilter_inout_alloc());
    if (!io) return nullptr;
    io->name = av_strdup(name);
    io->filter_ctx = filter;
    io->pad_idx = 0;
    io->next = nullptr;
    if (!io->name) return nullptr;
    return io;
}

AVFilterContext* MakeSink(AVFilterGraph* graph, AVPixelFormat encoderFormat)
{
    AVFilterContext* sink = avfilter_graph_alloc_filter(graph, avfilter_get_by_name("buffersink"), "out");
    if (!sink) return nullptr;
    const int formats[] = {encoderFormat, AV_PIX_FMT_NONE};
    if (av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0) return nullptr;
    if (avfilter_init_str(sink, nullptr) < 0) return nullptr;
    return sink;
}

// Adds a filter after `last` and makes it the new last one.
bool Append(AVFilterGraph* graph, AVFilterContext*& last, const char* filter, const char* name,
            const std::string& args)
{
    AVFilterContext* ctx = nullptr;
    if (avfilter_graph_create_filter(&ctx, avfilter_get_by_name(filter), name, args.c_str(), nullptr, graph) < 0)
        return false;
    if (avfilter_link(last, 0, ctx, 0) < 0) return false;
    last = ctx;
    return true;
}

}  // namespace

bool BuildVideoFilterGraph(TTranscoder& tr, TOutputStream& ost, int width, int height, int pixFmt,
                           AVRational sampleAspect, int targetWidth, int targetHeight)
{
    FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph) return false;
    const int scaleFlags = tr.Opt.ScaleFlags;
    graph->scale_sws_opts = av_strdup(StrFormat("flags=0x%X", scaleFlags).c_str());

    if (sampleAspect.num <= 0 || sampleAspect.den <= 0) sampleAspect = AVRational{0, 1};
    AVFilterContext* source = nullptr;
    const std::string sourceArgs = StrFormat("video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=%d/%d", width,
                                             height, pixFmt, AV_TIME_BASE, sampleAspect.num, sampleAspect.den);
    if (avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "src", sourceArgs.c_str(), nullptr,
                                     graph.get()) < 0)
        return false;
    AVFilterContext* sink = MakeSink(graph.get(), ost.Enc->pix_fmt);
    if (!sink) return false;

    AVFilterContext* last = source;
    const int croppedWidth = width - (ost.LeftBand + ost.RightBand);
    const int croppedHeight = height - (ost.TopBand + ost.BottomBand);
    if (ost.VideoCrop &&
        !Append(graph.get(), last, "crop", "crop",
                StrFormat("w=%d:h=%d:x=%d:y=%d", croppedWidth, croppedHeight, ost.LeftBand, ost.TopBand)))
        return false;
    if ((croppedWidth != targetWidth || croppedHeight != targetHeight) &&
        !Append(graph.get(), last, "scale", "scale",
                StrFormat("w=%d:h=%d:flags=%d", targetWidth, targetHeight, scaleFlags)))
        return false;

    const std::string& text = tr.Opt.VideoFilters;
    if (!text.empty()) {
        InOutPtr outputs = Endpoint("in", last);
        InOutPtr inputs = Endpoint("out", sink);
        if (!outputs || !inputs) return false;
        AVFilterInOut* in = inputs.release();
        AVFilterInOut* out = outputs.release();
        const int ret = avfilter_graph_parse_ptr(graph.get(), text.c_str(), &in, &out, nullptr);
        avfilter_inout_free(&in);
        avfilter_inout_free(&out);
        if (ret < 0) return false;
    } else if (avfilter_link(last, 0, sink, 0) < 0) {
        return false;
    }
    if (avfilter_graph_config(graph.get(), nullptr) < 0) return false;

    TVideoStreamState& st = VideoStream(ost);
    st.SinkTimeBase = av_buffersink_get_time_base(sink);
    ost.FilterGraph = std::move(graph);
    ost.InputFilter = source;
    ost.OutputFilter = sink;
    return true;
}

bool SetupVideoFilters(TTranscoder& tr, TOutputStream& ost, TInputStream& ist)
{
    const AVCodecParameters* par = ist.Stream->codecpar;
    AVRational aspect = ist.Stream->sample_aspect_ratio.num > 0 ? ist.Stream->sample_aspect_ratio
                                                                : par->sample_aspect_ratio;
    const int targetWidth = ost.Enc->width;
    const int targetHeight = ost.Enc->height;
    if (!BuildVideoFilterGraph(tr, ost, par->width, par->height, par->format, aspect, targetWidth, targetHeight))
        return false;
    TVideoStreamState& st = VideoStream(ost);
    st.FilterInputWidth = targetWidth;
    st.FilterInputHeight = targetHeight;
    // The encoder takes what the graph gives (padding, user scaling, aspect).
    const AVFilterContext* sink = ost.OutputFilter;
    ost.Enc->width = av_buffersink_get_w(sink);
    ost.Enc->height = av_buffersink_get_h(sink);
    const AVRational sinkAspect = av_buffersink_get_sample_aspect_ratio(sink);
    if (sinkAspect.num > 0 && sinkAspect.den > 0) ost.Enc->sample_aspect_ratio = sinkAspect;
    return true;
}

}  // namespace quorvia::transcode
