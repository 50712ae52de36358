// Last set-up steps: metadata maps, chapters, bitstream filter chains,
// headers and the stream-mapping log.
#include <algorithm>
#include <string>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"
#include "engine/Logger.h"
#include "engine/SetupSteps.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"

namespace quorvia::transcode {

namespace {

// Output slots whose file has not appeared in an earlier slot.
std::vector<int> DistinctOutputSlots(const TTranscoder& tr)
{
    std::vector<int> slots;
    for (int j = 0; j < static_cast<int>(tr.OutputFiles.size()); ++j) {
        bool seen = false;
        for (int k : slots) seen = seen || tr.OutputFiles[k] == tr.OutputFiles[j];
        if (!seen) slots.push_back(j);
    }
    return slots;
}

void CopyChaptersOf(const TTranscoder& tr, const transcode::TInputFile& in, AVFormatContext* out)
{
    for (unsigned c = 0; c < in.Context->nb_chapters; ++c) {
        const AVChapter* ch = in.Context->chapters[c];
        const int64_t offset = av_rescale_q(tr.Opt.StartTime - in.TsOffset, AV_TIME_BASE_Q, ch->time_base);
        const int64_t limit = tr.Opt.RecordingTime == NoRecordingTime
                                  ? INT64_MAX
                                  : av_rescale_q(tr.Opt.RecordingTime, AV_TIME_BASE_Q, ch->time_base);
        if (ch->end < offset) continue;
        if (limit != INT64_MAX && ch->start > offset + limit) break;
        auto* copy = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!copy) throw FFmpegException(msg::MallocFail);
        copy->id = ch->id;
        copy->time_base = ch->time_base;
        copy->start = std::max<int64_t>(0, ch->start - offset);
        copy->end = std::min(limit, ch->end - offset);
        av_dict_copy(&copy->metadata, ch->metadata, 0);
        int count = static_cast<int>(out->nb_chapters);
        if (av_dynarray_add_nofree(&out->chapters, &count, copy) < 0) {
            av_dict_free(&copy->metadata);
            av_free(copy);
            throw FFmpegException(msg::ReallocFail);
        }
        out->nb_chapters = static_cast<unsigned>(count);
    }
}

void OpenBitstreamFilters(TTranscoder& tr)
{
    for (auto& ost : tr.OutputStreams) {
        TMuxStream& mux = *ost->Mux;
        if (mux.Filters || ost->FileIndex != mux.FileIndex) continue;
        const auto& chain = tr.Files.Output(ost->FileIndex).Streams.at(ost->Index).BitstreamFilters;
        if (chain.empty()) continue;
        mux.Filters = OpenBitstreamFilterChain(chain, mux.Stream->codecpar, mux.Stream->time_base);
        if (!mux.Filters) continue;
        for (const auto& f : chain) mux.FilterNames += (mux.FilterNames.empty() ? "" : ",") + f.Name;
        if (avcodec_parameters_copy(mux.Stream->codecpar, mux.Filters->par_out) < 0)
            throw FFmpegException(msg::MallocFail);
    }
}

}  // namespace

void DumpOutputFile(TTranscoder& tr, int slot)
{
    if (slot < 0 || slot >= tr.Files.OutputCount()) return;
    AVFormatContext* oc = tr.Files.Output(slot).Context();
    av_dump_format(oc, slot, oc->url ? oc->url : "", 1);
}

void DumpMapping(TTranscoder& tr)
{
    const int count = tr.Join ? std::min(1, tr.Files.OutputCount()) : tr.Files.OutputCount();
    for (int j = 0; j < count; ++j) DumpOutputFile(tr, j);
}

void CopyMetaDataMaps(TTranscoder& tr)
{
    const int outputs = static_cast<int>(tr.OutputFiles.size());
    const int inputs = static_cast<int>(tr.InputFiles.size());
    for (const TMetaDataMap& m : tr.Opt.MetaDataMaps) {
        if (m.OutFile < 0 || m.OutFile >= outputs) {
            DumpMapping(tr);
            RaiseLogged(StrFormat(msg::MetaOutIndex, m.OutFile, m.OutFile, m.InFile));
        }
        if (m.InFile < 0 || m.InFile >= inputs) {
            DumpMapping(tr);
            RaiseLogged(StrFormat(msg::MetaInIndex, m.InFile, m.OutFile, m.InFile));
        }
        // Keys are the same across formats now (the old per-format key
        // conversion is gone); the muxer maps what it knows.
        av_dict_copy(&tr.OutputFiles[m.OutFile]->metadata, tr.InputFiles[m.InFile].Context->metadata,
                     AV_DICT_DONT_OVERWRITE);
    }
}

void CopyChapters(TTranscoder& tr)
{
    const std::vector<int> slots = DistinctOutputSlots(tr);
    for (const auto& in : tr.InputFiles) {
        if (in.Context->nb_chapters == 0) continue;
        for (int j : slots) CopyChaptersOf(tr, in, tr.OutputFiles[j]);
    }
}

void WriteHeaders(TTranscoder& tr)
{
    OpenBitstreamFilters(tr);
    const std::vector<int> slots = DistinctOutputSlots(tr);
    bool allRtp = !slots.empty();
    for (int j : slots) {
        AVFormatContext* oc = tr.OutputFiles[j];
        // Muxer options of the format context's own class were set when the
        // file was created; private muxer options go in the dictionary.
        AVDictionary* all = tr.Task.GenericOptionDictionary(gtFormat, GenericOutputFormat);
        AVDictionary* opts = nullptr;
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(all, "", e, AV_DICT_IGNORE_SUFFIX))) {
            if (!av_opt_find(oc, e->key, nullptr, 0, 0)) av_dict_set(&opts, e->key, e->value, 0);
        }
        av_dict_free(&all);
        const int ret = avformat_write_header(oc, &opts);
        av_dict_free(&opts);
        if (ret < 0) {
            DumpMapping(tr);
            RaiseLogged(StrFormat(msg::HeaderFail, j));
        }
        allRtp = allRtp && std::string(oc->oformat->name) == "rtp";
    }
    if (allRtp) {
        std::vector<AVFormatContext*> files;
        for (int j : slots) files.push_back(tr.OutputFiles[j]);
        char sdp[2048] = {};
        if (av_sdp_create(files.data(), static_cast<int>(files.size()), sdp, sizeof sdp) == 0) {
            std::string text = sdp;
            while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
                text.pop_back();
            FFLogger().LogFmt(&tr.Task, llInfo, msg::Sdp, text.c_str());
        }
    }
}

void LogStreamMapping(TTranscoder& tr)
{
    DumpMapping(tr);
    if (tr.Opt.Verbose < 0) return;
    FFLogger().Log(&tr.Task, llVerbose, msg::StreamMapping);
    for (const auto& ost : tr.OutputStreams) {
        const transcode::TInputStream& ist = *tr.InputStreams[ost->SourceIndex];
        const char* type = MediaTypeName(ost->Stream->codecpar->codec_type);
        FFLogger().LogFmt(&tr.Task, llVerbose, msg::StreamMappingLine, ist.FileIndex, ist.Index,
                          tr.Join ? 0 : ost->FileIndex, ost->Index, type);
        if (ost->SyncIst != &ist) {
            FFLogger().LogFmt(&tr.Task, llVerbose, msg::StreamMappingSync, ost->SyncIst->FileIndex,
                              ost->SyncIst->Index, type);
        }
    }
}

}  // namespace quorvia::transcode
