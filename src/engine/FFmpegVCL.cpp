// The engine component: tasks, runs and event delivery (see FFmpegVCL.h).
#include "engine/FFmpegVCL.h"

#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/BgrPicture.h"
#include "app/Dispatcher.h"
#include "engine/ComponentMessages.h"
#include "engine/FileMessages.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {

// A progress or preview handler runs on this thread: a stop with wait from
// inside it would wait for the worker that waits for the handler.
thread_local int tlHandlerDepth = 0;
// The component whose terminate event this delivery thread delivers.
thread_local const TCustomFFmpegVCL* tlDelivering = nullptr;
// The component whose StartTask runs its tasks on this thread.
thread_local const TCustomFFmpegVCL* tlSyncRun = nullptr;

TTerminateInfo FinalRecord()
{
    TTerminateInfo info;
    info.TaskIndex = -1;
    info.Finished = true;
    info.Exception = false;
    return info;
}

}  // namespace

TCustomFFmpegVCL::TCustomFFmpegVCL() = default;

TCustomFFmpegVCL::~TCustomFFmpegVCL()
{
    std::vector<TFFmpegList::TTaskPtr> tasks;
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        Destroying = true;
        RemainingToStart = 0;
        tasks = Tasks.TakeAll();
    }
    // Freeing a task stops it and waits for its threads.
    tasks.clear();
    WaitForDeliveries();
}

void TCustomFFmpegVCL::WaitForDeliveries()
{
    std::unique_lock<std::mutex> lock(DeliveryLock);
    const int own = tlDelivering == this ? 1 : 0;
    DeliveryDone.wait(lock, [&] { return Deliveries <= own; });
}

bool TCustomFFmpegVCL::LoadLibraries(const std::string& folder)
{
    FFLoader().SetLibraryFolder(folder);
    if (FFLoader().Load(EngineLibraries())) return true;
    SetLastErrMsg(FFLoader().LastError());
    return false;
}

// ---- guarded operations ----

void TCustomFFmpegVCL::CheckNotWorking(const char* operation) const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    if (Working_) throw std::runtime_error(StrFormat(msg::CannotWhileWorking, operation));
}

int TCustomFFmpegVCL::AddTask(const std::string& fileName, TInputOptions* inputOptions)
{
    CheckNotWorking(msg::OpAddTask);
    try {
        auto task = std::make_shared<TFFmpeg>();
        if (FFLoader().Loaded(EngineLibraries())) task->Reset();
        task->Options().Verbose = Verbose_;
        task->SetDispatcher([this] {
            std::lock_guard<std::mutex> lock(HandlerLock);
            return Dispatcher;
        }());
        SetPreviewFlag(*task, pfPreviewer, Preview_);
        SetPreviewFlag(*task, pfPreviewEvent, PreviewBitmap_);
        task->Control().OnPreview = [this](TCustomFFmpeg& t, const TPreviewInfo& i) { DoPreviewBitmap(t, i); };

        if (inputOptions) {
            if (inputOptions->FileName.empty()) inputOptions->FileName = fileName;
            task->InputRecord(0) = *inputOptions;
            ApplyInputOptions(*task, *inputOptions);
        }
        // The argument is opened, never the record's FileName.
        if (!task->OpenInput(fileName)) {
            SetLastErrMsg(task->LastError());
            return -1;
        }
        const int input = task->InputFileCount() - 1;
        task->ProbeFor(input).AttachContext(task->Files.Input(input).Context());
        task->Control().OnProgress = [this](TCustomFFmpeg& t, const TProgressInfo& i) { DoProgress(t, i); };
        task->Control().OnTerminate = [this](TCustomFFmpeg& t) { DoTerminate(t); };

        std::lock_guard<std::mutex> lock(TerminateLock);
        return Tasks.Add(std::move(task));
    } catch (const std::exception& e) {
        SetLastErrMsg(e.what());
        return -1;
    }
}

bool TCustomFFmpegVCL::SetOutputFile(int taskIndex, const std::string& fileName, TOutputOptions* outputOptions)
{
    CheckNotWorking(msg::OpSetOutputFile);
    const std::shared_ptr<TFFmpeg> held = TaskAt(taskIndex);
    TFFmpeg& task = *held;
    const int slot = task.OutputFileCount();
    if (slot >= MaxFiles) {
        SetLastErrMsg(StrFormat(msg::TooManyOutputFiles, MaxFiles));
        return false;
    }
    try {
        bool join = false;
        TStreamDefaults defaults;
        if (outputOptions) {
            if (outputOptions->FileName.empty()) outputOptions->FileName = fileName;
            task.OutputRecord(slot) = *outputOptions;
            defaults = ApplyOutputOptions(task, *outputOptions);
            if (outputOptions->CustomHook)
                task.Control().OnHook = [this](TCustomFFmpeg& t, THookInfo& i) { DoCustomHook(t, i); };
            join = outputOptions->Join;
        } else if (task.HasOutputRecord(slot)) {
            InitOutputOptions(task.OutputRecord(slot));
        }
        // The argument is created, never the record's FileName.
        if (task.OpenOutput(fileName, join) < 0) {
            SetLastErrMsg(task.LastError());
            if (task.HasOutputRecord(slot)) InitOutputOptions(task.OutputRecord(slot));
            return false;
        }
        if (outputOptions) ApplyExtraStreamOptions(task, *outputOptions, defaults);
        return true;
    } catch (const std::exception& e) {
        SetLastErrMsg(e.what());
        return false;
    }
}

void TCustomFFmpegVCL::RemoveTask(int index)
{
    CheckNotWorking(msg::OpRemoveTask);
    TFFmpegList::TTaskPtr task;
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        task = Tasks.Take(index);
    }
}

void TCustomFFmpegVCL::ClearTasks()
{
    std::vector<TFFmpegList::TTaskPtr> tasks;
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        if (Working_ && !AllTerminated_) throw std::runtime_error(msg::CannotClearTasksWhileWorking);
        tasks = Tasks.TakeAll();
        LastErrMsg_.clear();
        FinishedCount = 0;
        NextTaskIndex = -1;
        RemainingToStart = 0;
        AllTerminated_ = false;
        ThreadedMode = false;
        Working_ = false;
        PausedRun = false;
    }
    // Freed here, outside the lock (a snapshot held by a stop may keep them
    // a little longer).
}

// ---- runs ----

void TCustomFFmpegVCL::StartTask(int count)
{
    const bool threaded = count > 0;
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        if (Working_) throw std::runtime_error(StrFormat(msg::CannotWhileWorking, msg::OpStartTask));
        FinishedCount = 0;
        NextTaskIndex = 0;
        RemainingToStart = Tasks.Count();
        AllTerminated_ = false;
        ThreadedMode = threaded;
        Working_ = true;
        PausedRun = false;
        ++StartDepth;
        for (int i = 0; i < Tasks.Count(); ++i) Tasks.Item(i).Control().TaskIndex = i;
        // Nothing to run: the run is over at once.
        if (Tasks.Count() == 0) {
            AllTerminated_ = true;
            FinalPending = true;
        }
    }
    // The final event waits for the end of this call: its handler may free
    // the tasks, and a task that ended inside this call may still be on the
    // stack.
    struct TStartScope {
        TCustomFFmpegVCL& c;
        bool threaded;
        const TCustomFFmpegVCL* outer;
        ~TStartScope()
        {
            bool final;
            {
                std::lock_guard<std::mutex> lock(c.TerminateLock);
                final = --c.StartDepth == 0 && std::exchange(c.FinalPending, false);
            }
            if (final) c.DeliverFinal(threaded);
            tlSyncRun = outer;
        }
    } scope{*this, threaded, tlSyncRun};
    if (!threaded) tlSyncRun = this;

    for (;;) {
        TFFmpegList::TTaskPtr next;
        {
            std::lock_guard<std::mutex> lock(TerminateLock);
            next = TakeNextTask();
        }
        if (!next) break;
        StartTaskNow(*next, threaded);
        if (threaded && --count == 0) break;
    }
}

TFFmpegList::TTaskPtr TCustomFFmpegVCL::TakeNextTask()
{
    if (RemainingToStart <= 0 || NextTaskIndex >= Tasks.Count()) return nullptr;
    --RemainingToStart;
    TFFmpegList::TTaskPtr task = Tasks.Shared(NextTaskIndex++);
    task->Control().ReportInterval = static_cast<int64_t>(ProgressInterval_) * 1000;
    if (PausedRun) task->Gate().Pause();
    return task;
}

void TCustomFFmpegVCL::StartTaskNow(TFFmpeg& task, bool threaded) { task.Start(threaded, ThreadPriority_); }

void TCustomFFmpegVCL::Pause()
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    if (Working_ && !AllTerminated_) PausedRun = true;
    Tasks.PauseAll();
}

void TCustomFFmpegVCL::Resume()
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    PausedRun = false;
    Tasks.ResumeAll();
}

void TCustomFFmpegVCL::Stop(bool wait)
{
    TFFmpegList snapshot;
    bool inRun;
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        RemainingToStart = 0;
        PausedRun = false;
        inRun = Working_ && !AllTerminated_;
        snapshot = Tasks;
    }
    // Waiting from inside a progress or preview handler would wait for the
    // worker that waits for this handler.
    if (tlHandlerDepth > 0) wait = false;
    if (inRun) {
        snapshot.StopAll(wait);
        return;
    }
    for (int i = 0; i < snapshot.Count(); ++i) snapshot.Item(i).Stop(wait);
}

int TCustomFFmpegVCL::TasksCount() const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    return Tasks.Count();
}

TAVProbe* TCustomFFmpegVCL::TaskProbe(int taskIndex, int inputIndex) const
{
    return TaskAt(taskIndex)->Probe(inputIndex);
}

std::shared_ptr<TFFmpeg> TCustomFFmpegVCL::TaskAt(int index) const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    return Tasks.Shared(index);
}

int TCustomFFmpegVCL::IndexOfTask(const TCustomFFmpeg& task) const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    return Tasks.IndexOf(task);
}

std::string TCustomFFmpegVCL::LastErrMsg() const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    return LastErrMsg_;
}

void TCustomFFmpegVCL::SetLastErrMsg(std::string text)
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    LastErrMsg_ = std::move(text);
}

bool TCustomFFmpegVCL::Working() const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    return Working_;
}

bool TCustomFFmpegVCL::AllTerminated() const
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    return AllTerminated_;
}

// ---- properties ----

void TCustomFFmpegVCL::SetPreview(bool value)
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    Preview_ = value;
    Tasks.SetPreviewAll(value);
}

void TCustomFFmpegVCL::SetPreviewBitmap(bool value)
{
    std::lock_guard<std::mutex> lock(TerminateLock);
    PreviewBitmap_ = value;
    Tasks.SetPreviewBitmapAll(value);
}

void TCustomFFmpegVCL::SetProgressInterval(int milliseconds) { ProgressInterval_ = milliseconds <= 100 ? 100 : milliseconds; }

void TCustomFFmpegVCL::SetDispatcher(std::shared_ptr<IDispatcher> dispatcher)
{
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        Dispatcher = dispatcher;
    }
    std::lock_guard<std::mutex> lock(TerminateLock);
    for (int i = 0; i < Tasks.Count(); ++i) Tasks.Item(i).SetDispatcher(dispatcher);
}

std::shared_ptr<IDispatcher> TCustomFFmpegVCL::CurrentDispatcher() const
{
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        if (Dispatcher) return Dispatcher;
    }
    return MainDispatcher();
}

void TCustomFFmpegVCL::SetOnCustomHook(TCustomHookEvent handler)
{
    std::lock_guard<std::mutex> lock(HandlerLock);
    OnCustomHook = std::move(handler);
}

void TCustomFFmpegVCL::SetOnPreviewBitmap(TPreviewBitmapEvent handler)
{
    std::lock_guard<std::mutex> lock(HandlerLock);
    OnPreviewBitmap = std::move(handler);
}

void TCustomFFmpegVCL::SetOnProgress(TProgressEvent handler)
{
    std::lock_guard<std::mutex> lock(HandlerLock);
    OnProgress = std::move(handler);
}

void TCustomFFmpegVCL::SetOnTerminate(TTerminateEvent handler)
{
    std::lock_guard<std::mutex> lock(HandlerLock);
    OnTerminate = std::move(handler);
}

// ---- events ----

void TCustomFFmpegVCL::RunHandler(const std::function<void()>& handler)
{
    const auto run = [&] {
        ++tlHandlerDepth;
        try {
            handler();
        } catch (...) {
            --tlHandlerDepth;
            throw;
        }
        --tlHandlerDepth;
    };
    const std::shared_ptr<IDispatcher> dispatcher = CurrentDispatcher();
    if (TriggerEventInMainThread_ && !dispatcher->IsMainThread()) dispatcher->RunAndWait(run);
    else run();
}

void TCustomFFmpegVCL::DoProgress(TCustomFFmpeg& task, const TProgressInfo& info)
{
    TProgressEvent handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = OnProgress;
    }
    if (!handler) return;
    const int index = IndexOfTask(task);
    std::lock_guard<std::mutex> lock(ProgressLock);
    ProgressInfo = info;
    ProgressInfo.TaskIndex = index;
    RunHandler([&] { handler(*this, &ProgressInfo); });
}

void TCustomFFmpegVCL::DoPreviewBitmap(TCustomFFmpeg& task, const TPreviewInfo& info)
{
    TPreviewBitmapEvent handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = OnPreviewBitmap;
    }
    if (!handler) return;
    const int index = IndexOfTask(task);
    std::lock_guard<std::mutex> lock(PreviewLock);
    PreviewInfo = info;
    PreviewInfo.TaskIndex = index;
    RunHandler([&] { handler(*this, PreviewInfo); });
}

void TCustomFFmpegVCL::DoCustomHook(TCustomFFmpeg& task, THookInfo& info)
{
    TCustomHookEvent handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = OnCustomHook;
    }
    if (!handler || !info.Bitmap) return;
    const int index = IndexOfTask(task);
    std::lock_guard<std::mutex> lock(HookLock);
    HookInfo = info;
    HookInfo.TaskIndex = index;
    {
        std::lock_guard<BgrPicture> canvas(*info.Bitmap);
        handler(*this, &HookInfo);
    }
    info.Update = HookInfo.Update;
    info.StopHook = HookInfo.StopHook;
}

void TCustomFFmpegVCL::DoTerminate(TCustomFFmpeg& task)
{
    TTerminateEvent handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = OnTerminate;
    }
    std::optional<TTerminateInfo> own;
    bool final = false;
    bool threaded;
    TFFmpegList::TTaskPtr next;
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        threaded = ThreadedMode;
        if (handler && !Destroying) {
            const TRunControl& c = task.Control();
            TerminateInfo.TaskIndex = Tasks.IndexOf(task);
            TerminateInfo.Finished = c.Finished;
            TerminateInfo.Exception = c.ErrorOccurred;
            TerminateInfo.ExceptionMsg = c.ExceptionMsg;
            own = TerminateInfo;
        }
        ++FinishedCount;
        if (RemainingToStart < 1 && FinishedCount >= Tasks.Count()) {
            if (Working_ && !AllTerminated_) {
                AllTerminated_ = true;
                final = true;
            }
        } else if (RemainingToStart >= 1 && threaded) {
            next = TakeNextTask();
        }
        if (final && StartDepth > 0) {
            FinalPending = true;
            final = false;
        }
    }
    if (own) DeliverTerminate(handler, *own, threaded);
    if (final) DeliverFinal(threaded);
    // Outside the lock: a task that cannot start announces its end from
    // inside Start, which comes back here.
    if (next) StartTaskNow(*next, true);
}

void TCustomFFmpegVCL::DeliverFinal(bool threaded)
{
    TTerminateEvent handler;
    {
        std::lock_guard<std::mutex> lock(HandlerLock);
        handler = OnTerminate;
    }
    {
        std::lock_guard<std::mutex> lock(TerminateLock);
        if (!handler || Destroying) return;
    }
    DeliverTerminate(handler, FinalRecord(), threaded);
}

void TCustomFFmpegVCL::DeliverTerminate(const TTerminateEvent& handler, const TTerminateInfo& info, bool threaded)
{
    const auto deliver = [this](const TTerminateEvent& h, const TTerminateInfo& record) {
        try {
            h(*this, record);
        } catch (const std::exception& e) {
            FFLogger().Log(this, llError, std::string(msg::TerminateHandlerError) + e.what());
        } catch (...) {
            FFLogger().Log(this, llError, std::string(msg::TerminateHandlerError) + msg::UnknownException);
        }
    };
    // A run on the caller's thread delivers there. Ends announced by other
    // threads (tasks stopped before their start) go to a delivery thread even
    // then: a handler may free the tasks, the announcing one included.
    if (!threaded && tlSyncRun == this) {
        deliver(handler, info);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(DeliveryLock);
        ++Deliveries;
    }
    const auto done = [this] {
        std::lock_guard<std::mutex> lock(DeliveryLock);
        --Deliveries;
        DeliveryDone.notify_all();
    };
    try {
        // The thread gets its own copies and frees itself; the component
        // waits for it only when it is destroyed.
        std::thread([this, deliver, handler, info, done] {
            tlDelivering = this;
            deliver(handler, info);
            tlDelivering = nullptr;
            done();
        }).detach();
    } catch (const std::system_error&) {
        done();
        deliver(handler, info);
    }
}

}  // namespace quorvia
