#pragma once
// Stream time helpers shared by the queries and the description text.
#include <cstdint>

extern "C" {
#include <libavformat/avformat.h>
}

namespace quorvia {

// A time base with a zero part gets one that rescales without dividing by
// zero (denominator := numerator, or 1); the repair stays in the stream.
void RepairTimeBase(AVStream* st);

// A stream time in microseconds; AV_NOPTS_VALUE stays AV_NOPTS_VALUE.
int64_t StreamTimeUs(int64_t value, AVRational timeBase);

}  // namespace quorvia
