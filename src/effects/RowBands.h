#pragma once
// Runs a per-row picture pass over bands of rows on several cores. The
// conversion hook treats every frame on the conversion thread; a colour pass
// over a full-HD frame in one band holds up the whole conversion.
#include <functional>

namespace quorvia {

// Calls fn(first, last) for bands [first, last) covering 0..height, the
// first band on the calling thread, others on short-lived threads; returns
// when all are done. Small pictures stay in one band.
void ForRowBands(int height, const std::function<void(int first, int last)>& fn);

}  // namespace quorvia
