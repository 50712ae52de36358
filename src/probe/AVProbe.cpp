#include "probe/AVProbe.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/parseutils.h>
}

#include "engine/FFmpegException.h"
#include "engine/FileErrors.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/NameConversion.h"
#include "engine/TextFormat.h"
#include "engine/UnicodeIO.h"
#include "probe/CodecName.h"
#include "probe/ProbeMessages.h"
#include "probe/StreamTimes.h"

namespace quorvia {

namespace {

std::string Tag(const AVDictionary* tags, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(tags, key, nullptr, 0);
    return e && e->value ? e->value : "";
}

// Leading number of a tag ("2009-05-01" -> 2009, "3/12" -> 3); 0 when absent.
int TagNumber(const AVDictionary* tags, const char* key)
{
    const std::string value = Tag(tags, key);
    return value.empty() ? 0 : static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

int64_t OrMinusOne(int64_t value)
{
    return value == AV_NOPTS_VALUE ? -1 : value;
}

int64_t ToMicroseconds(int64_t value, AVRational timeBase)
{
    return OrMinusOne(StreamTimeUs(value, timeBase));
}

template <typename Info>
void FillCommon(AVStream* st, Info& info)
{
    info.Language = Tag(st->metadata, "language");
    info.CodecName = StreamCodecName(st->codecpar);
    RepairTimeBase(st);
    info.StartTime = st->start_time;
    info.StartTimeUs = ToMicroseconds(st->start_time, st->time_base);
    info.Duration = st->duration;
    info.DurationUs = ToMicroseconds(st->duration, st->time_base);
    info.BitRate = st->codecpar->bit_rate;
}

}  // namespace

void TCustomAVProbe::CloseInput::operator()(AVFormatContext* c) const
{
    avformat_close_input(&c);
}

TCustomAVProbe::TCustomAVProbe() = default;

TCustomAVProbe::~TCustomAVProbe()
{
    // Format context first, then the file it reads through (member order does the same).
    owned_.reset();
    unicodeIO_.reset();
}

void TCustomAVProbe::CheckLibraries() const
{
    const TFFmpegLoader& loader = FFLoader();
    if (!loader.LibraryLoaded(lkAVCodec)) throw FFmpegException(msg::probe::AVCodecNotLoaded);
    if (!loader.LibraryLoaded(lkAVFormat)) throw FFmpegException(msg::probe::AVFormatNotLoaded);
    if (!loader.LibraryLoaded(lkAVUtil)) throw FFmpegException(msg::probe::AVUtilNotLoaded);
    if (!loader.LibraryLoaded(lkSwScale)) throw FFmpegException(msg::probe::SwScaleNotLoaded);
}

void TCustomAVProbe::Report(bool warning, const std::string& text)
{
    FFLogger().Log(this, warning ? llWarning : llError, text);
    lastErrMsg_ = text;
}

bool TCustomAVProbe::LoadFile(const std::string& FileName, const std::string& FormatName)
{
    CheckLibraries();
    Close();
    const std::string shownName = FromLibraryName(FileName);

    const AVInputFormat* format = nullptr;
    if (!FormatName.empty()) {
        format = av_find_input_format(FormatName.c_str());
        if (!format) {
            lastErrMsg_ = StrFormat(msg::probe::UnknownInputFormat, FormatName.c_str());
            return false;
        }
    }

    std::string libraryName;
    try {
        libraryName = ToLibraryName(FileName);
    } catch (const FFmpegException& e) {
        Report(false, e.what());
        return false;
    }

    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx) {
        Report(false, LibraryErrorText(shownName, AVERROR(ENOMEM)));
        return false;
    }
    ctx->flags |= AVFMT_FLAG_NONBLOCK;
    std::unique_ptr<TUnicodeIO> io;
    if (IsUnicodeName(libraryName)) {
        int error = 0;
        io = OpenUnicodeIO(libraryName, AVIO_FLAG_READ, &error);
        if (!io) {
            avformat_free_context(ctx);
            Report(false, LibraryErrorText(shownName, error));
            return false;
        }
        ctx->pb = io->Context();
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    // On failure the library frees ctx (not our own I/O, which io releases).
    int ret = avformat_open_input(&ctx, libraryName.c_str(), format, nullptr);
    if (ret < 0) {
        Report(false, LibraryErrorText(shownName, ret));
        return false;
    }
    unicodeIO_ = std::move(io);
    owned_.reset(ctx);
    context_ = ctx;

    {
        std::lock_guard<std::mutex> lock(CodecLock());
        ret = avformat_find_stream_info(ctx, nullptr);
    }
    if (ret < 0) {
        lastErrMsg_ = StrFormat(msg::probe::CouldNotFindCodecParameters, shownName.c_str());
        Close();
        return false;
    }
    FillCounts();
    loadedFormatName_ = FormatName;
    DoOpened();
    return true;
}

void TCustomAVProbe::AttachContext(AVFormatContext* context)
{
    CheckLibraries();
    Close();
    context_ = context;
    FillCounts();
    if (context_) DoOpened();
}

void TCustomAVProbe::Close()
{
    if (context_) DoClosing();
    owned_.reset();
    unicodeIO_.reset();
    context_ = nullptr;
    loadedFormatName_.clear();
    FillCounts();
}

void TCustomAVProbe::FillCounts()
{
    fileSize_ = -1;
    streamCount_ = programCount_ = -1;
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
    firstAudioStreamIndex_ = firstVideoStreamIndex_ = firstSubtitleStreamIndex_ = -1;
    if (!context_) return;

    // The reader's size when it knows one, else the file system's.
    int64_t size = context_->pb ? avio_size(context_->pb) : -1;
    if (size <= 0) {
        namespace fs = std::filesystem;
        const fs::path path = FromLibraryName(context_->url ? context_->url : "");
        std::error_code ec;
        if (!path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec)) {
            const auto onDisk = fs::file_size(path, ec);
            size = ec ? -1 : static_cast<int64_t>(onDisk);
        } else if (size < 0) {
            size = -1;
        }
    }
    fileSize_ = size;

    streamCount_ = static_cast<int>(context_->nb_streams);
    programCount_ = static_cast<int>(context_->nb_programs);
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
    for (int i = 0; i < streamCount_; ++i) {
        switch (context_->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            if (videoStreamCount_++ == 0) firstVideoStreamIndex_ = i;
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (audioStreamCount_++ == 0) firstAudioStreamIndex_ = i;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            if (subtitleStreamCount_++ == 0) firstSubtitleStreamIndex_ = i;
            break;
        default:
            break;
        }
    }
}

std::string TCustomAVProbe::FileName() const
{
    return context_ && context_->url ? FromLibraryName(context_->url) : std::string();
}

std::string TCustomAVProbe::FormatName() const
{
    return context_ && context_->iformat ? context_->iformat->name : "";
}

bool TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info)
{
    info = {};
    if (!context_) {
        Report(true, msg::probe::FileNotLoaded);
        return false;
    }
    const AVDictionary* tags = context_->metadata;
    info.StartTime = OrMinusOne(context_->start_time);
    info.Duration = OrMinusOne(context_->duration);
    info.BitRate = context_->bit_rate;
    // The file-level time stamp, year and track of old are tags now.
    info.Timestamp = 0;
    const std::string created = Tag(tags, "creation_time");
    int64_t createdUs = 0;
    if (!created.empty() && av_parse_time(&createdUs, created.c_str(), 0) >= 0)
        info.Timestamp = createdUs / AV_TIME_BASE;
    info.Year = TagNumber(tags, Tag(tags, "year").empty() ? "date" : "year");
    info.Track = TagNumber(tags, "track");
    info.Title = Tag(tags, "title");
    // Demuxers now name the author "artist".
    info.Author = Tag(tags, "author");
    if (info.Author.empty()) info.Author = Tag(tags, "artist");
    info.Copyright = Tag(tags, "copyright");
    info.Comment = Tag(tags, "comment");
    info.Album = Tag(tags, "album");
    info.Genre = Tag(tags, "genre");
    return true;
}

AVStream* TCustomAVProbe::StreamFor(int index, bool audio)
{
    if (!context_) {
        Report(true, msg::probe::FileNotLoaded);
        return nullptr;
    }
    if (index < 0) {
        index = audio ? firstAudioStreamIndex_ : firstVideoStreamIndex_;
        if (index < 0) {
            Report(false, audio ? msg::probe::NoAudioStream : msg::probe::NoVideoStream);
            return nullptr;
        }
    }
    if (index >= streamCount_) {
        Report(false, StrFormat(msg::probe::StreamIndexInvalid, index));
        return nullptr;
    }
    AVStream* st = context_->streams[index];
    if (st->codecpar->codec_type != (audio ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO)) {
        Report(false, StrFormat(audio ? msg::probe::NotAudioStream : msg::probe::NotVideoStream, index));
        return nullptr;
    }
    return st;
}

bool TCustomAVProbe::GetAudioStreamInfo(int index, TAudioStreamInfo& info)
{
    info = {};
    AVStream* st = StreamFor(index, true);
    if (!st) return false;
    FillCommon(st, info);
    info.Channels = st->codecpar->ch_layout.nb_channels;
    info.SampleRate = st->codecpar->sample_rate;
    info.SampleFormat = st->codecpar->format;
    return true;
}

bool TCustomAVProbe::GetVideoStreamInfo(int index, TVideoStreamInfo& info)
{
    info = {};
    AVStream* st = StreamFor(index, false);
    if (!st) return false;
    FillCommon(st, info);
    const AVCodecParameters* par = st->codecpar;
    info.Height = par->height;
    info.Width = par->width;
    // The container's sample aspect ratio wins over the bitstream's, so a
    // file whose container sets the display shape reports that shape.
    const AVRational sar = av_guess_sample_aspect_ratio(context_, st, nullptr);
    info.AspectRatio = (sar.num == 0 || par->height <= 0)
                           ? 0.0f
                           : static_cast<float>(av_q2d(sar) * par->width / par->height);
    info.PixelFormat = par->format;
    info.FrameRateNum = st->r_frame_rate.num;
    info.FrameRateDen = st->r_frame_rate.den;
    return true;
}

bool TCustomAVProbe::IsAudioStream(int index)
{
    if (!context_) {
        Report(true, msg::probe::FileNotLoaded);
        return false;
    }
    if (index < 0 || index >= streamCount_) {
        Report(false, StrFormat(msg::probe::StreamIndexInvalid, index));
        return false;
    }
    return context_->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
}

bool TCustomAVProbe::IsVideoStream(int index)
{
    if (!context_) {
        Report(true, msg::probe::FileNotLoaded);
        return false;
    }
    if (index < 0 || index >= streamCount_) {
        Report(false, StrFormat(msg::probe::StreamIndexInvalid, index));
        return false;
    }
    return context_->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
}

TAVProbe::~TAVProbe() = default;

void TAVProbe::DoOpened()
{
    const int video = FirstVideoStreamIndex();
    defaultStreamIndex_ = video >= 0 ? video : FirstAudioStreamIndex();
    defaultStartTime_ = 0;
    const AVFormatContext* ctx = FormatContext();
    if (defaultStreamIndex_ >= 0) {
        const AVStream* st = ctx->streams[defaultStreamIndex_];
        if (st->start_time != AV_NOPTS_VALUE && st->time_base.num && st->time_base.den) {
            defaultStartTime_ = StreamTimeUs(st->start_time, st->time_base);
            return;
        }
    }
    if (ctx->start_time != AV_NOPTS_VALUE) defaultStartTime_ = ctx->start_time;
}

void TAVProbe::DoClosing()
{
    defaultStreamIndex_ = -1;
    defaultStartTime_ = 0;
}

}  // namespace quorvia
