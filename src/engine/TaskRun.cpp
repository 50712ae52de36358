// The synchronous run of a task: the run wrapper of Start on the calling
// thread, with its outcome as one answer.
#include "engine/CustomFFmpeg.h"

namespace quorvia {

bool TCustomFFmpeg::RunSync()
{
    // A task runs at most once until Reset; a second call changes nothing.
    if (RunCtl.Running || RunCtl.Terminated) return false;
    Start(false);
    return RunCtl.Finished && !RunCtl.ErrorOccurred;
}

}  // namespace quorvia
