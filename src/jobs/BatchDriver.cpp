#include "jobs/BatchDriver.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/Paths.h"
#include "engine/Logger.h"
#include "engine/OptionRecords.h"
#include "engine/TextFormat.h"
#include "engine/VideoMessages.h"
#include "jobs/BatchProgress.h"
#include "jobs/Messages.h"
#include "jobs/OptionBuilder.h"
#include "jobs/OutputNaming.h"
#include "profiles/CurrentProfile.h"
#include "profiles/FormatProfile.h"

namespace quorvia {

TJobEffectsTable CaptureJobEffects(const std::vector<int>& jobMap, const TJobList& list)
{
    std::vector<TJobEffects> jobs;
    jobs.reserve(jobMap.size());
    for (int row : jobMap) jobs.push_back(EffectsOf(list.Record(row)));
    return TJobEffectsTable(std::move(jobs));
}

TBatchDriver::TBatchDriver(TBatchEnvironment env)
    : env_(env),
      dispatcher_(env.Dispatcher ? env.Dispatcher : MainDispatcher()),
      hook_(effects_, [this](int32_t task, const std::string& message) {
          FFLogger().Log(&env_.Engine, llError, transcode::msg::CustomHookError + message);
          if (onHookError_) onHookError_(task, message);
      })
{
    TCustomFFmpegVCL& engine = env_.Engine;
    engine.SetDispatcher(dispatcher_);
    engine.SetPreviewBitmap(true);
    engine.SetOnProgress([this](TCustomFFmpegVCL&, PProgressInfo info) { HandleProgress(*info); });
    engine.SetOnPreviewBitmap([this](TCustomFFmpegVCL&, const TPreviewInfo& info) { HandlePreview(info); });
    engine.SetOnTerminate([this](TCustomFFmpegVCL&, const TTerminateInfo& info) { DeliverTerminate(info); });
    engine.SetOnCustomHook([this](TCustomFFmpegVCL&, PHookInfo info) { hook_.Process(*info); });
}

TBatchDriver::~TBatchDriver()
{
    TCustomFFmpegVCL& engine = env_.Engine;
    // No frame reaches the hook of a driver that is going away.
    engine.SetOnCustomHook({});
    {
        std::lock_guard<std::mutex> lock(deliveryMutex_);
        closing_ = true;
    }
    engine.Stop(true);
    // Deliveries that got past the closing check wait for the user-interface
    // thread, which is this one: let them through.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(deliveryMutex_);
            if (inFlight_ == 0) break;
        }
        dispatcher_->ProcessPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    engine.WaitForDeliveries();
    engine.SetOnTerminate({});
    engine.SetOnProgress({});
    engine.SetOnPreviewBitmap({});
}

void TBatchDriver::SetOnHookError(std::function<void(int, const std::string&)> fn) { onHookError_ = std::move(fn); }

bool TBatchDriver::Start(int count)
{
    TCustomFFmpegVCL& engine = env_.Engine;
    TJobList& list = env_.List;
    if (frameSizeCheck_) frameSizeCheck_();
    if (auto priority = PriorityFromSetting(env_.Settings.ReadInteger(jobs::msg::SettingsSection, jobs::msg::PriorityKey, 1)))
        engine.SetThreadPriority(*priority);

    std::vector<int> checked = list.CheckedRows();
    if (checked.empty()) return false;
    if (stopPreview_) stopPreview_();
    engine.ClearTasks();
    jobMap_ = std::move(checked);
    outputs_.clear();

    const int code = ReadFormatCode(env_.Settings);
    const std::string section = ProfileSection(code);
    const std::string outputSuffix = "." + env_.Format.ReadString(section, kFileExtKey, kDefaultFileExt);
    TReservedOutputs reserved;
    TAVProbe& probe = engine.AVProbe();
    try {
        for (int row : jobMap_) {
            TlvFilesRecord& job = list.Record(row);
            const std::string& source = list.Row(row).Caption;

            TInputOptions input;
            InitInputOptions(input);
            input.FileName = source;
            const bool probed = probe.LoadFile(source);
            if (probed) input.FileFormat = probe.FormatName();
            if (job.TrimStart >= 0) input.StartTime = job.TrimStart;

            // The real output: no "_ipod" part, and never a name given to an
            // earlier job of this run.
            const std::string output =
                OutputName(probed ? probe.FileName() : source, outputSuffix, env_.Settings, env_.Prompts, &reserved);
            job.ZoomMode = env_.Settings.ReadString(section, jobs::msg::ZoomKey, jobs::msg::DefaultZoom);

            outputs_.push_back(output);
            TOutputOptions out;
            InitOutputOptions(out);
            out.FileName = output;
            BuildJobOptions(job, code, out, &probe, input, env_.Settings, env_.Format, env_.Prompts);
            // A trimmed job ends with its range.
            if (job.TrimDuration > 0) out.RecordingTime = job.TrimDuration;

            const int task = engine.AddTask(source, &input);
            if (task < 0) throw std::runtime_error(StrFormat(jobs::msg::CannotAddJob, source.c_str(), engine.LastErrMsg().c_str()));
            // The hook sees every frame of a job with effects. A job whose
            // settings are all at "no change" would come out the same through
            // it, only slower (every frame to BGR and back): it runs without.
            out.CustomHook = !EffectsOf(job).NoChange();
            // A false result is left to the run: the task then ends at once
            // with the engine's reason (OnTaskEnd).
            engine.SetOutputFile(task, output, &out);
            probe.Close();
        }
    } catch (...) {
        probe.Close();
        // Freeing the tasks also removes their still empty output files.
        engine.ClearTasks();
        jobMap_.clear();
        outputs_.clear();
        throw;
    }

    effects_ = CaptureJobEffects(jobMap_, list);
    tasksEnded_ = 0;
    finalSeen_ = false;
    lastFinished_ = false;
    paused_ = false;
    // Running before the start: a modal view pumps the run's events inside
    // Show, and a run on this thread (count <= 0) may even end inside
    // StartTask, in which case there is nothing left to show.
    running_ = true;
    try {
        engine.StartTask(count);
    } catch (...) {
        running_ = false;
        throw;
    }
    if (running_) env_.View.Show();
    return true;
}

void TBatchDriver::Pause()
{
    if (!running_ || paused_) return;
    env_.Engine.Pause();
    paused_ = true;
}

void TBatchDriver::Resume()
{
    if (!paused_) return;
    env_.Engine.Resume();
    paused_ = false;
}

void TBatchDriver::Cancel()
{
    if (!running_) return;
    env_.Engine.Stop(true);
}

int TBatchDriver::RowOfTask(int task) const
{
    if (task < 0 || task >= TaskCount()) return -1;
    const int row = jobMap_[static_cast<size_t>(task)];
    return row < env_.List.Count() ? row : -1;
}

void TBatchDriver::HandleProgress(const TProgressInfo& info)
{
    const int row = RowOfTask(info.TaskIndex);
    if (!running_ || row < 0) return;
    const int percent = ProgressPercent(info.Time, info.TotalDuration);
    env_.View.SetPosition(percent);
    env_.List.SetProgress(row, PercentText(percent));
    env_.View.SetTexts(ProgressTextsOf(info, TaskCount(), env_.List.Row(row).Caption));
    if (onProgress_) onProgress_(row, info);
}

void TBatchDriver::HandlePreview(const TPreviewInfo& info)
{
    if (!info.Bitmap || info.Bitmap->Width() <= 0 || info.Bitmap->Height() <= 0) return;
    std::lock_guard<BgrPicture> lock(preview_);
    preview_.CopyFrom(*info.Bitmap);
}

void TBatchDriver::DeliverTerminate(const TTerminateInfo& info)
{
    {
        std::lock_guard<std::mutex> lock(deliveryMutex_);
        if (closing_) return;
        ++inFlight_;
    }
    try {
        dispatcher_->RunAndWait([this, info] { HandleTerminate(info); });
    } catch (const std::exception& e) {
        FFLogger().Log(&env_.Engine, llError, e.what());
    }
    std::lock_guard<std::mutex> lock(deliveryMutex_);
    --inFlight_;
}

void TBatchDriver::HandleTerminate(const TTerminateInfo& info)
{
    {
        std::lock_guard<std::mutex> lock(deliveryMutex_);
        if (closing_) return;
    }
    if (!running_) return;
    if (info.TaskIndex < 0) {
        finalSeen_ = true;
    } else {
        ++tasksEnded_;
        const int row = RowOfTask(info.TaskIndex);
        if (row >= 0 && info.Finished) {
            env_.List.SetProgress(row, PercentText(100));
            env_.View.SetPosition(100);
        }
        if (row >= 0 && onTaskEnd_) onTaskEnd_(row, info);
        if (info.TaskIndex + 1 == TaskCount()) lastFinished_ = info.Finished;
        // After the last task of the run: with several tasks at once the
        // task with the last index need not be the last to end.
        if (tasksEnded_ == TaskCount() && lastFinished_) AfterConversion();
    }
    if (finalSeen_ && tasksEnded_ >= TaskCount()) EndRun();
}

void TBatchDriver::AfterConversion()
{
    if (env_.View.OpenFolderAfter()) {
        // As the "Open" button: the stored folder, when it says anything.
        const std::string folder =
            env_.Settings.ReadString(jobs::msg::SettingsSection, jobs::msg::OutPutDirKey, DefaultOutputFolder());
        if (folder.size() > 2) env_.Shell.Open(folder);
    }
    if (env_.View.ShutDownAfter()) env_.Shutdown.RequestShutdown();
}

void TBatchDriver::EndRun()
{
    running_ = false;
    paused_ = false;
    env_.Engine.ClearTasks();
    env_.View.Close();
    if (onRunOver_) onRunOver_();
}

}  // namespace quorvia
