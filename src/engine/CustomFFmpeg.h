#pragma once
// TCustomFFmpeg: one conversion task. For now it owns the task's option
// state and the option vocabulary (dispatcher, option text, generic options,
// presets, targets); input/output files, the worker thread and the run are
// added by the later engine pieces.
//
// Hooks that later pieces fill (virtual, so they can be overridden by the
// classes that own files; tests may override them too):
//   - InputFileCount / OutputFileCount: 0 until files exist;
//   - InputVideoFrameRates: the frame rates of the opened inputs' video
//     streams for target norm detection; empty until inputs can be opened;
//   - NewVideoStream / NewAudioStream / NewSubtitleStream: options
//     "newvideo", "newaudio", "newsubtitle"; without an output file they fail
//     with "At least one output file must be specified".
// The "vhook" option goes through an IVideoHookRegistry; the default one
// refuses every hook.
//
// Threads: options are set on the caller's thread while the task is idle.
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

#include "engine/ConvertThread.h"
#include "engine/OptionState.h"
#include "engine/TaskFiles.h"
#include "engine/TaskEvents.h"

struct AVDictionary;

namespace quorvia {

// Frame-hook registry of the video path: splits the "vhook" text into words
// and loads the hook library. False means the hook was refused.
class IVideoHookRegistry {
public:
    virtual ~IVideoHookRegistry() = default;
    virtual bool Add(const std::string& args) = 0;
    // Releases every loaded hook (task cleanup).
    virtual void Clear() {}
};

// Refuses every hook (a task that must not load libraries).
class TRefusingVideoHookRegistry : public IVideoHookRegistry {
public:
    bool Add(const std::string&) override { return false; }
};

class TCustomFFmpeg {
public:
    TCustomFFmpeg();
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // Option defaults, releasing what the state owns; fresh templates.
    void Reset();

    TOptionState& Options() { return State; }
    const TOptionState& Options() const { return State; }
    const std::string& LastError() const { return State.LastError; }

    // The dispatcher: Name is matched exactly (case-sensitive); unknown
    // names go to SetGenericOption. Throws FFmpegException.
    void SetOption(const std::string& name, const std::string& value);

    // Splits option text into lines and calls SetOption for each, skipping
    // "newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre",
    // "vfilters", "vf"; "acodec", "vcodec", "scodec", "s" only when
    // includeCodecOptions. Throws FFmpegException.
    void ParseOptionText(const std::string& text, bool includeCodecOptions);

    // Stores a library option into the generic templates. True when the name
    // was found and the value accepted; a rejected value is reported through
    // the library log ("Invalid value "%s" for option "%s"").
    bool SetGenericOption(const std::string& name, const std::string& value);

    // Sets the accepted generic options of template `from` on a real library
    // object (codec context, format context, scaler, resampler), taking only
    // options whose flags contain every bit of `flags` (GenericVideoEncode,
    // GenericInputFormat, ...). Private options reach the object's private
    // data. Returns the number of options set.
    int ApplyGenericOptions(void* target, TGenericTemplate from, int flags) const;
    // The same selection as a dictionary for avcodec_open2/avformat_write_header;
    // the caller frees it with av_dict_free.
    AVDictionary* GenericOptionDictionary(TGenericTemplate from, int flags) const;

    // Option presets ("apre", "vpre", "spre", "fpre"). Defined with the presets.
    void ApplyPreset(const std::string& optionName, const std::string& presetName);
    // Target presets: target "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal",
    // "ntsc", "film" or anything else for detection; fallbackNorm "film",
    // "ntsc", anything else PAL. Defined with the targets.
    void ApplyTarget(const std::string& target, const std::string& norm,
                     const std::string& fallbackNorm);

    // Typed setters used by the option records.
    void SetAudioVolume(int volume);            // ignored when negative
    void SetAudioSyncMethod(int method);        // always stored
    void SetVideoSyncMethod(int method);        // always stored
    void SetMuxPreload(float seconds);          // ignored unless > 0
    void SetMuxMaxDelay(float seconds);         // ignored unless > 0
    void SetAudioSampleRate(int rate);          // ignored unless > 0
    void SetAudioChannels(int channels);        // ignored unless > 0
    void SetStartTime(int64_t time);            // ignored when AV_NOPTS_VALUE
    void SetRecordingTime(int64_t time);        // also TotalDuration; ignored when AV_NOPTS_VALUE
    void SetProgramID(int id);                  // ignored when negative

    // Frame-hook registry used by "vhook"; never null.
    IVideoHookRegistry& VideoHookRegistry() { return *HookRegistry; }

    // Run control shared with the transcode (stop request, intervals,
    // callbacks, preview flags; TaskEvents.h).
    TRunControl& Control() { return RunCtl; }
    const TRunControl& Control() const { return RunCtl; }

    // Runs the task on the calling thread (TaskRun.cpp): transcode, close
    // what is still open, clean up, announce the end. True when the task
    // finished without error and without a stop request; otherwise
    // Control().ErrorOccurred/ExceptionMsg tell why.
    bool RunSync();
    void SetVideoHookRegistry(std::unique_ptr<IVideoHookRegistry> registry);

    // Run control of the component (TaskControl.cpp; threads and the pause
    // gate in ConvertThread.h). A task starts at most once until Reset.
    // Start: threaded on a new worker thread with the priority (returned,
    // already running), otherwise on the calling thread (nullptr after the
    // run). nullptr without anything done when the task already ran or
    // runs. A task without output or input file ends at once with
    // "At least one output file must be specified" / "At least one input
    // file must be specified", announced from inside the call.
    TConvertThread* Start(bool threaded, TThreadPriority priority = tpNormal);
    // The worker stops at its next safe point until Resume or Stop; no effect
    // without a worker.
    void Pause();
    void Resume();
    // Sets the stop request and lets a paused worker go on; with wait, returns
    // once the worker has ended (on the user-interface thread the
    // dispatcher's queued calls keep running meanwhile; never waits for
    // itself when called on the worker).
    void Stop(bool wait);
    // Stop when running; a task that never started has its end announced on
    // a TDoTerminateThread (waited for with wait).
    void StopOrTerminate(bool wait);
    // Releases the files: outputs closed (one left empty is deleted), inputs
    // closed. Overridden by tasks that keep things referring to them.
    virtual void Cleanup();
    TPauseGate& Gate() { return Threads.Gate; }
    // Dispatcher used by waits on the user-interface thread (null: MainDispatcher()).
    void SetDispatcher(std::shared_ptr<IDispatcher> dispatcher);

    // Opens the next input file (InputOpening.cpp): true when it was added;
    // false with LastError. Throws FFmpegException for "Unknown input
    // format", a failed context allocation and "invalid codec_type".
    bool OpenInput(const std::string& fileName);
    // Creates the next output file with its streams (OutputCreation.cpp):
    // the new output slot count, or -1 with LastError. Throws
    // FFmpegException when the context cannot be allocated or the file is
    // one of the task's inputs.
    int OpenOutput(const std::string& fileName, bool join);
    // The task's opened inputs and created outputs (TaskFiles.h).
    TTaskFiles Files;

    // Files of the task (output slots: in join mode one per input).
    virtual int InputFileCount() const { return Files.InputCount(); }
    virtual int OutputFileCount() const { return Files.OutputCount(); }
    // Frame rates (frames per second) of the video streams of the opened
    // inputs, file by file and stream by stream.
    virtual std::vector<AVRational> InputVideoFrameRates() const { return Files.InputVideoFrameRates(); }

protected:
    // Stops a run with wait and joins the task's threads; subclasses call it
    // first in their destructor, before their own members go.
    void Shutdown();

    // "newvideo", "newaudio", "newsubtitle": add a stream of that kind to the
    // latest output file. Without output file: "At least one output file must
    // be specified"; with one, this base does nothing (output creation
    // overrides these).
    virtual void NewVideoStream();
    virtual void NewAudioStream();
    virtual void NewSubtitleStream();
    // One stream of that kind for the output file, configured from the
    // option state; throws FFmpegException with the failure text.
    void new_video_stream(TOutputFile& file);
    void new_audio_stream(TOutputFile& file);
    void new_subtitle_stream(TOutputFile& file);

private:
    // Dispatcher pieces, tried in this order (each returns true on a match).
    bool SetGeneralOption(const std::string& name, const std::string& value);
    bool SetVideoOption(const std::string& name, const std::string& value);
    bool SetAudioSubtitleOption(const std::string& name, const std::string& value);

    friend class TConvertThread;
    friend class TDoTerminateThread;
    // The run wrapper (on the worker or the caller of Start) and the end
    // announcement.
    void Execute();
    void NotifyTerminate();
    // Back to the created state of the run: joined threads, flags cleared.
    void ResetRun();

    TOptionState State;
    std::unique_ptr<IVideoHookRegistry> HookRegistry;
    TRunControl RunCtl;
    TTaskThreads Threads;
};

}  // namespace quorvia
