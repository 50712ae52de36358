#pragma once
// The bitstream filter chain of an output stream, built when its packets are
// about to be written: the filter contexts need the stream's final codec
// parameters, which exist only once its encoder is open (or its copy source
// is known).
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/bsf.h>
}

#include "engine/OptionState.h"

namespace quorvia {

struct BsfContextDeleter { void operator()(AVBSFContext* p) const { av_bsf_free(&p); } };
using BsfContextPtr = std::unique_ptr<AVBSFContext, BsfContextDeleter>;

// One filter context running the filters of chain in order, initialised for
// packets with the parameters `in` and time base `timeBase`; null for an
// empty chain. The text after "=" of an entry is the filter's option list
// ("key=value:key=value"), and a leading bare value sets the filter's first
// option ("noise=100" sets "amount"). Throws FFmpegException
// "Unknown bitstream filter %s" for a name the libraries lack, or with the
// library error text when the filters refuse the parameters or options.
BsfContextPtr OpenBitstreamFilterChain(const std::vector<TBitstreamFilterSpec>& chain,
                                       const AVCodecParameters* in, AVRational timeBase);

}  // namespace quorvia
