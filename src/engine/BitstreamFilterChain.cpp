#include "engine/BitstreamFilterChain.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include "engine/FFmpegException.h"
#include "engine/FileMessages.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

struct BsfListDeleter { void operator()(AVBSFList* p) const { av_bsf_list_free(&p); } };

[[noreturn]] void Fail(const std::string& filter, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    throw FFmpegException(filter + ": " + text);
}

BsfContextPtr MakeFilter(const TBitstreamFilterSpec& wanted)
{
    const AVBitStreamFilter* filter = av_bsf_get_by_name(wanted.Name.c_str());
    if (!filter) throw FFmpegException(StrFormat(msg::UnknownBitstreamFilterName, wanted.Name.c_str()));
    AVBSFContext* raw = nullptr;
    if (const int ret = av_bsf_alloc(filter, &raw); ret < 0) Fail(wanted.Name, ret);
    BsfContextPtr ctx(raw);
    if (!wanted.Args.empty() && filter->priv_class) {
        const AVOption* first = filter->priv_class->option;
        const char* shorthand[] = {first && first->name ? first->name : nullptr, nullptr};
        if (const int ret = av_opt_set_from_string(ctx->priv_data, wanted.Args.c_str(), shorthand, "=", ":");
            ret < 0)
            Fail(wanted.Name, ret);
    }
    return ctx;
}

}  // namespace

BsfContextPtr OpenBitstreamFilterChain(const std::vector<TBitstreamFilterSpec>& chain,
                                       const AVCodecParameters* in, AVRational timeBase)
{
    if (chain.empty()) return nullptr;
    BsfContextPtr ctx;
    if (chain.size() == 1) {
        ctx = MakeFilter(chain.front());
    } else {
        std::unique_ptr<AVBSFList, BsfListDeleter> list(av_bsf_list_alloc());
        if (!list) Fail(chain.front().Name, AVERROR(ENOMEM));
        for (const TBitstreamFilterSpec& wanted : chain) {
            BsfContextPtr one = MakeFilter(wanted);
            if (const int ret = av_bsf_list_append(list.get(), one.get()); ret < 0) Fail(wanted.Name, ret);
            one.release();  // owned by the list now
        }
        AVBSFList* raw = list.release();
        AVBSFContext* joined = nullptr;
        if (const int ret = av_bsf_list_finalize(&raw, &joined); ret < 0) {
            av_bsf_list_free(&raw);
            Fail(chain.front().Name, ret);
        }
        ctx.reset(joined);
    }
    if (const int ret = avcodec_parameters_copy(ctx->par_in, in); ret < 0) Fail(chain.front().Name, ret);
    ctx->time_base_in = timeBase;
    if (const int ret = av_bsf_init(ctx.get()); ret < 0) Fail(chain.front().Name, ret);
    return ctx;
}

}  // namespace quorvia
