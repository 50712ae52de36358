// Creating an output file of a task: its muxer, one video, audio and subtitle
// stream as far as wanted and possible, each with an encoder context
// configured from the option state, the file opened for writing and the
// muxer settings. Nothing is encoded here; the transcode set-up opens the
// encoders.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include "engine/CodecCheck.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/FileErrors.h"
#include "engine/FileMessages.h"
#include "engine/Logger.h"
#include "engine/NameConversion.h"
#include "engine/OptionMessages.h"
#include "engine/TaskFiles.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

struct TEncoderChoice {
    AVCodecID Id = AV_CODEC_ID_NONE;
    const AVCodec* ByName = nullptr;
    const AVCodec* Encoder = nullptr;
};

int TemplateStrictness(const TOptionState& s, TGenericTemplate which)
{
    const AVCodecContext* t = s.Templates.Codec[which].get();
    return t ? t->strict_std_compliance : FF_COMPLIANCE_NORMAL;
}

// By name through CheckCodec (which must succeed), else guessed from the
// format and the file name.
TEncoderChoice ChooseEncoder(TOptionState& s, const std::optional<std::string>& name, AVMediaType type,
                             TGenericTemplate which, const AVFormatContext* oc, const void* sender)
{
    TEncoderChoice choice;
    if (name && !name->empty()) {
        TCodecChoice found;
        if (!CheckCodec(name, type, true, TemplateStrictness(s, which), found, s.LastError, sender))
            throw FFmpegException(s.LastError);
        choice.Id = found.Id;
        choice.ByName = choice.Encoder = found.Codec;
        return choice;
    }
    choice.Id = av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, type);
    if (choice.Id != AV_CODEC_ID_NONE) choice.Encoder = avcodec_find_encoder(choice.Id);
    return choice;
}

// Adds the stream to the file with its id, an encoder context for the chosen
// encoder and the kind's bitstream filter chain (moved out of the state).
TOutputStream NewStream(TOutputFile& file, AVMediaType type, const TEncoderChoice& choice, bool copy,
                        std::vector<TBitstreamFilterSpec>& filters, const TOptionState& s)
{
    AVFormatContext* oc = file.Context();
    if (oc->nb_streams >= static_cast<unsigned>(MaxStreamsPerFile))
        throw FFmpegException(StrFormat(msg::TooManyOutputStreams, MaxStreamsPerFile));
    AVStream* st = avformat_new_stream(oc, nullptr);
    if (!st) throw FFmpegException(msg::CouldNotAllocStream);
    st->id = s.StreamIdMap[st->index];

    TOutputStream entry;
    entry.Index = st->index;
    entry.Stream = st;
    entry.MediaType = type;
    entry.StreamCopy = copy;
    if (!copy) {
        entry.EncoderByName = choice.ByName;
        entry.Encoder = choice.Encoder;
    }
    entry.CodecContext.reset(avcodec_alloc_context3(entry.Encoder));
    if (!entry.CodecContext) throw FFmpegException(msg::EncoderContextAllocFailed);
    entry.CodecContext->codec_type = type;
    entry.CodecContext->codec_id = copy ? AV_CODEC_ID_NONE : choice.Id;
    st->codecpar->codec_type = type;
    entry.BitstreamFilters = std::move(filters);
    filters.clear();
    return entry;
}

// The stream shows what was configured until the set-up replaces it with the
// opened encoder's parameters.
void Publish(TOutputStream& entry)
{
    AVCodecContext* ctx = entry.CodecContext.get();
    if (!entry.StreamCopy) avcodec_parameters_from_context(entry.Stream->codecpar, ctx);
    if (ctx->time_base.num > 0 && ctx->time_base.den > 0) entry.Stream->time_base = ctx->time_base;
}

void SetLanguage(AVStream* st, std::string& language)
{
    if (language.empty()) return;
    av_dict_set(&st->metadata, "language", language.c_str(), 0);
    language.clear();
}

AVRational SampleAspect(const TOptionState& s)
{
    const double aspect = s.FrameAspectRatio;
    if (s.FrameWidth == 0 || s.FrameHeight == 0) return av_d2q(aspect * 3 / 4, 255);
    return av_d2q(aspect * s.FrameHeight / s.FrameWidth, 255);
}

uint16_t* CopyMatrix(const TQuantMatrix& matrix)
{
    auto* copy = static_cast<uint16_t*>(av_malloc(sizeof(uint16_t) * matrix.size()));
    if (!copy) throw FFmpegException(msg::EncoderContextAllocFailed);
    std::copy(matrix.begin(), matrix.end(), copy);
    return copy;
}

// A decimal integer with optional sign at p; nullptr when there is no digit.
const char* ReadInt(const char* p, int& value)
{
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p) return nullptr;
    value = static_cast<int>(v);
    return end;
}

// "start,end,q" entries separated by "/". q > 0 is a fixed quantiser, else
// -q/100 scales the quality.
std::vector<RcOverride> ParseRcOverride(const std::string& text)
{
    std::vector<RcOverride> result;
    if (text.empty()) return result;
    const char* p = text.c_str();
    while (p) {
        int start = 0, end = 0, q = 0;
        p = ReadInt(p, start);
        if (!p || !*p) throw FFmpegException(msg::ErrorParsingRcOverride);
        p = ReadInt(p + 1, end);
        if (!p || !*p) throw FFmpegException(msg::ErrorParsingRcOverride);
        p = ReadInt(p + 1, q);
        if (!p) throw FFmpegException(msg::ErrorParsingRcOverride);
        RcOverride entry{};
        entry.start_frame = start;
        entry.end_frame = end;
        if (q > 0) {
            entry.qscale = q;
            entry.quality_factor = 1.0f;
        } else {
            entry.qscale = 0;
            entry.quality_factor = -q / 100.0f;
        }
        result.push_back(entry);
        p = std::strchr(p, '/');
        if (p) ++p;
    }
    return result;
}

void SetRcOverride(AVCodecContext* ctx, const std::string& text)
{
    const std::vector<RcOverride> entries = ParseRcOverride(text);
    if (entries.empty()) return;
    auto* table = static_cast<RcOverride*>(av_malloc_array(entries.size(), sizeof(RcOverride)));
    if (!table) throw FFmpegException(msg::EncoderContextAllocFailed);
    std::copy(entries.begin(), entries.end(), table);
    av_freep(&ctx->rc_override);
    ctx->rc_override = table;
    ctx->rc_override_count = static_cast<int>(entries.size());
}

// Audio formats whose default video codec only serves a cover picture
// (MP3, FLAC, AIFF): a source's video does not make them want a video stream.
bool CoverPictureOnly(const AVOutputFormat* f)
{
    return f->video_codec == AV_CODEC_ID_PNG && f->audio_codec != AV_CODEC_ID_NONE;
}

std::string IsoTime(int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[40] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    return text;
}

}  // namespace

// ---- streams ----

void TCustomFFmpeg::new_video_stream(TOutputFile& file)
{
    TOptionState& s = State;
    AVFormatContext* oc = file.Context();
    const bool copy = s.VideoStreamCopy;
    TEncoderChoice choice;
    if (!copy) choice = ChooseEncoder(s, s.VideoCodecName, AVMEDIA_TYPE_VIDEO, gtVideo, oc, this);

    TOutputStream entry = NewStream(file, AVMEDIA_TYPE_VIDEO, choice, copy, s.VideoBitstreamFilters, s);
    AVStream* st = entry.Stream;
    AVCodecContext* ctx = entry.CodecContext.get();
    ctx->thread_count = s.ThreadCount;
    if (s.VideoCodecTag) ctx->codec_tag = s.VideoCodecTag;

    AVCodecContext* tmpl = s.Templates.Codec[gtVideo].get();
    if ((s.VideoGlobalHeader & 1) || (s.VideoGlobalHeader == 0 && (oc->oformat->flags & AVFMT_GLOBALHEADER))) {
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (tmpl) tmpl->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (s.VideoGlobalHeader & 2) {
        ctx->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
        if (tmpl) tmpl->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    }

    if (copy) {
        ctx->sample_aspect_ratio = st->sample_aspect_ratio = SampleAspect(s);
    } else {
        AVRational rate = s.FrameRate.num > 0 && s.FrameRate.den > 0 ? s.FrameRate : AVRational{25, 1};
        ApplyGenericOptions(ctx, gtVideo, GenericVideoEncode);
        const AVCodec* enc = entry.Encoder;
        if (enc && enc->supported_framerates && !s.ForceFps)
            rate = enc->supported_framerates[av_find_nearest_q_idx(rate, enc->supported_framerates)];
        ctx->time_base = AVRational{rate.den, rate.num};
        ctx->framerate = rate;
        ctx->width = s.FrameWidth;
        ctx->height = s.FrameHeight;
        ctx->sample_aspect_ratio = st->sample_aspect_ratio = SampleAspect(s);
        ctx->pix_fmt = static_cast<AVPixelFormat>(ChoosePixelFormat(enc, s.FramePixFmt, ctx->strict_std_compliance));
        if (s.IntraOnly) ctx->gop_size = 0;
        if (s.VideoQScale != 0 || s.SameQuality) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = static_cast<int>(FF_QP2LAMBDA * s.VideoQScale);
        }
        if (s.IntraMatrix) ctx->intra_matrix = CopyMatrix(*s.IntraMatrix);
        if (s.InterMatrix) ctx->inter_matrix = CopyMatrix(*s.InterMatrix);
        if (s.VideoRcOverride) SetRcOverride(ctx, *s.VideoRcOverride);
        if (ctx->rc_initial_buffer_occupancy == 0)
            ctx->rc_initial_buffer_occupancy = ctx->rc_buffer_size * 3 / 4;
        if (s.MeThreshold != 0) FFLogger().Log(this, llWarning, msg::MeThresholdIgnored);
        ctx->intra_dc_precision = s.IntraDcPrecision - 8;
        if (s.PSNR) ctx->flags |= AV_CODEC_FLAG_PSNR;
        if (s.PassNumber == 1) ctx->flags |= AV_CODEC_FLAG_PASS1;
        if (s.PassNumber == 2) ctx->flags |= AV_CODEC_FLAG_PASS2;
    }

    Publish(entry);
    SetLanguage(st, s.VideoLanguage);
    file.Streams.push_back(std::move(entry));
    s.VideoDisable = false;
    s.VideoCodecName.reset();
    s.VideoStreamCopy = false;
    s.FramePixFmt = -1;
}

void TCustomFFmpeg::new_audio_stream(TOutputFile& file)
{
    TOptionState& s = State;
    AVFormatContext* oc = file.Context();
    const bool copy = s.AudioStreamCopy;
    TEncoderChoice choice;
    if (!copy) choice = ChooseEncoder(s, s.AudioCodecName, AVMEDIA_TYPE_AUDIO, gtAudio, oc, this);

    TOutputStream entry = NewStream(file, AVMEDIA_TYPE_AUDIO, choice, copy, s.AudioBitstreamFilters, s);
    AVCodecContext* ctx = entry.CodecContext.get();
    ctx->thread_count = s.ThreadCount;
    if (s.AudioCodecTag) ctx->codec_tag = s.AudioCodecTag;
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) {
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (AVCodecContext* tmpl = s.Templates.Codec[gtAudio].get()) tmpl->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }

    if (copy) {
        av_channel_layout_uninit(&ctx->ch_layout);
        av_channel_layout_default(&ctx->ch_layout, s.AudioChannels);
        ctx->sample_rate = s.AudioSampleRate;
        ctx->time_base = AVRational{1, s.AudioSampleRate};
    } else {
        ApplyGenericOptions(ctx, gtAudio, GenericAudioEncode);
        if (s.AudioQScale > -99999) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = static_cast<int>(FF_QP2LAMBDA * s.AudioQScale);
        }
        // A layout whose channel count differs from AudioChannels is dropped
        // for the usual layout of that many channels.
        av_channel_layout_uninit(&ctx->ch_layout);
        const uint64_t mask = static_cast<uint64_t>(s.AudioChannelLayout);
        if (mask != 0 && std::popcount(mask) == s.AudioChannels)
            av_channel_layout_from_mask(&ctx->ch_layout, mask);
        else
            av_channel_layout_default(&ctx->ch_layout, s.AudioChannels);
        ctx->sample_fmt = static_cast<AVSampleFormat>(ChooseSampleFormat(entry.Encoder, s.AudioSampleFmt));
        ctx->sample_rate = ChooseSampleRate(entry.Encoder, s.AudioSampleRate, this);
        // The encoder's time base follows the rate it was really given.
        ctx->time_base = AVRational{1, ctx->sample_rate > 0 ? ctx->sample_rate : s.AudioSampleRate};
    }

    Publish(entry);
    SetLanguage(entry.Stream, s.AudioLanguage);
    file.Streams.push_back(std::move(entry));
    s.AudioDisable = false;
    s.AudioCodecName.reset();
    s.AudioStreamCopy = false;
}

void TCustomFFmpeg::new_subtitle_stream(TOutputFile& file)
{
    TOptionState& s = State;
    AVFormatContext* oc = file.Context();
    const bool copy = s.SubtitleStreamCopy;
    TEncoderChoice choice;
    // Without a name the format's subtitle codec is used, as for the other
    // kinds; a stream without any codec could never be written.
    if (!copy) choice = ChooseEncoder(s, s.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, gtSubtitle, oc, this);

    TOutputStream entry = NewStream(file, AVMEDIA_TYPE_SUBTITLE, choice, copy, s.SubtitleBitstreamFilters, s);
    AVCodecContext* ctx = entry.CodecContext.get();
    if (s.SubtitleCodecTag) ctx->codec_tag = s.SubtitleCodecTag;
    if (!copy) ApplyGenericOptions(ctx, gtSubtitle, GenericSubtitleEncode);

    Publish(entry);
    SetLanguage(entry.Stream, s.SubtitleLanguage);
    file.Streams.push_back(std::move(entry));
    s.SubtitleDisable = false;
    s.SubtitleCodecName.reset();
    s.SubtitleStreamCopy = false;
}

// The count is virtual: a subclass may report files that are not kept in
// Files (test doubles); there is then no file here to add the stream to.
void TCustomFFmpeg::NewVideoStream()
{
    if (OutputFileCount() == 0) throw FFmpegException(msg::NoOutputFile);
    if (Files.OutputCount() > 0) new_video_stream(Files.Output(Files.OutputCount() - 1));
}

void TCustomFFmpeg::NewAudioStream()
{
    if (OutputFileCount() == 0) throw FFmpegException(msg::NoOutputFile);
    if (Files.OutputCount() > 0) new_audio_stream(Files.Output(Files.OutputCount() - 1));
}

void TCustomFFmpeg::NewSubtitleStream()
{
    if (OutputFileCount() == 0) throw FFmpegException(msg::NoOutputFile);
    if (Files.OutputCount() > 0) new_subtitle_stream(Files.Output(Files.OutputCount() - 1));
}

// ---- the file ----

int TCustomFFmpeg::OpenOutput(const std::string& fileName, bool join)
{
    TOptionState& s = State;

    // Step 1.
    if (Files.Join) {
        s.LastError = msg::CannotJoinMore;
        return -1;
    }
    if (Files.OutputCount() >= MaxFiles) {
        s.LastError = StrFormat(msg::TooManyOutputFiles, MaxFiles);
        return -1;
    }
    // Writing would destroy the source before it is read.
    if (const int input = Files.FindInputFile(fileName); input >= 0)
        throw FFmpegException(StrFormat(msg::OutputIsInput, fileName.c_str(), input));

    // Step 2.
    Files.UseFilters = !s.VideoFilters.empty();

    // Steps 3-5.
    const std::string libraryName = ToLibraryName(fileName);
    const AVOutputFormat* format = nullptr;
    if (!s.PendingFormat.empty()) {
        const std::string name = s.PendingFormat;
        s.PendingFormat.clear();
        format = av_guess_format(name.c_str(), nullptr, nullptr);
        if (!format) {
            s.LastError = StrFormat(msg::NotSuitableOutputFormat, name.c_str());
            return -1;
        }
    } else {
        format = av_guess_format(nullptr, FromLibraryName(libraryName).c_str(), nullptr);
        if (!format) {
            s.LastError = StrFormat(msg::NoSuitableOutputFormat, fileName.c_str());
            return -1;
        }
    }
    auto file = std::make_unique<TOutputFile>(fileName, libraryName, format);
    AVFormatContext* oc = file->Context();

    // Step 6 (reading the stream layout from a streaming server) has no
    // counterpart: the installed libraries have no "ffm" format.

    // Step 7.
    bool video = s.VideoStreamCopy || (format->video_codec != AV_CODEC_ID_NONE && !CoverPictureOnly(format)) ||
                 (s.VideoCodecName && !s.VideoCodecName->empty());
    bool audio = s.AudioStreamCopy || format->audio_codec != AV_CODEC_ID_NONE ||
                 (s.AudioCodecName && !s.AudioCodecName->empty());
    bool subtitle = s.SubtitleStreamCopy || format->subtitle_codec != AV_CODEC_ID_NONE ||
                    (s.SubtitleCodecName && !s.SubtitleCodecName->empty());

    // Step 8.
    if (Files.InputCount() > 0) {
        bool hasVideo = false, hasAudio = false, hasSubtitle = false;
        const int inputs = join ? 1 : Files.InputCount();
        for (int i = 0; i < inputs; ++i) {
            for (const TInputStream& in : Files.Input(i).Streams) {
                const int type = in.Stream->codecpar->codec_type;
                if (type < AVMEDIA_TYPE_UNKNOWN || type > AVMEDIA_TYPE_ATTACHMENT) {
                    s.LastError = StrFormat(msg::CheckInputsFailed, msg::InvalidCodecTypeOfInputFile);
                    return -1;
                }
                hasVideo |= type == AVMEDIA_TYPE_VIDEO;
                hasAudio |= type == AVMEDIA_TYPE_AUDIO;
                hasSubtitle |= type == AVMEDIA_TYPE_SUBTITLE;
            }
        }
        video &= hasVideo;
        audio &= hasAudio;
        subtitle &= hasSubtitle;
    }

    // Step 9.
    if (s.AudioDisable) audio = false;
    if (s.VideoDisable) video = false;
    if (s.SubtitleDisable) subtitle = false;

    // Step 10.
    const struct {
        bool Wanted;
        void (TCustomFFmpeg::*Create)(TOutputFile&);
        const char* Failure;
    } kinds[] = {
        {video, &TCustomFFmpeg::new_video_stream, msg::NewVideoStreamFailed},
        {audio, &TCustomFFmpeg::new_audio_stream, msg::NewAudioStreamFailed},
        {subtitle, &TCustomFFmpeg::new_subtitle_stream, msg::NewSubtitleStreamFailed},
    };
    for (const auto& kind : kinds) {
        if (!kind.Wanted) continue;
        try {
            (this->*kind.Create)(*file);
        } catch (const FFmpegException& e) {
            s.LastError = StrFormat(kind.Failure, e.what());
            return -1;
        }
    }

    // Step 11. The context has no time stamp field any more; the muxers
    // write the "creation_time" tag instead.
    if (s.RecordTimestamp != 0) av_dict_set(&oc->metadata, "creation_time", IsoTime(s.RecordTimestamp).c_str(), 0);
    for (auto it = s.Metadata.rbegin(); it != s.Metadata.rend(); ++it)
        av_dict_set(&oc->metadata, it->first.c_str(), it->second.c_str(), 0);
    s.Metadata.clear();

    // Step 13.
    if ((format->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(oc->url)) {
        s.LastError = LibraryErrorText(FromLibraryName(fileName), AVERROR(EDOM));
        return -1;
    }

    // Step 14.
    if (const int ret = file->OpenForWriting(); ret < 0) {
        s.LastError = LibraryErrorText(FromLibraryName(fileName), ret);
        return -1;
    }

    // Step 16 (step 15, the muxer parameter record, is gone). Preload and
    // output loop are private options of the muxers that have them.
    av_opt_set_int(oc, "preload", static_cast<int64_t>(s.MuxPreload * 1000000), AV_OPT_SEARCH_CHILDREN);
    oc->max_delay = static_cast<int>(s.MuxMaxDelay * 1000000);
    av_opt_set_int(oc, "loop", s.LoopOutput, AV_OPT_SEARCH_CHILDREN);
    oc->flags |= AVFMT_FLAG_NONBLOCK;
    ApplyGenericOptions(oc, gtFormat, GenericOutputFormat);

    // Step 17.
    s.StreamIdMap.fill(0);

    // Steps 12 and 18.
    const int slot = Files.AddOutput(std::move(file)) - 1;
    if (join && Files.InputCount() > 1) {
        Files.Join = true;
        int64_t total = 0;
        for (int i = 0; i < Files.InputCount(); ++i) {
            const int64_t duration = Files.Input(i).Context()->duration;
            if (duration != AV_NOPTS_VALUE) total += duration;
        }
        s.TotalDuration = total != 0 ? total : -1;
        for (int i = 1; i < Files.InputCount(); ++i) Files.AddOutputSlot(slot);
    }
    return Files.OutputCount();
}

}  // namespace quorvia
