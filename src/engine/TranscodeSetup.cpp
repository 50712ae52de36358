// Transcode set-up: stream tables, choice of the source of every output
// stream, stream copy versus re-encoding, two-pass logs; then (other files)
// codecs, metadata, chapters and headers.
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include "engine/AudioOutput.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/SetupSteps.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"
#include "engine/VideoOutput.h"

namespace quorvia::transcode {

namespace {

AVMediaType TypeOf(const AVStream* st) { return st->codecpar->codec_type; }

// The older libraries chose the default source by the number of frames seen
// while probing (codec_info_nb_frames), which is no longer public. The
// nearest public measure: the container's frame count when it has one, else
// the frame count implied by the stream (or file) duration and the stream's
// frame rate (video) or frame size (audio). Ties keep the earlier stream.
int64_t ProbedFrameMeasure(const AVFormatContext* ic, const AVStream* st)
{
    if (st->nb_frames > 0) return st->nb_frames;
    double seconds = 0;
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        seconds = static_cast<double>(st->duration) * av_q2d(st->time_base);
    } else if (ic->duration != AV_NOPTS_VALUE && ic->duration > 0) {
        seconds = static_cast<double>(ic->duration) / AV_TIME_BASE;
    }
    const AVCodecParameters* par = st->codecpar;
    double rate = 0;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0) rate = av_q2d(st->avg_frame_rate);
        else if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0) rate = av_q2d(st->r_frame_rate);
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
        if (par->sample_rate > 0) rate = par->frame_size > 0 ? double(par->sample_rate) / par->frame_size
                                                             : double(par->sample_rate) / 1024.0;
    } else {
        rate = 1;
    }
    return static_cast<int64_t>(seconds * rate);
}

bool InProgram(const AVFormatContext* ic, int programId, int streamIndex)
{
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
        const AVProgram* prog = ic->programs[p];
        if (prog->id != programId) continue;
        for (unsigned k = 0; k < prog->nb_stream_indexes; ++k) {
            if (static_cast<int>(prog->stream_index[k]) == streamIndex) return true;
        }
    }
    return false;
}

[[noreturn]] void RaiseWithDump(TTranscoder& tr, int slot, const std::string& text)
{
    DumpOutputFile(tr, slot);
    throw FFmpegException(text);
}

bool PreviewFlagsSet(TTranscoder& tr)
{
    std::lock_guard<std::mutex> lock(tr.Control.PreviewLock);
    return tr.Control.PreviewFlags != 0;
}

// Stream copy of one output stream from ist: parameters, tag, time base hint.
void SetupStreamCopy(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, bool firstSegment)
{
    const AVCodecParameters* in = ist.Stream->codecpar;
    AVStream* st = ost.Stream;
    if (static_cast<int64_t>(in->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE > INT_MAX)
        throw FFmpegException(msg::ExtradataTooLarge);

    switch (in->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        if (tr.Control.OnHook) throw FFmpegException(msg::CopyAndCustomHook);
        if (tr.Opt.VideoHooksUsed) throw FFmpegException(msg::CopyAndVhook);
        if (PreviewFlagsSet(tr)) throw FFmpegException(msg::CopyAndPostHooks);
        break;
    case AVMEDIA_TYPE_AUDIO:
        if (tr.Opt.AudioVolume != 256) throw FFmpegException(msg::CopyAndVolume);
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        break;
    default:
        throw FFmpegException(msg::InvalidOutputCodecType);
    }
    // Join segments share the output stream: its parameters come from the
    // first segment's source.
    if (!firstSegment) return;

    const uint32_t outputTag = st->codecpar->codec_tag;
    const AVRational sar = st->sample_aspect_ratio;
    if (avcodec_parameters_copy(st->codecpar, in) < 0) throw FFmpegException(msg::MallocFail);
    uint32_t tag = outputTag;
    if (!tag) {
        const AVCodecTag* const* table = ost.File->oformat->codec_tag;
        if (!table || av_codec_get_id(table, in->codec_tag) == in->codec_id ||
            av_codec_get_tag(table, in->codec_id) <= 0)
            tag = in->codec_tag;
    }
    st->codecpar->codec_tag = tag;
    // Keep a forced aspect ratio ("aspect") of the output stream.
    if (in->codec_type == AVMEDIA_TYPE_VIDEO && sar.num > 0) {
        st->sample_aspect_ratio = sar;
        st->codecpar->sample_aspect_ratio = sar;
    } else if (in->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->sample_aspect_ratio = ist.Stream->sample_aspect_ratio;
    }
    if (in->codec_type == AVMEDIA_TYPE_AUDIO) {
        if (in->block_align == 1 && in->codec_id == AV_CODEC_ID_MP3) st->codecpar->block_align = 0;
        if (in->codec_id == AV_CODEC_ID_AC3) st->codecpar->block_align = 0;
    }
    // The muxer chooses its own time base; the input's is the hint.
    st->time_base = ist.Stream->time_base;
    st->avg_frame_rate = ist.Stream->avg_frame_rate;
    st->r_frame_rate = ist.Stream->r_frame_rate;
}

std::string PassLogName(const TTranscoder& tr, int globalIndex)
{
    const std::string prefix = tr.Opt.PassLogFile.empty() ? "ffmpeg2pass" : tr.Opt.PassLogFile;
    std::string name = prefix + "-" + std::to_string(globalIndex) + ".log";
    if (name.size() > 1023) name.resize(1023);
    return name;
}

void SetupTwoPass(TTranscoder& tr, TOutputStream& ost, int globalIndex)
{
    AVCodecContext* enc = ost.Enc;
    const bool pass1 = enc->flags & AV_CODEC_FLAG_PASS1;
    const bool pass2 = enc->flags & AV_CODEC_FLAG_PASS2;
    if (!pass1 && !pass2) return;
    const std::string name = PassLogName(tr, globalIndex);
    // libx264 keeps its own statistics file; it is told the name instead.
    if (enc->codec && std::strcmp(enc->codec->name, "libx264") == 0) {
        if (enc->priv_data) av_opt_set(enc->priv_data, "stats", name.c_str(), 0);
        return;
    }
    if (pass1) {
        ost.LogFile.reset(std::fopen(name.c_str(), "wb"));
        if (!ost.LogFile) throw FFmpegException(StrFormat(msg::CannotWriteLog, name.c_str()));
        return;
    }
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) throw FFmpegException(StrFormat(msg::LogReadFail, name.c_str()));
    CFilePtr file(f);
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    if (std::ferror(f)) throw FFmpegException(StrFormat(msg::LogReadFail, name.c_str()));
    av_freep(&enc->stats_in);
    enc->stats_in = av_strdup(text.c_str());
    if (!enc->stats_in) throw FFmpegException(StrFormat(msg::LogAllocFail, name.c_str()));
}

}  // namespace

void BuildInputTables(TTranscoder& tr)
{
    const int count = tr.Files.InputCount();
    for (int i = 0; i < count; ++i) {
        quorvia::TInputFile& in = tr.Files.Input(i);
        transcode::TInputFile file;
        file.Context = in.Context();
        file.FirstStream = static_cast<int32_t>(tr.InputStreams.size());
        file.StreamCount = static_cast<int32_t>(file.Context->nb_streams);
        file.TsOffset = in.FileTsOffset;
        tr.InputFiles.push_back(file);
        for (int k = 0; k < file.StreamCount; ++k) {
            auto ist = std::make_unique<transcode::TInputStream>();
            ist->FileIndex = i;
            ist->Index = k;
            ist->Stream = file.Context->streams[k];
            if (k < static_cast<int>(in.Streams.size())) ist->DecoderByName = in.Streams[k].Decoder;
            ist->Discard = true;
            if (tr.Opt.RateEmulation) ist->WallStart = tr.Now();
            tr.InputStreams.push_back(std::move(ist));
        }
    }
}

void BuildOutputTable(TTranscoder& tr)
{
    const int slots = tr.Files.OutputCount();
    tr.Join = tr.Files.Join;
    int total = 0;
    for (int j = 0; j < slots; ++j) {
        const TOutputFile& out = tr.Files.Output(j);
        if (out.Streams.empty() || out.Context()->nb_streams == 0) {
            DumpOutputFile(tr, j);
            throw FFmpegException(StrFormat(msg::NoOutputStream, j));
        }
        if (j == 0) tr.StreamsPerFile = static_cast<int>(out.Streams.size());
        total += static_cast<int>(out.Streams.size());
    }
    const auto& maps = tr.Opt.StreamMaps;
    if (!maps.empty() && static_cast<int>(maps.size()) != total) throw FFmpegException(msg::MapCountMismatch);
    const int inputs = static_cast<int>(tr.InputFiles.size());
    for (const TStreamMap& m : maps) {
        if (m.FileIndex < 0 || m.FileIndex >= inputs || m.StreamIndex < 0 ||
            m.StreamIndex >= tr.InputFiles[m.FileIndex].StreamCount)
            throw FFmpegException(StrFormat(msg::MapNoInputStream, m.FileIndex, m.StreamIndex));
        if (m.SyncFileIndex < 0 || m.SyncFileIndex >= inputs || m.SyncStreamIndex < 0 ||
            m.SyncStreamIndex >= tr.InputFiles[m.SyncFileIndex].StreamCount)
            throw FFmpegException(StrFormat(msg::MapNoSyncStream, m.SyncFileIndex, m.SyncStreamIndex));
    }

    // One mux record per stream of every distinct output file; join slots
    // repeat the streams of the one file.
    std::vector<std::pair<const TOutputFile*, size_t>> firstMux;  // file -> index of its first mux record
    for (int j = 0; j < slots; ++j) {
        TOutputFile& out = tr.Files.Output(j);
        tr.OutputFiles.push_back(out.Context());
        size_t base = tr.MuxStreams.size();
        bool known = false;
        for (const auto& [file, index] : firstMux) {
            if (file == &out) {
                base = index;
                known = true;
            }
        }
        if (!known) {
            firstMux.emplace_back(&out, base);
            for (size_t k = 0; k < out.Streams.size(); ++k) {
                auto mux = std::make_unique<TMuxStream>();
                mux->FileIndex = j;
                mux->File = out.Context();
                mux->Stream = out.Streams[k].Stream;
                tr.MuxStreams.push_back(std::move(mux));
            }
        }
        for (size_t k = 0; k < out.Streams.size(); ++k) {
            auto ost = std::make_unique<transcode::TOutputStream>();
            const quorvia::TOutputStream& configured = out.Streams[k];
            ost->FileIndex = j;
            ost->Index = static_cast<int32_t>(k);
            ost->Mux = tr.MuxStreams[base + k].get();
            ost->File = ost->Mux->File;
            ost->Stream = configured.Stream;
            ost->StreamCopy = configured.StreamCopy;
            ost->Enc = configured.StreamCopy ? nullptr : configured.CodecContext.get();
            ost->EncoderByName = configured.EncoderByName;
            ost->Packet.reset(av_packet_alloc());
            if (!ost->Packet) throw FFmpegException(msg::MallocFail);
            tr.OutputStreams.push_back(std::move(ost));
        }
    }
}

void ChooseSources(TTranscoder& tr)
{
    const auto& maps = tr.Opt.StreamMaps;
    auto& inputs = tr.InputStreams;
    for (size_t n = 0; n < tr.OutputStreams.size(); ++n) {
        transcode::TOutputStream& ost = *tr.OutputStreams[n];
        const AVMediaType type = TypeOf(ost.Stream);
        int source = -1;
        int sync = -1;
        if (!maps.empty()) {
            const TStreamMap& m = maps[n];
            source = tr.InputFiles[m.FileIndex].FirstStream + m.StreamIndex;
            sync = tr.InputFiles[m.SyncFileIndex].FirstStream + m.SyncStreamIndex;
            const AVMediaType inType = TypeOf(inputs[source]->Stream);
            if (inType != type) {
                RaiseWithDump(tr, ost.FileIndex,
                              StrFormat(msg::CodecTypeMismatch, m.FileIndex, m.StreamIndex,
                                        MediaTypeName(inType), ost.FileIndex, ost.Index, MediaTypeName(type)));
            }
        } else {
            int64_t best = -1;
            for (size_t i = 0; i < inputs.size(); ++i) {
                const transcode::TInputStream& ist = *inputs[i];
                const AVFormatContext* ic = tr.InputFiles[ist.FileIndex].Context;
                if (!ist.Discard || ist.Stream->discard == AVDISCARD_ALL || TypeOf(ist.Stream) != type) continue;
                if (tr.Join && ist.FileIndex != ost.FileIndex) continue;
                if (tr.Opt.ProgramID && !InProgram(ic, tr.Opt.ProgramID, ist.Index)) continue;
                const int64_t measure = ProbedFrameMeasure(ic, ist.Stream);
                if (measure > best) {
                    best = measure;
                    source = static_cast<int>(i);
                }
            }
            if (source < 0 && !tr.Opt.ProgramID && !tr.Join) {
                for (size_t i = 0; i < inputs.size(); ++i) {
                    const transcode::TInputStream& ist = *inputs[i];
                    if (TypeOf(ist.Stream) == type && ist.Stream->discard != AVDISCARD_ALL)
                        source = static_cast<int>(i);
                }
            }
            if (source < 0) {
                RaiseWithDump(tr, ost.FileIndex,
                              StrFormat(msg::NoMatchingInput, ost.FileIndex, ost.Index, MediaTypeName(type)));
            }
            sync = source;
        }
        ost.SourceIndex = source;
        inputs[source]->Discard = false;
        ost.SyncIst = inputs[sync].get();
        ost.Active = true;
    }
    tr.Consumers.assign(inputs.size(), {});
    for (auto& ost : tr.OutputStreams) tr.Consumers[ost->SourceIndex].push_back(ost.get());
}

void SetupStreamCodecs(TTranscoder& tr)
{
    for (size_t n = 0; n < tr.OutputStreams.size(); ++n) {
        transcode::TOutputStream& ost = *tr.OutputStreams[n];
        transcode::TInputStream& ist = *tr.InputStreams[ost.SourceIndex];
        const bool firstSegment = !tr.Join || static_cast<int>(n) < tr.StreamsPerFile;
        const AVCodecParameters* in = ist.Stream->codecpar;

        if (firstSegment) {
            av_dict_copy(&ost.Stream->metadata, ist.Stream->metadata, AV_DICT_DONT_OVERWRITE);
            ost.Stream->disposition = ist.Stream->disposition;
        }
        if (ost.StreamCopy) {
            SetupStreamCopy(tr, ost, ist, firstSegment);
            continue;
        }
        if (!ost.Enc) {
            // No installed encoder for the guessed codec id.
            DumpMapping(tr);
            RaiseLogged(StrFormat(msg::EncoderNotFound, static_cast<int>(ost.Stream->codecpar->codec_id),
                                  ost.FileIndex, ost.Index, MediaTypeName(TypeOf(ost.Stream))));
        }
        ost.Enc->bits_per_raw_sample = in->bits_per_raw_sample;
        ost.Enc->chroma_sample_location = in->chroma_location;
        switch (ost.Enc->codec_type) {
        case AVMEDIA_TYPE_AUDIO:
            SetupAudioStream(tr, ost, ist);
            break;
        case AVMEDIA_TYPE_VIDEO:
            SetupVideoStream(tr, ost, ist);
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            break;
        default:
            throw FFmpegException(msg::InvalidOutputCodecType);
        }
        ost.EncodingNeeded = true;
        ist.DecodingNeeded = true;
        if (firstSegment) SetupTwoPass(tr, ost, static_cast<int>(n));
    }
    // No shared encode buffer is sized here: packets carry their own buffers.
}

void TTranscoder::Setup()
{
    BuildInputTables(*this);
    BuildOutputTable(*this);
    ChooseSources(*this);
    SetupStreamCodecs(*this);
    OpenEncoders(*this);
    OpenDecoders(*this);
    SetInitialTimestamps(*this);
    CopyMetaDataMaps(*this);
    CopyChapters(*this);
    WriteHeaders(*this);
    LogStreamMapping(*this);
}

}  // namespace quorvia::transcode
