#pragma once
// The files of one conversion task.
//
//   input opening (OpenInput)      -> TInputFile: the demuxer context, per
//                                     stream a decoder context that holds the
//                                     stream's parameters (not opened), the
//                                     time-stamp offset of the file;
//   output creation (OpenOutput,   -> TOutputFile: the muxer context with its
//   new_*_stream)                     I/O opened for writing, per stream the
//                                     encoder context configured from the
//                                     option state (not opened), the stream
//                                     copy flag and the bitstream filter chain;
//   transcode set-up               <- reads both, opens decoders and encoders
//                                     (under CodecLock()), copies the encoder
//                                     parameters into the output streams and
//                                     writes the headers.
//
// In join mode the output slots 1..n-1 refer to the one output file of slot
// 0, so that input i is written through output slot i.
//
// Ownership: the table owns every library object in it; releasing an input
// closes its demuxer (avformat_close_input), releasing an output closes its
// I/O (avio_closep, or our own I/O for "unicode:utf8:" names), frees the
// context and removes the file again when it was created here and is still
// empty, so a failed or never-run task leaves no empty output behind.
//
// Threads: filled on the caller's thread while the task is idle, then used by
// the task's worker thread only.
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "engine/OptionState.h"

namespace quorvia {

class TUnicodeIO;

struct InputContextDeleter { void operator()(AVFormatContext* p) const; };
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;

// Frees a rate-control override table we allocated, then the context.
struct EncoderContextDeleter { void operator()(AVCodecContext* p) const; };
using EncoderContextPtr = std::unique_ptr<AVCodecContext, EncoderContextDeleter>;

struct TInputStream {
    int FileIndex = 0;
    int Index = 0;                     // stream index within the file
    AVStream* Stream = nullptr;        // owned by the file's context
    // The decoder forced by name when the file was opened ("vcodec",
    // "acodec", "scodec"); null when none was given.
    const AVCodec* Decoder = nullptr;
    // Allocated for the forced decoder, else the default decoder of the
    // stream's codec id (DecoderContext->codec, null when none is installed);
    // holds the stream parameters, packet time base, thread count and the
    // generic decode options. Not opened.
    CodecContextPtr DecoderContext;
};

class TInputFile {
public:
    explicit TInputFile(std::string fileName);
    ~TInputFile();
    TInputFile(const TInputFile&) = delete;
    TInputFile& operator=(const TInputFile&) = delete;

    // The name as given to OpenInput (UTF-8, "unicode:utf8:" prefix kept).
    const std::string& FileName() const { return fileName_; }
    AVFormatContext* Context() const { return context_.get(); }
    // Takes the opened context and the I/O it reads through (null for the
    // libraries' own I/O).
    void Adopt(InputContextPtr context, std::unique_ptr<TUnicodeIO> io);

    // Added to the file's time stamps (microseconds).
    int64_t FileTsOffset = 0;
    // The option state's LoopInput when the file was opened.
    bool LoopInput = false;
    // One entry per stream of the file, in stream order.
    std::vector<TInputStream> Streams;

private:
    std::string fileName_;
    std::unique_ptr<TUnicodeIO> io_;
    InputContextPtr context_;
};

struct TOutputStream {
    int Index = 0;  // stream index within the file
    AVStream* Stream = nullptr;
    AVMediaType MediaType = AVMEDIA_TYPE_UNKNOWN;
    bool StreamCopy = false;
    // The output codec table entry: the encoder chosen by name; null for
    // stream copy and when the codec was guessed from the format.
    const AVCodec* EncoderByName = nullptr;
    // The encoder to open: by name or guessed; null for stream copy and when
    // no encoder for the guessed codec id is installed.
    const AVCodec* Encoder = nullptr;
    // Configured from the option state (allocated for Encoder, so private
    // encoder options are already set). Opened by the transcode set-up.
    EncoderContextPtr CodecContext;
    // The bitstream filter chain given for this stream (see BitstreamFilterChain.h).
    std::vector<TBitstreamFilterSpec> BitstreamFilters;
};

class TOutputFile {
public:
    // Allocates the muxer context for format with the name the libraries
    // use. Throws FFmpegException "avformat_alloc_context failed".
    TOutputFile(std::string fileName, const std::string& libraryName, const AVOutputFormat* format);
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    // The name as given to OpenOutput.
    const std::string& FileName() const { return fileName_; }
    AVFormatContext* Context() const { return context_; }
    const AVOutputFormat* Format() const { return context_->oformat; }

    // Opens the file for writing (creating it or replacing an existing one)
    // unless the format needs no file. 0 or a negative library error code.
    int OpenForWriting();
    bool IsOpenForWriting() const;
    // Flushes and closes the file's I/O; 0 or the first negative error code.
    int CloseIO();

    std::vector<TOutputStream> Streams;

private:
    std::string fileName_;
    std::string path_;     // local path of a file opened for writing here, else empty
    bool ownIO_ = false;   // "unicode:utf8:" name: written through our own I/O
    std::unique_ptr<TUnicodeIO> io_;
    AVFormatContext* context_ = nullptr;
};

class TTaskFiles {
public:
    TTaskFiles();
    ~TTaskFiles();
    TTaskFiles(const TTaskFiles&) = delete;
    TTaskFiles& operator=(const TTaskFiles&) = delete;

    int InputCount() const { return static_cast<int>(inputs_.size()); }
    TInputFile& Input(int index) const { return *inputs_.at(index); }
    void AddInput(std::unique_ptr<TInputFile> file);

    // Output slots (in join mode several slots share one file).
    int OutputCount() const { return static_cast<int>(slots_.size()); }
    TOutputFile& Output(int slot) const { return *slots_.at(slot); }
    // Adds a new output file as the next slot; returns the slot count.
    int AddOutput(std::unique_ptr<TOutputFile> file);
    // Adds a further slot for the output file of slot `slot`.
    void AddOutputSlot(int slot);
    // Distinct output files, in creation order.
    int OutputFileCount() const { return static_cast<int>(outputs_.size()); }

    // Index of the input that is the same file as fileName (also through
    // links or the "unicode:utf8:" prefix); -1 when none is.
    int FindInputFile(const std::string& fileName) const;

    // Frame rates of the inputs' video streams (average rate, else the real
    // base rate), file by file and stream by stream.
    std::vector<AVRational> InputVideoFrameRates() const;

    // Closes every output, then every input; clears the flags.
    void Clear();

    // All inputs are written one after another into the one output file.
    bool Join = false;
    // A video filter text was given for the output (read by the transcode set-up).
    bool UseFilters = false;

private:
    std::vector<std::unique_ptr<TInputFile>> inputs_;
    std::vector<std::unique_ptr<TOutputFile>> outputs_;
    std::vector<TOutputFile*> slots_;
};

}  // namespace quorvia
