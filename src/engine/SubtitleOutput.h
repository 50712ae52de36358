#pragma once
// Subtitle encoding: one decoded subtitle to one output stream.
extern "C" {
#include <libavcodec/avcodec.h>
}

namespace quorvia::transcode {

class TTranscoder;
struct TOutputStream;
struct TInputStream;

// pts is the packet's pts in the input stream's time base (AV_NOPTS_VALUE
// when it had none: "Subtitle packets must have a pts"). DVB subtitles give
// two packets (draw, then clear at the end of the display time).
void DoSubtitlesOut(TTranscoder& tr, TOutputStream& ost, TInputStream& ist, AVSubtitle* sub, int64_t pts);

}  // namespace quorvia::transcode
