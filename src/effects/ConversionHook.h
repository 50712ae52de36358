#pragma once
// The conversion-time frame hook: every decoded video frame of a batch job
// gets that job's effect settings, found through the job map.
//
// The batch driver binds Process to the engine's custom hook. It runs on the
// conversion thread that produced the frame, while the engine component
// holds its hook lock and the frame picture's lock (so Process takes neither
// again). It only reads the job source and draws only into the given frame.
//
// Outcomes for one frame:
//   - settings all at "no change" and no watermark: Update = false, nothing
//     copied back, the frame is encoded exactly as decoded;
//   - treated: Update stays true;
//   - any failure (watermark file missing or unreadable, no fonts, a task
//     the job map does not know): Update = false, so the frame is encoded
//     without any of the job's effects, the error goes to OnError, and the
//     next frame is treated again from scratch. Nothing is thrown.
// StopHook is never set: hooking goes on for the rest of the task.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "effects/JobEffects.h"
#include "effects/WatermarkCache.h"
#include "engine/TaskEvents.h"

namespace quorvia {

// The job map as the hook sees it: engine task index -> that job's settings.
// Implemented by the batch driver over the job list (and by TJobEffectsTable).
class IJobEffectsSource {
public:
    virtual ~IJobEffectsSource() = default;
    // Copies the settings of the job behind taskIndex; false when there is none.
    virtual bool EffectsOfTask(int32_t taskIndex, TJobEffects& effects) const = 0;
};

// A fixed table of settings, entry n for engine task n.
class TJobEffectsTable : public IJobEffectsSource {
public:
    TJobEffectsTable() = default;
    explicit TJobEffectsTable(std::vector<TJobEffects> jobs) : jobs_(std::move(jobs)) {}
    bool EffectsOfTask(int32_t taskIndex, TJobEffects& effects) const override;

private:
    std::vector<TJobEffects> jobs_;
};

// Called on the conversion thread with the task index and the error text.
using THookErrorEvent = std::function<void(int32_t taskIndex, const std::string& message)>;

class TConversionHook {
public:
    // jobs must outlive the hook.
    explicit TConversionHook(const IJobEffectsSource& jobs, THookErrorEvent onError = {});

    void Process(THookInfo& info);

private:
    const IJobEffectsSource& jobs_;
    THookErrorEvent onError_;
    TWatermarkCache watermarks_;
};

}  // namespace quorvia
