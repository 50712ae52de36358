#pragma once
// Event records a task hands to its component, the engine-side callbacks that
// carry them, and the run-control block a task shares with whoever drives it.
//
// Threads: the callbacks run on the thread that runs the transcode (the
// worker thread in a threaded run). StopRequested is written by any thread and
// polled by the packet loop and the video duplication loop. PreviewFlags is
// read and written only under PreviewLock (the component switches previews on
// and off while a task runs).
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace quorvia {

class TCustomFFmpeg;
class BgrPicture;

// Handed to OnProgress (through PProgressInfo).
struct TProgressInfo {
    int32_t TaskIndex = 0;
    int32_t FileIndex = -1;       // input file read last; -1 in the final report
    int32_t FrameNumber = -1;     // frames of the first active video output; -1 without video
    int32_t FPS = -1;             // -1 without video output
    float Quality = -1.0f;        // -1 for stream copy or without video output
    float BitRate = 0;            // kbit/s
    int64_t TotalSize = 0;        // bytes of output file 0
    int64_t Time = 0;             // microseconds of output
    int64_t TotalDuration = -1;   // microseconds, -1 unknown
};
using PProgressInfo = TProgressInfo*;

// Handed to OnCustomHook (through PHookInfo). The handler draws on Bitmap in
// place; Update and StopHook are in/out.
struct THookInfo {
    int32_t TaskIndex = 0;
    BgrPicture* Bitmap = nullptr;  // the frame at its own size
    int32_t FrameNumber = 0;       // HookFrameCount, the first frame is 1
    int64_t PTS = 0;               // microseconds (the input stream's Pts)
    bool Update = true;            // false: the bitmap was not changed, nothing is copied back
    bool StopHook = false;         // true: no more hooks for the rest of the task
};
using PHookInfo = THookInfo*;

// Handed to OnPreviewBitmap by value.
struct TPreviewInfo {
    int32_t TaskIndex = 0;
    const BgrPicture* Bitmap = nullptr;  // the picture handed to the encoder
    int32_t FrameNumber = 0;             // HookFrameCount at the time of the preview
    int64_t PTS = 0;                     // encoded frame's pts, microseconds
};

// Engine callbacks, bound by the component. The engine fills TaskIndex from
// TRunControl::TaskIndex.
using TProgressCallback = std::function<void(TCustomFFmpeg& sender, const TProgressInfo& info)>;
// May throw: the video path logs "Error occurs OnCustomHook: ..." and encodes the
// frame unchanged.
using THookCallback = std::function<void(TCustomFFmpeg& sender, THookInfo& info)>;
using TPreviewCallback = std::function<void(TCustomFFmpeg& sender, const TPreviewInfo& info)>;
// The task's own preview window (bit pfPreviewer), made by whoever drives the
// task on first use: shows the picture; false once the window was closed or
// cannot be shown (the video path then clears the bit).
using TPreviewerCallback =
    std::function<bool(TCustomFFmpeg& sender, const BgrPicture& bitmap, int32_t frameNumber, int64_t pts)>;

// The end of a task (run over, failed start, or stopped before its start);
// the component builds TTerminateInfo from the task's run flags.
using TTerminateCallback = std::function<void(TCustomFFmpeg& sender)>;

// Handed to OnTerminate by value; every delivery has its own copy.
struct TTerminateInfo {
    int32_t TaskIndex = 0;      // -1 in the final event after the last task of a run
    bool Finished = false;      // the transcode reached its end without a stop request
    bool Exception = false;     // an exception ended the run or the start
    std::string ExceptionMsg;   // empty when none
};

// Bits of TRunControl::PreviewFlags.
inline constexpr int pfPreviewer = 1;     // the task's own preview window
inline constexpr int pfPreviewEvent = 2;  // OnPreviewBitmap

// Run state of one task (read by the transcode, written by its driver).
struct TRunControl {
    int32_t TaskIndex = 0;
    std::atomic<bool> StopRequested{false};
    bool Running = false;
    bool Finished = false;       // the transcode reached its end without a stop request
    bool Terminated = false;
    bool ErrorOccurred = false;
    std::string ExceptionMsg;

    int64_t ReportInterval = 500000;   // microseconds between progress reports
    int64_t PreviewInterval = 100000;  // microseconds between preview pictures

    TProgressCallback OnProgress;
    THookCallback OnHook;  // set only when an output asked for the custom hook
    TPreviewCallback OnPreview;
    TPreviewerCallback ShowPreviewer;
    TTerminateCallback OnTerminate;  // called once the end was announced (TaskControl.cpp)

    std::mutex PreviewLock;
    int PreviewFlags = 0;  // guarded by PreviewLock

    // Called at the top of every packet loop iteration, outside any codec
    // lock: the threaded run puts its pause gate here.
    std::function<void()> SafePoint;
};

}  // namespace quorvia
