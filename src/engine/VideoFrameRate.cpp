#include "engine/VideoFrameRate.h"

#include <climits>
#include <cmath>

namespace quorvia::transcode {

int DecideVideoFrames(double syncTime, double timeBase, int method, bool variableFpsFormat, int64_t& syncOpts)
{
    // nearbyint follows the current rounding mode: to nearest, ties to even.
    const double position = syncTime / timeBase;
    if (method == 0) {
        syncOpts = static_cast<int64_t>(std::nearbyint(position));
        return 1;
    }
    const double vdelta = position - static_cast<double>(syncOpts);
    if (vdelta < -1.1) return 0;
    if (method == 2 || (method < 0 && variableFpsFormat)) {
        if (vdelta <= -0.6) return 0;
        if (vdelta > 0.6) syncOpts = static_cast<int64_t>(std::nearbyint(position));
        return 1;
    }
    if (vdelta > 1.1) return vdelta >= INT_MAX ? INT_MAX : static_cast<int>(std::nearbyint(vdelta));
    return 1;
}

}  // namespace quorvia::transcode
