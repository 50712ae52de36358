// The prober's description text: file lines, tags, programs, stream lines.
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "engine/TextFormat.h"
#include "probe/AVProbe.h"
#include "probe/InfoFormat.h"
#include "probe/ProbeMessages.h"
#include "probe/StreamTimes.h"

namespace quorvia {

namespace {

using Lines = std::vector<std::string>;

std::string TagOr(const AVDictionary* tags, const char* key, const char* fallback)
{
    const AVDictionaryEntry* e = av_dict_get(tags, key, nullptr, 0);
    return e && e->value ? e->value : fallback;
}

// "Metadata:" and one line per tag, leaving out "language"; nothing when
// there are no other tags.
void AppendTags(Lines& lines, const AVDictionary* tags, const std::string& prefix)
{
    const int count = av_dict_count(tags);
    if (count == 0) return;
    if (count == 1 && av_dict_get(tags, "language", nullptr, 0)) return;
    lines.push_back(StrFormat(msg::probe::InfoMetadata, prefix.c_str()));
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(tags, "", e, AV_DICT_IGNORE_SUFFIX))) {
        if (std::string(e->key) == "language") continue;
        lines.push_back(StrFormat(msg::probe::InfoTag, prefix.c_str(), TagDisplayName(e->key).c_str(), e->value));
    }
}

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};

void AppendRate(std::string& line, AVRational rate, const char* unit)
{
    if (rate.num && rate.den) line += FormatRate(av_q2d(rate), unit);
}

std::string StreamLine(const AVFormatContext* ctx, int index)
{
    const AVStream* st = ctx->streams[index];
    const AVCodecParameters* par = st->codecpar;
    std::string line = StrFormat(msg::probe::StreamIndex, index);
    if (ctx->iformat && (ctx->iformat->flags & AVFMT_SHOW_IDS)) line += StrFormat(msg::probe::StreamId, st->id);
    if (const AVDictionaryEntry* lang = av_dict_get(st->metadata, "language", nullptr, 0))
        line += StrFormat(msg::probe::StreamLanguage, lang->value);
    int64_t g = av_gcd(st->time_base.num, st->time_base.den);
    if (g == 0) g = 1;
    line += StrFormat(msg::probe::StreamTimeBase, static_cast<int>(st->time_base.num / g),
                      static_cast<int>(st->time_base.den / g));

    // The library describes the codec from a context built from the stream's parameters.
    std::unique_ptr<AVCodecContext, CodecContextFree> avctx(avcodec_alloc_context3(nullptr));
    char description[256] = "";
    if (avctx && avcodec_parameters_to_context(avctx.get(), par) >= 0)
        avcodec_string(description, sizeof description, avctx.get(), 0);
    line += StrFormat(msg::probe::StreamCodec, description);

    if (st->sample_aspect_ratio.num && av_cmp_q(st->sample_aspect_ratio, par->sample_aspect_ratio)) {
        int darNum = 0, darDen = 0;
        av_reduce(&darNum, &darDen, static_cast<int64_t>(par->width) * st->sample_aspect_ratio.num,
                  static_cast<int64_t>(par->height) * st->sample_aspect_ratio.den, 1024 * 1024);
        line += StrFormat(msg::probe::StreamAspect, st->sample_aspect_ratio.num, st->sample_aspect_ratio.den, darNum, darDen);
    }
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        AppendRate(line, st->avg_frame_rate, "fps");
        AppendRate(line, st->r_frame_rate, "tbr");
        AppendRate(line, av_inv_q(st->time_base), "tbn");
        // The codec time base is no longer public: a context built from the
        // stream's parameters leaves it unset (0/1), so "tbc" is left out, as
        // the libraries' own dump now does.
        if (avctx) AppendRate(line, av_inv_q(avctx->time_base), "tbc");
    }
    if (st->start_time != AV_NOPTS_VALUE)
        line += StrFormat(msg::probe::StreamStartTime,
                          FormatSeconds(StreamTimeUs(st->start_time, st->time_base)).c_str());
    line += StrFormat(msg::probe::StreamDuration, FormatDuration(StreamTimeUs(st->duration, st->time_base)).c_str());
    return line;
}

void AppendStream(Lines& lines, const AVFormatContext* ctx, int index)
{
    lines.push_back(StreamLine(ctx, index));
    AppendTags(lines, ctx->streams[index]->metadata, "  ");
}

}  // namespace

std::string TCustomAVProbe::GetInfoText()
{
    TFileStreamInfo file;
    if (!GetFileStreamInfo(file)) return {};  // reported "file not loaded."
    AVFormatContext* ctx = context_;
    // Rescaling below needs usable stream time bases.
    for (unsigned i = 0; i < ctx->nb_streams; ++i) RepairTimeBase(ctx->streams[i]);

    Lines lines;
    lines.push_back(StrFormat(msg::probe::InfoFileName, FileName().c_str()));
    lines.push_back(StrFormat(msg::probe::InfoFormatName, FormatName().c_str()));
    const char* longName = ctx->iformat && ctx->iformat->long_name ? ctx->iformat->long_name : "";
    lines.push_back(StrFormat(msg::probe::InfoFormatLongName, longName));
    lines.push_back(StrFormat(msg::probe::InfoFileSize, FormatFileSize(fileSize_).c_str()));
    lines.push_back(StrFormat(msg::probe::InfoDuration, FormatDuration(file.Duration).c_str()));
    if (file.StartTime >= 0) lines.push_back(StrFormat(msg::probe::InfoStartTime, FormatSeconds(file.StartTime).c_str()));
    if (file.BitRate < 1) lines.push_back(msg::probe::InfoBitRateNA);
    else lines.push_back(StrFormat(msg::probe::InfoBitRate, static_cast<long long>(file.BitRate / 1000)));
    if (file.Timestamp > 0) lines.push_back(StrFormat(msg::probe::InfoTimeStamp, FormatTimeStamp(file.Timestamp).c_str()));
    AppendTags(lines, ctx->metadata, "");

    std::vector<bool> printed(ctx->nb_streams, false);
    for (unsigned p = 0; p < ctx->nb_programs; ++p) {
        const AVProgram* program = ctx->programs[p];
        const std::string names = TagOr(program->metadata, "provider_name", msg::probe::NotAvailable) + "@" +
                                  TagOr(program->metadata, "name", msg::probe::NotAvailable);
        lines.push_back(StrFormat(msg::probe::InfoProgram, program->id, names.c_str()));
        AppendTags(lines, program->metadata, "  ");
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
            const unsigned index = program->stream_index[k];
            if (index >= ctx->nb_streams) continue;
            AppendStream(lines, ctx, static_cast<int>(index));
            printed[index] = true;
        }
    }
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (!printed[i]) AppendStream(lines, ctx, static_cast<int>(i));

    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += msg::probe::LineSeparator;
        text += lines[i];
    }
    return text;
}

}  // namespace quorvia
