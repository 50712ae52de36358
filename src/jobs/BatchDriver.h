#pragma once
// The batch driver: turns every checked row of the job list into one engine
// task with one output, starts the run, and reacts to the engine's progress,
// preview, hook and terminate events until the run is over.
//
// Threads and ownership:
//   - Start, Pause, Resume, Cancel and every handler's work run on the
//     user-interface thread (the dispatcher's). The driver binds the
//     engine's four events for its whole life and gives the engine its
//     dispatcher, so progress and preview reports come on that thread while
//     the worker waits.
//   - Terminate events come on short-lived delivery threads in any order
//     (the final one may overtake the last task's own); each is handed to
//     the user-interface thread with RunAndWait. The run is over once the
//     final event and every task's own event have been handled there.
//   - The conversion hook runs on the worker thread. It reads a copy of the
//     jobs' effect settings taken at Start (in job-map order), never the
//     live records, so editing the list cannot race with a conversion.
//   - Destroying the driver unbinds the hook, stops the engine and waits for
//     the terminate deliveries (pumping the dispatcher) before unbinding the
//     rest: no event reaches a driver that is going away.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/BgrPicture.h"
#include "app/Dispatcher.h"
#include "app/IniFile.h"
#include "effects/ConversionHook.h"
#include "engine/FFmpegVCL.h"
#include "jobs/BatchViews.h"
#include "jobs/JobList.h"
#include "jobs/JobPrompts.h"

namespace quorvia {

// The effect settings of the jobs of a run, entry k for engine task k.
TJobEffectsTable CaptureJobEffects(const std::vector<int>& jobMap, const TJobList& list);

struct TBatchEnvironment {
    TCustomFFmpegVCL& Engine;
    TJobList& List;
    TIniFile& Settings;       // program INI: "priority", "FormatCode", "OutPutDir", profile choices
    const TIniFile& Format;   // format INI: "FileExt", "Format"
    IJobPrompts& Prompts;
    IProgressView& View;
    IShellOpen& Shell;
    IShutdown& Shutdown;
    // The user-interface thread's dispatcher (null: MainDispatcher()). It
    // must belong to a real thread that pumps calls (the Qt one, or
    // TCallQueueDispatcher in a program without windows): with the inline
    // one, handlers would run on the workers and delivery threads at once.
    std::shared_ptr<IDispatcher> Dispatcher;
};

class TBatchDriver {
public:
    explicit TBatchDriver(TBatchEnvironment env);
    ~TBatchDriver();
    TBatchDriver(const TBatchDriver&) = delete;
    TBatchDriver& operator=(const TBatchDriver&) = delete;

    // Optional calls (set while no run is going on).
    // The parameter panel's frame size check, run first at Start.
    void SetFrameSizeCheck(std::function<void()> fn) { frameSizeCheck_ = std::move(fn); }
    // Stops the preview player before the engine's tasks are cleared.
    void SetStopPreview(std::function<void()> fn) { stopPreview_ = std::move(fn); }
    // A task's end as the engine reported it (row position, record).
    void SetOnTaskEnd(std::function<void(int row, const TTerminateInfo& info)> fn) { onTaskEnd_ = std::move(fn); }
    // Every progress report of a task (row position, record), after the view.
    void SetOnProgress(std::function<void(int row, const TProgressInfo& info)> fn) { onProgress_ = std::move(fn); }
    // The run is over: the engine's tasks are cleared, the view is closed.
    void SetOnRunOver(std::function<void()> fn) { onRunOver_ = std::move(fn); }
    // A frame the hook could not treat (worker thread); the error is also logged.
    void SetOnHookError(std::function<void(int task, const std::string& message)> fn);

    // Starts a run over the checked rows, at most count tasks converting at
    // once (the desktop program uses 1). False, with nothing done but the
    // frame size check and the priority, when no row is checked. On a
    // failure while building the tasks (an option error, a source the
    // engine cannot open) the tasks built so far are cleared again and the
    // error is thrown; the view is not shown. Throws the engine's guard
    // error while a run is going on.
    bool Start(int count = 1);

    void Pause();
    void Resume();
    // Stops every task and waits; the run then ends as usual (terminate
    // events, view closed). Must not be called from inside a progress or
    // preview handler (the worker waits for that handler).
    void Cancel();

    bool Running() const { return running_; }
    bool Paused() const { return paused_; }
    // Entry k = row position of engine task k; kept after the run.
    const std::vector<int>& JobMap() const { return jobMap_; }
    int TaskCount() const { return static_cast<int>(jobMap_.size()); }
    // Entry k = output path of engine task k; kept after the run.
    const std::vector<std::string>& Outputs() const { return outputs_; }
    // The last frame the engine reported; lock it while reading from
    // another thread.
    BgrPicture& PreviewBitmap() { return preview_; }

private:
    void HandleProgress(const TProgressInfo& info);
    void HandlePreview(const TPreviewInfo& info);
    void DeliverTerminate(const TTerminateInfo& info);
    void HandleTerminate(const TTerminateInfo& info);
    void AfterConversion();
    void EndRun();
    int RowOfTask(int task) const;

    TBatchEnvironment env_;
    std::shared_ptr<IDispatcher> dispatcher_;

    // User-interface thread.
    std::vector<int> jobMap_;
    std::vector<std::string> outputs_;
    bool running_ = false;
    bool paused_ = false;
    int tasksEnded_ = 0;
    bool finalSeen_ = false;
    bool lastFinished_ = false;
    BgrPicture preview_;
    std::function<void()> frameSizeCheck_;
    std::function<void()> stopPreview_;
    std::function<void(int, const TTerminateInfo&)> onTaskEnd_;
    std::function<void(int, const TProgressInfo&)> onProgress_;
    std::function<void()> onRunOver_;

    // Written at Start while no task runs; read by the hook on the workers.
    TJobEffectsTable effects_;
    std::function<void(int, const std::string&)> onHookError_;
    TConversionHook hook_;

    // Terminate deliveries between their thread and the user-interface thread.
    std::mutex deliveryMutex_;
    bool closing_ = false;
    int inFlight_ = 0;
};

}  // namespace quorvia
