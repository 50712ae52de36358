#pragma once
// The state of one transcode run: the stream tables, the counters and the
// shared work objects, held by TTranscoder.
//
// Pipeline, one file per stage (all on the thread that runs the task):
//   TranscodeSetup.cpp  stream tables, mapping, copy/encode decisions, codec
//                       opening, metadata/chapters, headers, mapping log;
//   PacketLoop.cpp      choose a file, read, fix timestamps, join, closing phase,
//                       progress reports;
//   PacketDecode.cpp    OutputPacket: send/receive decoding, timestamp
//                       prediction, distribution to the output streams, stream copy;
//   AudioOutput.cpp     DoAudioOut: sync, resampling, FIFO, audio encoding;
//   VideoOutput.cpp     pre-processing with hooks, DoVideoOut: frame-rate
//                       decision, crop/scale/filters, video encoding, previews;
//   PacketWrite.cpp     WriteFrame: bitstream filters and the interleaving muxer.
// Calls go down this list; nothing calls back up except the task's event
// callbacks (TaskEvents.h).
//
// Ownership: TTranscoder owns the tables (TInputStream/TOutputStream records
// by unique_ptr, so addresses stay valid), every codec context it opens (the
// open-codec lists Encoders/Decoders: set-up moves the configured contexts
// out of the task's files before opening them; freed under the codec lock,
// so a failed run closes exactly what it opened) and the per-path work state.
// The input and output format contexts stay with the task's files
// (TTaskFiles); the transcoder only writes headers, packets and trailers.
//
// Threads: a TTranscoder lives on one thread; only Task.Run().StopRequested
// and the preview flags are touched by others (see TaskEvents.h).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "engine/BitstreamFilterChain.h"
#include "engine/LibraryPtr.h"
#include "engine/OptionState.h"
#include "engine/TaskEvents.h"
#include "engine/TaskFiles.h"

namespace quorvia {

class TCustomFFmpeg;
class TTaskFiles;

// The task's file tables (TaskFiles.h) use the names TInputFile/TInputStream/
// TOutputStream for opened files; the run's tables live in this namespace.
namespace transcode {

class TTranscoder;

// Opaque work state of the audio and video paths (defined and created by
// AudioOutput.cpp / VideoOutput.cpp; deleters defined there too).
struct TAudioPathState;
struct TVideoPathState;
struct TAudioStreamState;
struct TVideoStreamState;
struct TAudioPathStateDeleter { void operator()(TAudioPathState* p) const; };
struct TVideoPathStateDeleter { void operator()(TVideoPathState* p) const; };
struct TAudioStreamStateDeleter { void operator()(TAudioStreamState* p) const; };
struct TVideoStreamStateDeleter { void operator()(TVideoStreamState* p) const; };

// ---------------------------------------------------------------------------
// Tables.

struct TInputFile {
    AVFormatContext* Context = nullptr;
    bool EofReached = false;
    int32_t FirstStream = 0;  // index of the file's first entry in the input stream table
    int32_t StreamCount = 0;
    int64_t TsOffset = 0;     // FileTsOffset (microseconds); discontinuities and join move it
    bool NoPacket = false;    // the demuxer answered EAGAIN in this round
};

struct TInputStream {
    int32_t FileIndex = 0;
    int32_t Index = 0;           // stream index within its file
    AVStream* Stream = nullptr;  // the demuxer's stream (time base, parameters)
    AVCodecContext* Dec = nullptr;  // decoder when DecodingNeeded (owned by TTranscoder::Decoders)
    const AVCodec* DecoderByName = nullptr;
    bool Discard = true;         // no output stream takes this stream (yet)
    bool DecodingNeeded = false;
    int64_t WallStart = 0;       // wall clock at set-up, with RateEmulation
    int64_t NextPts = AV_NOPTS_VALUE;  // predicted timestamp of the next frame, microseconds
    int64_t Pts = 0;                   // timestamp of the current frame, microseconds
    bool IsStart = true;         // start, or after a discontinuity (audio drift handling)
    bool ShowedMultiPacketWarning = false;
    bool PastRecordingTime = false;
    bool Flushed = false;        // join mode: decoder already drained at the end of its file
    int Quality = 0;             // quality of the last decoded picture (SameQuality)
    FramePtr Frame;              // decoded frame, reused for every packet
    // The video filter graph (source/sink) lives on TOutputStream: each
    // output stream has its own encoder format and size.
};

// Per output stream and muxer: shared by the join segments that write the
// same output stream.
struct TMuxStream {
    int32_t FileIndex = 0;               // output file slot (join: 0)
    AVFormatContext* File = nullptr;
    AVStream* Stream = nullptr;
    BsfContextPtr Filters;               // bitstream filter chain (null when none)
    std::string FilterNames;             // the chain's filter names, for messages
    // End of the last packet handed to the muxer (pts + duration) in the
    // stream time base; AV_NOPTS_VALUE before the first packet. This is the
    // stream's running output time (the muxer no longer keeps one).
    int64_t EndPts = AV_NOPTS_VALUE;
    double OutputSeconds() const;        // EndPts x time base, 0 before the first packet
};

struct TOutputStream {
    int32_t FileIndex = 0;    // output file index (the join slot)
    int32_t Index = 0;        // stream index within the output file
    int32_t SourceIndex = 0;  // index into the input stream table
    AVFormatContext* File = nullptr;  // == Mux->File
    AVStream* Stream = nullptr;       // == Mux->Stream
    TMuxStream* Mux = nullptr;        // owned by TTranscoder::MuxStreams
    bool StreamCopy = false;
    AVCodecContext* Enc = nullptr;    // encoder (owned by TTranscoder::Encoders); nullptr for copy
    const AVCodec* EncoderByName = nullptr;
    bool EncodingNeeded = false;
    int32_t FrameNumber = 0;          // frames (packets for copy) written
    TInputStream* SyncIst = nullptr;  // stream used for synchronisation, normally the source
    int64_t SyncOpts = 0;             // output position in encoder time base (video frames, audio samples)
    bool Active = true;               // stream of the current join segment; always true otherwise

    // Last coded packet: quality in lambda units (118 per quantiser step;
    // -1 unknown), picture type letter, per-plane errors for PSNR.
    int CodedQuality = -1;
    char CodedPictType = '?';
    std::array<uint64_t, 3> CodedError{};

    // Video (filled by SetupVideoStream / DoVideoOut).
    bool VideoResample = false;
    FramePtr PictTmp;                 // scaled picture
    SwsContextPtr ScaleContext;
    int ResampleHeight = 0, ResampleWidth = 0;
    int ResamplePixFmt = -1;
    int OriginalHeight = 0, OriginalWidth = 0;
    bool VideoCrop = false;
    int TopBand = 0, BottomBand = 0, LeftBand = 0, RightBand = 0;
    int OriginalTopBand = 0, OriginalBottomBand = 0, OriginalLeftBand = 0, OriginalRightBand = 0;
    FilterGraphPtr FilterGraph;       // "buffer" -> crop/scale/user filters -> "buffersink"
    AVFilterContext* InputFilter = nullptr;   // graph source
    AVFilterContext* OutputFilter = nullptr;  // graph sink
    FramePtr FilterFrame;             // picture taken from the sink, reused

    // Audio (filled by SetupAudioStream / DoAudioOut).
    bool AudioResample = false;
    SwrContextPtr Resampler;          // rate/channel conversion and drift compensation
    int ReformatPair = -6;            // sample-format pair the converter was made for; -6 none
    SwrContextPtr ReformatContext;    // sample-format-only conversion
    AudioFifoPtr Fifo;                // encoder-format samples waiting for a full frame
    FramePtr EncodeFrame;             // frame handed to the encoder, reused

    CFilePtr LogFile;                 // pass-1 statistics, else null
    int JoinCodecId = 0;              // codec id of the encoder opened for a join
    PacketPtr Packet;                 // encoder output packet, reused

    std::unique_ptr<TAudioStreamState, TAudioStreamStateDeleter> AudioState;
    std::unique_ptr<TVideoStreamState, TVideoStreamStateDeleter> VideoState;
};

// ---------------------------------------------------------------------------

class TTranscoder {
public:
    TTranscoder(TCustomFFmpeg& task, TTaskFiles& files);
    ~TTranscoder();
    TTranscoder(const TTranscoder&) = delete;
    TTranscoder& operator=(const TTranscoder&) = delete;

    // Set-up, packet loop and closing phase. Throws FFmpegException; the
    // tables and every codec opened so far are released by the destructor.
    void Run();

    // Phases (TranscodeSetup.cpp, PacketLoop.cpp).
    void Setup();
    void Loop();
    void Close();

    bool StopRequested() const;
    int64_t Now() const;  // wall clock, microseconds

    // Reports progress (PrintReport); fileIndex -1 with final.
    void PrintReport(bool final, int fileIndex);

    TCustomFFmpeg& Task;
    TOptionState& Opt;
    TRunControl& Control;
    TTaskFiles& Files;

    std::vector<TInputFile> InputFiles;
    std::vector<std::unique_ptr<TInputStream>> InputStreams;
    std::vector<std::unique_ptr<TOutputStream>> OutputStreams;
    std::vector<std::unique_ptr<TMuxStream>> MuxStreams;
    std::vector<AVFormatContext*> OutputFiles;  // join: the one file in every slot
    // Per input stream (global index): the output streams it feeds, in table order.
    std::vector<std::vector<TOutputStream*>> Consumers;
    int GlobalIndex(const TInputStream& ist) const { return InputFiles[ist.FileIndex].FirstStream + ist.Index; }

    // Open-codec lists: the codec contexts of the run (taken from the task's
    // files, or made for join re-opening), freed under the codec lock.
    std::vector<EncoderContextPtr> Encoders;
    std::vector<CodecContextPtr> Decoders;
    void CloseCodecs();

    bool Join = false;
    int StreamsPerFile = 0;
    int JoinFile = 0;  // current join segment

    // Counters (bytes) and frame-rate statistics.
    int64_t VideoSize = 0, AudioSize = 0, ExtraSize = 0;
    int64_t DupCount = 0, DropCount = 0;
    bool DupDropChanged = false;
    int HookFrameCount = 0;  // decoded video frames that entered pre-processing

    int64_t TimerStart = 0;
    int64_t LastReportTime = 0;
    int NoPacketCount = 0;
    std::array<int, 52> QpHistogram{};  // "qphist", per run

    // Shared work objects, reused across packets.
    PacketPtr ReadPacket;    // demuxed packet
    PacketPtr CopyPacket;    // stream copy packet
    std::vector<uint8_t> SubtitleBuffer;  // 1 MiB, allocated on first use

    std::unique_ptr<TAudioPathState, TAudioPathStateDeleter> AudioPath;
    std::unique_ptr<TVideoPathState, TVideoPathStateDeleter> VideoPath;
};

// ---------------------------------------------------------------------------
// Helpers shared by the stages.

// "Video", "Audio", "Data", "Subtitle", "Attachment" or "Unknown".
const char* MediaTypeName(AVMediaType type);

// Logs msg at llError, then throws it as FFmpegException.
[[noreturn]] void RaiseLogged(const std::string& msg);

// PacketDecode.cpp: decodes one demuxed packet of ist (nullptr drains the
// decoder and then, with drainEncoders, the encoders fed by it) and
// distributes the result. Returns 0, or -1 when decoding failed. Throws on
// encoder/muxer failures.
int OutputPacket(TTranscoder& tr, TInputStream& ist, AVPacket* pkt, bool drainEncoders = true);

// PacketWrite.cpp: the single way packets reach an output file. pkt carries
// timestamps in the output stream's time base; its stream index is set to
// ost.Index here. The packet goes through the stream's bitstream filters
// into the interleaving muxer and is left empty (unreferenced). Throws
// "av_interleaved_write_frame(): ..." on muxer failure.
void WriteFrame(TTranscoder& tr, TOutputStream& ost, AVPacket* pkt);

// An encoder packet (timestamps in ost.Enc's time base): rescaled to the
// stream time base, its quality/picture type/PSNR side data noted on ost
// (CodedQuality, CodedPictType, CodedError), then WriteFrame. The caller
// counts its size into VideoSize/AudioSize before calling.
void WriteEncodedPacket(TTranscoder& tr, TOutputStream& ost, AVPacket* pkt);

// Reads AV_PKT_DATA_QUALITY_STATS of an encoded packet into ost.
void NoteCodedPacket(TOutputStream& ost, const AVPacket* pkt);

// Flushes every bitstream filter chain (end of stream) into the muxer.
void FlushBitstreamFilters(TTranscoder& tr);

}  // namespace transcode
}  // namespace quorvia
