#pragma once
// The frame-rate decision of the video path: how many times a picture whose
// time is syncTime seconds is written to an output whose encoder counts
// frames in timeBase seconds, given the output position syncOpts (frames).
#include <cstdint>

namespace quorvia::transcode {

// method: VideoSyncMethod (0 pass-through, 1 constant rate, 2 variable rate,
// negative automatic: variable when the output format allows it).
// Returns 0 (drop), 1, or more (duplicates); may move syncOpts forward to the
// picture's time (pass-through and variable rate). Rounding is to the
// nearest integer, ties to even.
int DecideVideoFrames(double syncTime, double timeBase, int method, bool variableFpsFormat, int64_t& syncOpts);

}  // namespace quorvia::transcode
