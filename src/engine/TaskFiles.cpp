#include "engine/TaskFiles.h"

#include <filesystem>
#include <system_error>

extern "C" {
#include <libavutil/mem.h>
}

#include "engine/FFmpegException.h"
#include "engine/FileMessages.h"
#include "engine/NameConversion.h"
#include "engine/UnicodeIO.h"

namespace fs = std::filesystem;

namespace quorvia {

void InputContextDeleter::operator()(AVFormatContext* p) const { avformat_close_input(&p); }

void EncoderContextDeleter::operator()(AVCodecContext* p) const
{
    if (!p) return;
    // Older libraries leave the override table to the user; free it here
    // either way and clear it so nothing frees it twice.
    av_freep(&p->rc_override);
    p->rc_override_count = 0;
    avcodec_free_context(&p);
}

namespace {

// Local path behind a name, or empty for names of other protocols.
std::string LocalPath(const std::string& name)
{
    if (IsUnicodeName(name)) return FromLibraryName(name);
    if (IsLibraryUrl(name)) return {};
    static constexpr const char* kFilePrefix = "file:";
    if (name.rfind(kFilePrefix, 0) == 0) return name.substr(5);
    return name;
}

}  // namespace

// ---- TInputFile ----

TInputFile::TInputFile(std::string fileName) : fileName_(std::move(fileName)) {}

TInputFile::~TInputFile()
{
    // The streams point into the context and the context reads through io_.
    Streams.clear();
    context_.reset();
    io_.reset();
}

void TInputFile::Adopt(InputContextPtr context, std::unique_ptr<TUnicodeIO> io)
{
    Streams.clear();
    context_.reset();
    io_ = std::move(io);
    context_ = std::move(context);
}

// ---- TOutputFile ----

TOutputFile::TOutputFile(std::string fileName, const std::string& libraryName,
                         const AVOutputFormat* format)
    : fileName_(std::move(fileName))
{
    // Our own I/O serves "unicode:utf8:" names; muxers that reopen their
    // file by name (moving the index to the front) get the plain path.
    const std::string url = FromLibraryName(libraryName);
    if (avformat_alloc_output_context2(&context_, format, nullptr, url.c_str()) < 0 || !context_)
        throw FFmpegException(msg::FormatContextAllocFailed);
    ownIO_ = IsUnicodeName(libraryName);
}

TOutputFile::~TOutputFile()
{
    Streams.clear();
    CloseIO();
    avformat_free_context(context_);
    context_ = nullptr;
    if (!path_.empty()) {
        std::error_code ec;
        if (fs::is_regular_file(path_, ec) && fs::file_size(path_, ec) == 0 && !ec) fs::remove(path_, ec);
    }
}

int TOutputFile::OpenForWriting()
{
    if (context_->oformat->flags & AVFMT_NOFILE) return 0;
    if (IsOpenForWriting()) return 0;
    if (ownIO_) {
        int error = 0;
        io_ = OpenUnicodeIO(context_->url, AVIO_FLAG_WRITE, &error);
        if (!io_) return error;
        context_->pb = io_->Context();
        context_->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else {
        const int ret = avio_open(&context_->pb, context_->url, AVIO_FLAG_WRITE);
        if (ret < 0) return ret;
    }
    path_ = LocalPath(context_->url);
    return 0;
}

bool TOutputFile::IsOpenForWriting() const { return context_ && context_->pb; }

int TOutputFile::CloseIO()
{
    if (!context_ || !context_->pb) return 0;
    if (io_) {
        context_->pb = nullptr;
        const int ret = io_->Close();
        io_.reset();
        return ret;
    }
    return avio_closep(&context_->pb);
}

// ---- TTaskFiles ----

TTaskFiles::TTaskFiles() = default;

TTaskFiles::~TTaskFiles() { Clear(); }

void TTaskFiles::AddInput(std::unique_ptr<TInputFile> file) { inputs_.push_back(std::move(file)); }

int TTaskFiles::AddOutput(std::unique_ptr<TOutputFile> file)
{
    slots_.push_back(file.get());
    outputs_.push_back(std::move(file));
    return OutputCount();
}

void TTaskFiles::AddOutputSlot(int slot) { slots_.push_back(slots_.at(slot)); }

int TTaskFiles::FindInputFile(const std::string& fileName) const
{
    const std::string path = LocalPath(fileName);
    if (path.empty()) return -1;
    std::error_code ec;
    if (!fs::exists(path, ec)) return -1;
    for (size_t i = 0; i < inputs_.size(); ++i) {
        const std::string input = LocalPath(inputs_[i]->FileName());
        if (!input.empty() && fs::equivalent(path, input, ec) && !ec) return static_cast<int>(i);
    }
    return -1;
}

std::vector<AVRational> TTaskFiles::InputVideoFrameRates() const
{
    std::vector<AVRational> rates;
    for (const auto& file : inputs_) {
        for (const TInputStream& entry : file->Streams) {
            const AVStream* st = entry.Stream;
            if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
            const AVRational avg = st->avg_frame_rate;
            rates.push_back(avg.num > 0 && avg.den > 0 ? avg : st->r_frame_rate);
        }
    }
    return rates;
}

void TTaskFiles::Clear()
{
    slots_.clear();
    outputs_.clear();
    inputs_.clear();
    Join = false;
    UseFilters = false;
}

}  // namespace quorvia
