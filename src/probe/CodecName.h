#pragma once
// The codec name the prober shows for a stream: the decoder's name with its
// long name, else what is known of the codec id or its tag.
#include <string>

struct AVCodecParameters;

namespace quorvia {

std::string StreamCodecName(const AVCodecParameters* par);

}  // namespace quorvia
