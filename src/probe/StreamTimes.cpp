#include "probe/StreamTimes.h"

namespace quorvia {

void RepairTimeBase(AVStream* st)
{
    if (st->time_base.den == 0) st->time_base.den = st->time_base.num ? st->time_base.num : 1;
    if (st->time_base.num == 0) st->time_base.num = 1;
}

int64_t StreamTimeUs(int64_t value, AVRational timeBase)
{
    return value == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(value, timeBase, AV_TIME_BASE_Q);
}

}  // namespace quorvia
