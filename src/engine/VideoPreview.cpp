// Preview delivery: the picture handed to the encoder goes, at most once per
// PreviewInterval, to the preview event (bit pfPreviewEvent) or else to the
// task's previewer window (bit pfPreviewer).
//
// The flags are read and written under PreviewLock, but the conversion and
// the callbacks run outside it: the component may marshal a callback to the
// user-interface thread and wait, while that thread switches previews on or
// off under the same lock. Bits are cleared with a mask, so a switch made by
// the component meanwhile is kept.
#include <mutex>

#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
#include "engine/VideoMessages.h"
#include "engine/VideoPathState.h"

namespace quorvia::transcode {

void DeliverPreview(TTranscoder& tr, const AVFrame* picture, int64_t ptsMicroseconds)
{
    TRunControl& control = tr.Control;
    int flags;
    {
        std::lock_guard<std::mutex> lock(control.PreviewLock);
        flags = control.PreviewFlags;
    }
    if (!(flags & (pfPreviewEvent | pfPreviewer))) return;

    TVideoPathState& path = VideoPath(tr);
    const int64_t now = tr.Now();
    if (now - path.LastPreview <= control.PreviewInterval) return;
    path.LastPreview = now;
    // Stamped again when the picture is ready: the interval holds between
    // deliveries, whatever a conversion took (the first one makes its scaler).
    auto stamp = [&] { path.LastPreview = tr.Now(); };

    BitmapConverter& converter = path.PreviewConverter;
    int cleared = 0;
    if ((flags & pfPreviewEvent) && control.OnPreview) {
        if (converter.ConvertToBitmap(picture)) {
            TPreviewInfo info;
            info.TaskIndex = control.TaskIndex;
            info.Bitmap = &converter.Bitmap();
            info.FrameNumber = tr.HookFrameCount;
            info.PTS = ptsMicroseconds;
            stamp();
            control.OnPreview(tr.Task, info);
        } else {
            FFLogger().Log(&tr.Task, llError, msg::ToRgbFail);
            cleared = pfPreviewEvent;
        }
    } else if (flags & pfPreviewer) {
        bool shown = false;
        if (!converter.ConvertToBitmap(picture)) {
            FFLogger().Log(&tr.Task, llError, msg::ToRgbFail);
        } else if (control.ShowPreviewer) {
            stamp();
            shown = control.ShowPreviewer(tr.Task, converter.Bitmap(), tr.HookFrameCount, ptsMicroseconds);
        }
        if (!shown) cleared = pfPreviewer;
    }
    if (cleared) {
        std::lock_guard<std::mutex> lock(control.PreviewLock);
        control.PreviewFlags &= ~cleared;
    }
}

}  // namespace quorvia::transcode
