#pragma once
// The media prober: opens a file (or adopts a format context the engine has
// opened) and answers questions about it: size, duration, start time, bit
// rate, tags, and per stream the codec, times and picture or sound
// parameters; GetInfoText renders it all as text.
//
// Failures of LoadFile return false with LastErrMsg; the queries report
// their problems (logged through FFLogger and kept in LastErrMsg) and return
// a reset record or false. Only the library check raises (FFmpegException).
//
// Threads: a prober is used by one thread at a time. The stream-parameter
// search takes the process-wide codec lock, as the engine's input opening does.
#include <cstdint>
#include <memory>
#include <string>

#include "probe/StreamInfo.h"

struct AVFormatContext;
struct AVStream;

namespace quorvia {

class TUnicodeIO;

class TCustomAVProbe {
public:
    TCustomAVProbe();
    virtual ~TCustomAVProbe();
    TCustomAVProbe(const TCustomAVProbe&) = delete;
    TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

    // Opens and reads the file; FormatName forces a demuxer. False with
    // LastErrMsg on failure, the prober then closed.
    bool LoadFile(const std::string& FileName, const std::string& FormatName = {});
    // Adopts a context opened elsewhere; the prober never closes it.
    void AttachContext(AVFormatContext* context);
    // Releases the file (closing it only when the prober opened it).
    void Close();

    // False (reset record) when nothing is loaded or the stream is not there;
    // an index below 0 means the first stream of that kind.
    bool GetFileStreamInfo(TFileStreamInfo& info);
    bool GetAudioStreamInfo(int index, TAudioStreamInfo& info);
    bool GetVideoStreamInfo(int index, TVideoStreamInfo& info);

    bool IsAudioStream(int index);
    bool IsVideoStream(int index);

    // The description, lines separated by CR LF; empty when nothing is loaded.
    std::string GetInfoText();

    // The loaded file's name (without any "unicode:utf8:" prefix) and the demuxer's short name.
    std::string FileName() const;
    std::string FormatName() const;

    AVFormatContext* FormatContext() const { return context_; }
    bool OwnsContext() const { return owned_ != nullptr; }
    const std::string& LastErrMsg() const { return lastErrMsg_; }
    const std::string& LoadedFormatName() const { return loadedFormatName_; }

    // All -1 while nothing is loaded; the First... indexes stay -1 when the
    // file has no stream of that kind.
    int64_t FileSize() const { return fileSize_; }
    int StreamCount() const { return streamCount_; }
    int ProgramCount() const { return programCount_; }
    int AudioStreamCount() const { return audioStreamCount_; }
    int VideoStreamCount() const { return videoStreamCount_; }
    int SubtitleStreamCount() const { return subtitleStreamCount_; }
    int FirstAudioStreamIndex() const { return firstAudioStreamIndex_; }
    int FirstVideoStreamIndex() const { return firstVideoStreamIndex_; }
    int FirstSubtitleStreamIndex() const { return firstSubtitleStreamIndex_; }

protected:
    // Called after a file is loaded or a context attached, and before it is released.
    virtual void DoOpened() {}
    virtual void DoClosing() {}

private:
    struct CloseInput {
        void operator()(AVFormatContext* c) const;
    };

    void CheckLibraries() const;
    void FillCounts();
    void Report(bool warning, const std::string& text);
    // The stream to describe for a query, or null after reporting why not.
    AVStream* StreamFor(int index, bool audio);

    // The file opened by the prober; declared before owned_ so that it
    // outlives the format context reading through it.
    std::unique_ptr<TUnicodeIO> unicodeIO_;
    std::unique_ptr<AVFormatContext, CloseInput> owned_;
    AVFormatContext* context_ = nullptr;  // owned_ or an adopted context
    std::string lastErrMsg_;
    std::string loadedFormatName_;
    int64_t fileSize_ = -1;
    int streamCount_ = -1;
    int programCount_ = -1;
    int audioStreamCount_ = -1;
    int videoStreamCount_ = -1;
    int subtitleStreamCount_ = -1;
    int firstAudioStreamIndex_ = -1;
    int firstVideoStreamIndex_ = -1;
    int firstSubtitleStreamIndex_ = -1;
};

// Adds the frame-reading state, reset on every load and close: the default
// stream (first video, else first audio, else -1) and its start time in
// microseconds (the file's when the stream has none, 0 when neither has one).
class TAVProbe : public TCustomAVProbe {
public:
    ~TAVProbe() override;

    int DefaultStreamIndex() const { return defaultStreamIndex_; }
    int64_t DefaultStartTime() const { return defaultStartTime_; }

protected:
    void DoOpened() override;
    void DoClosing() override;

private:
    int defaultStreamIndex_ = -1;
    int64_t defaultStartTime_ = 0;
};

}  // namespace quorvia
