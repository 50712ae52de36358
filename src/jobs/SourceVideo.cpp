#include <climits>

#include "jobs/OptionBuilder.h"
#include "probe/AVProbe.h"

namespace quorvia {

TSourceVideo SourceVideoOf(TCustomAVProbe& probe)
{
    TSourceVideo s;
    if (!probe.FormatContext() || probe.VideoStreamCount() <= 0) return s;
    s.HasVideo = true;
    TVideoStreamInfo info;
    if (probe.GetVideoStreamInfo(-1, info)) {
        s.Width = info.Width;
        s.Height = info.Height;
        s.BitRate = info.BitRate > INT_MAX ? INT_MAX : info.BitRate;
    }
    return s;
}

}  // namespace quorvia
