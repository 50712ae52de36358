// Opening the encoders and decoders of a run, always under the process-wide
// codec lock.
#include <cmath>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/SetupSteps.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"

namespace quorvia::transcode {

namespace {

TGenericTemplate TemplateOf(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return gtVideo;
    case AVMEDIA_TYPE_AUDIO: return gtAudio;
    case AVMEDIA_TYPE_SUBTITLE: return gtSubtitle;
    case AVMEDIA_TYPE_ATTACHMENT: return gtAttachment;
    default: return gtData;
    }
}

int EncodeFlags(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return GenericVideoEncode;
    case AVMEDIA_TYPE_AUDIO: return GenericAudioEncode;
    case AVMEDIA_TYPE_SUBTITLE: return GenericSubtitleEncode;
    default: return GenericEncode;
    }
}

int DecodeFlags(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO: return GenericVideoDecode;
    case AVMEDIA_TYPE_AUDIO: return GenericAudioDecode;
    default: return GenericDecode;
    }
}

void AfterEncoderOpened(TTranscoder& tr, transcode::TOutputStream& ost)
{
    AVCodecContext* enc = ost.Enc;
    AVStream* st = ost.Stream;
    if (avcodec_parameters_from_context(st->codecpar, enc) < 0) throw FFmpegException(msg::MallocFail);
    st->time_base = enc->time_base;
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
        const AVRational rate = enc->framerate.num > 0 ? enc->framerate : av_inv_q(enc->time_base);
        st->avg_frame_rate = rate;
        if (enc->sample_aspect_ratio.num > 0) st->sample_aspect_ratio = enc->sample_aspect_ratio;
    }
    tr.ExtraSize += enc->extradata_size;
}

}  // namespace

int OpenCodecLocked(TTranscoder& tr, AVCodecContext* ctx, const AVCodec* codec, TGenericTemplate from, int flags)
{
    // Options of the context's own class were set when the context was
    // configured; only the codec's private options still need the
    // dictionary. "threads" never reaches the codec: see below.
    AVDictionary* all = tr.Task.GenericOptionDictionary(from, flags);
    AVDictionary* opts = nullptr;
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(all, "", e, AV_DICT_IGNORE_SUFFIX))) {
        if (std::strcmp(e->key, "threads") == 0) continue;
        if (av_opt_find(ctx, e->key, nullptr, 0, 0)) continue;
        av_dict_set(&opts, e->key, e->value, 0);
    }
    av_dict_free(&all);
    // Performance decision: every codec context uses all cores (thread_count
    // 0 = automatic), not the single thread of the option default, because
    // users expect conversions as fast as other tools. The "threads" option
    // is still accepted and keeps its message.
    ctx->thread_count = 0;
    int ret;
    {
        std::lock_guard<std::mutex> lock(CodecLock());
        ret = avcodec_open2(ctx, codec, &opts);
    }
    av_dict_free(&opts);
    return ret;
}

void OpenDecoder(TTranscoder& tr, transcode::TInputStream& ist)
{
    if (ist.Dec) return;
    quorvia::TInputStream& inputEntry = tr.Files.Input(ist.FileIndex).Streams.at(ist.Index);
    const AVCodecParameters* par = ist.Stream->codecpar;
    const AVCodec* codec = ist.DecoderByName ? ist.DecoderByName : avcodec_find_decoder(par->codec_id);
    if (!codec || !inputEntry.DecoderContext) {
        DumpMapping(tr);
        RaiseLogged(StrFormat(msg::DecoderNotFound, static_cast<int>(par->codec_id), ist.FileIndex, ist.Index,
                              MediaTypeName(par->codec_type)));
    }
    ist.Dec = inputEntry.DecoderContext.get();
    tr.Decoders.emplace_back(inputEntry.DecoderContext.release());
    if (!ist.Frame) ist.Frame.reset(av_frame_alloc());
    if (!ist.Frame) throw FFmpegException(msg::MallocFail);
    if (OpenCodecLocked(tr, ist.Dec, codec, TemplateOf(par->codec_type), DecodeFlags(par->codec_type)) < 0) {
        DumpMapping(tr);
        RaiseLogged(StrFormat(msg::DecoderOpenFail, ist.FileIndex, ist.Index, MediaTypeName(par->codec_type)));
    }
}

void OpenEncoders(TTranscoder& tr)
{
    for (size_t n = 0; n < tr.OutputStreams.size(); ++n) {
        transcode::TOutputStream& ost = *tr.OutputStreams[n];
        if (!ost.EncodingNeeded) continue;
        if (tr.Join && static_cast<int>(n) >= tr.StreamsPerFile) continue;
        const AVMediaType type = ost.Enc->codec_type;
        const AVCodec* codec = ost.EncoderByName ? ost.EncoderByName : avcodec_find_encoder(ost.Enc->codec_id);
        if (!codec) {
            DumpMapping(tr);
            RaiseLogged(StrFormat(msg::EncoderNotFound, static_cast<int>(ost.Enc->codec_id), ost.FileIndex,
                                  ost.Index, MediaTypeName(type)));
        }
        // The run owns the context from here on, so a failure closes it.
        auto& inputEntry = tr.Files.Output(ost.FileIndex).Streams.at(ost.Index);
        tr.Encoders.emplace_back(inputEntry.CodecContext.release());
        if (tr.Join) ost.JoinCodecId = codec->id;
        if (type == AVMEDIA_TYPE_SUBTITLE) {
            // Text subtitle encoders take the style header of the decoder.
            transcode::TInputStream& ist = *tr.InputStreams[ost.SourceIndex];
            OpenDecoder(tr, ist);
            if (ist.Dec->subtitle_header && !ost.Enc->subtitle_header) {
                ost.Enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(ist.Dec->subtitle_header_size + 1));
                if (!ost.Enc->subtitle_header) throw FFmpegException(msg::MallocFail);
                std::memcpy(ost.Enc->subtitle_header, ist.Dec->subtitle_header, ist.Dec->subtitle_header_size);
                ost.Enc->subtitle_header_size = ist.Dec->subtitle_header_size;
            }
            if (ost.Enc->time_base.num <= 0) ost.Enc->time_base = AV_TIME_BASE_Q;
        }
        if (OpenCodecLocked(tr, ost.Enc, codec, TemplateOf(type), EncodeFlags(type)) < 0) {
            DumpMapping(tr);
            RaiseLogged(StrFormat(msg::EncoderOpenFail, ost.FileIndex, ost.Index, MediaTypeName(type)));
        }
        AfterEncoderOpened(tr, ost);
    }
}

void OpenDecoders(TTranscoder& tr)
{
    for (auto& ist : tr.InputStreams) {
        if (ist->DecodingNeeded) OpenDecoder(tr, *ist);
    }
}

void SetInitialTimestamps(TTranscoder& tr)
{
    for (auto& p : tr.InputStreams) {
        transcode::TInputStream& ist = *p;
        const AVRational rate = ist.Stream->avg_frame_rate;
        const int delay = ist.Dec ? ist.Dec->has_b_frames : ist.Stream->codecpar->video_delay;
        if (rate.num == 0 || rate.den == 0) ist.Pts = 0;
        else ist.Pts = -std::llround(delay * 1000000.0 / av_q2d(rate));
        ist.NextPts = AV_NOPTS_VALUE;
        ist.IsStart = true;
    }
}

}  // namespace quorvia::transcode
