// Opening an input file of a task: demux enough to know the streams, position
// the file at StartTime and copy the streams' parameters back into the
// option state, so the output created next inherits them.
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/pixdesc.h>
}

#include "engine/CodecCheck.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/FileErrors.h"
#include "engine/FileMessages.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/NameConversion.h"
#include "engine/TaskFiles.h"
#include "engine/TextFormat.h"
#include "engine/UnicodeIO.h"

namespace quorvia {

namespace {

struct DictionaryDeleter { void operator()(AVDictionary* p) const { av_dict_free(&p); } };
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryDeleter>;

void SetEntry(DictionaryPtr& dict, const char* key, const std::string& value)
{
    AVDictionary* raw = dict.release();
    av_dict_set(&raw, key, value.c_str(), 0);
    dict.reset(raw);
}

// The demuxer settings of the option state. The installed libraries take
// them as private demuxer options (raw audio and video, image sequences,
// capture devices); a demuxer without such an option leaves the entry unused.
DictionaryPtr DemuxerOptions(const TCustomFFmpeg& task, const TOptionState& s)
{
    DictionaryPtr dict(task.GenericOptionDictionary(gtFormat, GenericInputFormat));
    SetEntry(dict, "sample_rate", std::to_string(s.AudioSampleRate));
    SetEntry(dict, "channels", std::to_string(s.AudioChannels));
    if (s.FrameRate.num > 0 && s.FrameRate.den > 0)
        SetEntry(dict, "framerate", StrFormat("%d/%d", s.FrameRate.num, s.FrameRate.den));
    if (s.FrameWidth > 0 && s.FrameHeight > 0)
        SetEntry(dict, "video_size", StrFormat("%dx%d", s.FrameWidth, s.FrameHeight));
    if (const char* pixFmt = s.FramePixFmt >= 0 ? av_get_pix_fmt_name(static_cast<AVPixelFormat>(s.FramePixFmt))
                                                : nullptr)
        SetEntry(dict, "pixel_format", pixFmt);
    if (s.VideoChannel != 0) SetEntry(dict, "channel", std::to_string(s.VideoChannel));
    if (s.VideoStandard) SetEntry(dict, "standard", *s.VideoStandard);
    // The libraries' own input loop is gone; demuxers of image sequences
    // still loop on request.
    if (s.LoopInput) SetEntry(dict, "loop", "1");
    return dict;
}

int TemplateStrictness(const TOptionState& s, TGenericTemplate which)
{
    const AVCodecContext* t = s.Templates.Codec[which].get();
    return t ? t->strict_std_compliance : FF_COMPLIANCE_NORMAL;
}

// Steps 7: only the streams of the chosen program stay.
bool SelectProgram(AVFormatContext* ctx, int programId)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) ctx->streams[i]->discard = AVDISCARD_ALL;
    bool found = false;
    for (unsigned p = 0; p < ctx->nb_programs; ++p) {
        AVProgram* program = ctx->programs[p];
        if (program->id != programId) {
            program->discard = AVDISCARD_ALL;
            continue;
        }
        found = true;
        program->discard = AVDISCARD_DEFAULT;
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
            ctx->streams[program->stream_index[k]]->discard = AVDISCARD_DEFAULT;
    }
    return found;
}

double AspectOf(AVRational q) { return q.den ? static_cast<double>(q.num) / q.den : 0.0; }

struct TForcedDecoders {
    TCodecChoice Video, Audio, Subtitle;
};

}  // namespace

bool TCustomFFmpeg::OpenInput(const std::string& fileName)
{
    TOptionState& s = State;
    const std::string shownName = FromLibraryName(fileName);

    // Step 1: forced demuxer.
    const AVInputFormat* forcedFormat = nullptr;
    if (!s.PendingFormat.empty()) {
        const std::string name = s.PendingFormat;
        s.PendingFormat.clear();
        forcedFormat = av_find_input_format(name.c_str());
        if (!forcedFormat) throw FFmpegException(StrFormat(msg::UnknownInputFormatQuoted, name.c_str()));
    }
    const std::string libraryName = ToLibraryName(fileName);

    // Whatever way this ends, the codec names and the channel are consumed.
    struct ConsumeNames {
        TOptionState& s;
        ~ConsumeNames()
        {
            s.VideoCodecName.reset();
            s.AudioCodecName.reset();
            s.SubtitleCodecName.reset();
            s.VideoChannel = 0;
        }
    } consume{s};

    if (Files.InputCount() >= MaxFiles) {
        s.LastError = StrFormat(msg::TooManyInputFiles, MaxFiles);
        return false;
    }

    // Step 2. The context reads through io, so io is released after it.
    std::unique_ptr<TUnicodeIO> io;
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) throw FFmpegException(msg::FormatContextAllocFailed);
    InputContextPtr ctx(raw);

    // Step 3.
    DictionaryPtr options = DemuxerOptions(*this, s);

    // Step 4: forced decoders; the first failure ends the opening.
    TForcedDecoders forced;
    if (!CheckCodec(s.VideoCodecName, AVMEDIA_TYPE_VIDEO, false, TemplateStrictness(s, gtVideo), forced.Video,
                    s.LastError, this) ||
        !CheckCodec(s.AudioCodecName, AVMEDIA_TYPE_AUDIO, false, TemplateStrictness(s, gtAudio), forced.Audio,
                    s.LastError, this) ||
        !CheckCodec(s.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false, TemplateStrictness(s, gtSubtitle),
                    forced.Subtitle, s.LastError, this))
        return false;
    ctx->video_codec_id = forced.Video.Id;
    ctx->video_codec = forced.Video.Codec;
    ctx->audio_codec_id = forced.Audio.Id;
    ctx->audio_codec = forced.Audio.Codec;
    ctx->subtitle_codec_id = forced.Subtitle.Id;
    ctx->subtitle_codec = forced.Subtitle.Codec;

    // Step 5.
    ctx->flags |= AVFMT_FLAG_NONBLOCK;
    if (s.PgmYuvFormat) ctx->video_codec_id = AV_CODEC_ID_PGMYUV;

    // Step 6.
    if (IsUnicodeName(libraryName)) {
        int error = 0;
        io = OpenUnicodeIO(libraryName, AVIO_FLAG_READ, &error);
        if (!io) {
            s.LastError = LibraryErrorText(shownName, error);
            return false;
        }
        ctx->pb = io->Context();
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    {
        AVDictionary* dict = options.release();
        raw = ctx.release();
        // On failure the library frees the context (not our own I/O).
        const int ret = avformat_open_input(&raw, io ? shownName.c_str() : libraryName.c_str(), forcedFormat, &dict);
        options.reset(dict);
        if (ret < 0) {
            s.LastError = LibraryErrorText(shownName, ret);
            return false;
        }
        ctx.reset(raw);
    }

    // Step 7.
    if (s.ProgramID != 0) {
        if (!SelectProgram(ctx.get(), s.ProgramID)) {
            s.LastError = msg::ProgramIdNotFound;
            return false;
        }
        s.ProgramID = 0;
    }

    // Step 9 (step 8, the input loop, went into the demuxer options).
    int ret;
    {
        std::lock_guard<std::mutex> lock(CodecLock());
        ret = avformat_find_stream_info(ctx.get(), nullptr);
    }
    if (ret < 0 && s.Verbose >= 0) {
        s.LastError = StrFormat(msg::CouldNotFindCodecParameters, shownName.c_str());
        FFLogger().Log(this, llVerbose, s.LastError);
        return false;
    }

    // Step 10.
    int64_t position = s.StartTime;
    if (ctx->start_time != AV_NOPTS_VALUE) position += ctx->start_time;
    if (s.StartTime != 0) {
        if (av_seek_frame(ctx.get(), -1, position, AVSEEK_FLAG_BACKWARD) < 0 && s.Verbose > 0)
            FFLogger().LogFmt(this, llVerbose, msg::CouldNotSeek, shownName.c_str(),
                              static_cast<double>(position) / AV_TIME_BASE);
        s.StartTime = 0;
    }

    // Step 11.
    const int fileIndex = Files.InputCount();
    auto file = std::make_unique<TInputFile>(fileName);
    std::vector<TInputStream> streams;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        const AVCodecParameters* par = st->codecpar;
        TInputStream entry;
        entry.FileIndex = fileIndex;
        entry.Index = static_cast<int>(i);
        entry.Stream = st;
        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO: entry.Decoder = forced.Video.Codec; break;
        case AVMEDIA_TYPE_AUDIO: entry.Decoder = forced.Audio.Codec; break;
        case AVMEDIA_TYPE_SUBTITLE: entry.Decoder = forced.Subtitle.Codec; break;
        case AVMEDIA_TYPE_DATA:
        case AVMEDIA_TYPE_ATTACHMENT:
        case AVMEDIA_TYPE_UNKNOWN: break;
        default: throw FFmpegException(msg::InvalidCodecTypeInput);
        }
        const AVCodec* decoder = entry.Decoder ? entry.Decoder : avcodec_find_decoder(par->codec_id);
        entry.DecoderContext.reset(avcodec_alloc_context3(decoder));
        AVCodecContext* dec = entry.DecoderContext.get();
        if (!dec || avcodec_parameters_to_context(dec, par) < 0)
            throw FFmpegException(msg::DecoderContextAllocFailed);
        dec->pkt_timebase = st->time_base;
        dec->thread_count = s.ThreadCount;

        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            ApplyGenericOptions(dec, gtVideo, GenericVideoDecode);
            s.FrameHeight = dec->height;
            s.FrameWidth = dec->width;
            double aspect = AspectOf(st->sample_aspect_ratio.num ? st->sample_aspect_ratio : dec->sample_aspect_ratio);
            if (dec->width * dec->height != 0)
                aspect = aspect != 0 ? dec->width * aspect / dec->height
                                     : static_cast<double>(dec->width) / dec->height;
            else if (aspect == 0)
                aspect = 4.0 / 3.0;
            s.FrameAspectRatio = static_cast<float>(aspect);
            if (dec->pix_fmt == AV_PIX_FMT_NONE) dec->pix_fmt = AV_PIX_FMT_YUV420P;
            s.FramePixFmt = dec->pix_fmt;
            // The decoder scales its pictures down itself; there is no edge
            // emulation flag to set any more.
            if (dec->lowres > 0) {
                s.FrameWidth >>= dec->lowres;
                s.FrameHeight >>= dec->lowres;
            }
            // The motion-vector debug output is gone; exported motion vectors
            // are the nearest thing.
            if (s.MeThreshold != 0) {
                dec->export_side_data |= AV_CODEC_EXPORT_DATA_MVS;
                FFLogger().Log(this, llWarning, msg::MeThresholdUnsupported);
            }
            // The decoder's own frame rate is no longer public; the stream's
            // average rate is what the demuxer measured from the codec.
            const AVRational codecRate = st->avg_frame_rate;
            const AVRational rate = st->r_frame_rate;
            if (codecRate.num > 0 && codecRate.den > 0 && s.Verbose >= 0 &&
                (codecRate.num != rate.num || codecRate.den != rate.den))
                FFLogger().LogFmt(this, llInfo, msg::FrameRateDiffers, static_cast<int>(i),
                                  AspectOf(codecRate), codecRate.num, codecRate.den, AspectOf(rate), rate.num,
                                  rate.den);
            s.FrameRate = rate;
            if (s.VideoDisable)
                st->discard = AVDISCARD_ALL;
            else if (s.VideoDiscard != 0)
                st->discard = static_cast<AVDiscard>(s.VideoDiscard);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            ApplyGenericOptions(dec, gtAudio, GenericAudioDecode);
            s.AudioChannelLayout = dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE
                                       ? static_cast<int64_t>(dec->ch_layout.u.mask)
                                       : 0;
            s.AudioChannels = dec->ch_layout.nb_channels;
            s.AudioSampleRate = dec->sample_rate;
            s.AudioSampleFmt = dec->sample_fmt;
            if (s.AudioDisable) st->discard = AVDISCARD_ALL;
        } else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            if (s.SubtitleDisable) st->discard = AVDISCARD_ALL;
        }
        streams.push_back(std::move(entry));
    }

    // Step 12.
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > s.TotalDuration) s.TotalDuration = ctx->duration;

    // Step 13.
    file->FileTsOffset = s.CopyTimestamps ? s.InputTsOffset : s.InputTsOffset - position;
    file->LoopInput = s.LoopInput;

    // Step 14.
    if (s.Verbose >= 0) av_dump_format(ctx.get(), fileIndex, ctx->url, 0);

    // Step 15 (the names and the channel are released by `consume`).
    file->Adopt(std::move(ctx), std::move(io));
    file->Streams = std::move(streams);
    Files.AddInput(std::move(file));
    return true;
}

}  // namespace quorvia
