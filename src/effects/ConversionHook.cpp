#include "effects/ConversionHook.h"

#include <exception>
#include <memory>

#include "app/BgrPicture.h"
#include "effects/Messages.h"

namespace quorvia {

bool TJobEffectsTable::EffectsOfTask(int32_t taskIndex, TJobEffects& effects) const
{
    if (taskIndex < 0 || static_cast<size_t>(taskIndex) >= jobs_.size()) return false;
    effects = jobs_[static_cast<size_t>(taskIndex)];
    return true;
}

TConversionHook::TConversionHook(const IJobEffectsSource& jobs, THookErrorEvent onError)
    : jobs_(jobs), onError_(std::move(onError))
{
}

void TConversionHook::Process(THookInfo& info)
{
    if (!info.Bitmap || info.Bitmap->Empty()) {
        info.Update = false;
        return;
    }
    std::string error;
    try {
        TJobEffects fx;
        if (!jobs_.EffectsOfTask(info.TaskIndex, fx)) {
            info.Update = false;
            error = msg::HookNoJob + std::to_string(info.TaskIndex);
        } else if (fx.NoChange()) {
            info.Update = false;
        } else {
            // The picture is read before anything is drawn, so a missing
            // file leaves even the bitmap itself untouched.
            std::shared_ptr<const BgrPicture> watermark;
            if (fx.HasImage()) watermark = watermarks_.Get(fx.WaterImage);
            ApplyJobEffects(*info.Bitmap, fx, watermark.get());
        }
    } catch (const std::exception& e) {
        info.Update = false;
        error = e.what();
    } catch (...) {
        info.Update = false;
        error = msg::HookUnknownError;
    }
    if (!error.empty() && onError_) onError_(info.TaskIndex, error);
}

}  // namespace quorvia
