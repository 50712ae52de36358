#pragma once
// The decision of the audio synchronisation step, apart from its effects so
// it can be checked on its own: how far the output is from the input
// timestamps, and whether to fill with silence, drop samples or stretch.
#include <cstdint>

namespace quorvia::transcode {

struct TAudioSyncInput {
    int Method = 0;                 // AudioSyncMethod ("async")
    float DriftThreshold = 0.1f;    // AudioDriftThreshold, seconds
    double SyncTime = 0;            // seconds of the sync stream since StartTime
    int OutRate = 0;                // encoder sample rate
    int InRate = 0;                 // sample rate of the decoded samples
    int64_t SyncOpts = 0;           // samples handed to the encoder so far
    int64_t Pending = 0;            // output samples converted but not yet encoded
    bool IsStart = false;           // the source has not been filled or trimmed yet
};

enum class TAudioSyncStep { None, Fill, Drop, Compensate };

struct TAudioSyncAction {
    TAudioSyncStep Step = TAudioSyncStep::None;
    int64_t SyncOpts = 0;   // new SyncOpts (Method 0: from the timestamps; else unchanged)
    double Delta = 0;       // output samples the output is behind (+) or ahead (-)
    int64_t Samples = 0;    // Fill: input samples of silence before the samples;
                            // Drop: input samples to skip at the start
    int Compensation = 0;   // Compensate: samples to stretch by over OutRate samples
};

// Method 0: SyncOpts follows the timestamps. Otherwise, only when the drift
// exceeds 50 samples: at the start or beyond the threshold fill or drop;
// else, with Method > 1, compensate at most Method samples.
TAudioSyncAction DecideAudioSync(const TAudioSyncInput& in);

}  // namespace quorvia::transcode
