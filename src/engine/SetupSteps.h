#pragma once
// The steps of the transcode set-up, in the order TTranscoder::Setup runs
// them (TranscodeSetup.cpp, CodecOpening.cpp, OutputHeaders.cpp).
#include <string>

#include "engine/TranscodeState.h"

namespace quorvia::transcode {

// Tables, mapping, copy/encode decisions (TranscodeSetup.cpp).
void BuildInputTables(TTranscoder& tr);
void BuildOutputTable(TTranscoder& tr);
void ChooseSources(TTranscoder& tr);
void SetupStreamCodecs(TTranscoder& tr);

// Codecs (CodecOpening.cpp).
void OpenEncoders(TTranscoder& tr);
void OpenDecoders(TTranscoder& tr);
void SetInitialTimestamps(TTranscoder& tr);
// Opens the decoder of ist now (subtitle encoders need its header); no-op
// when it is open already.
void OpenDecoder(TTranscoder& tr, TInputStream& ist);

// Metadata, chapters, headers, mapping log (OutputHeaders.cpp).
void CopyMetaDataMaps(TTranscoder& tr);
void CopyChapters(TTranscoder& tr);
void WriteHeaders(TTranscoder& tr);
void LogStreamMapping(TTranscoder& tr);

// Dumps the format of output slot `slot` through the library log.
void DumpOutputFile(TTranscoder& tr, int slot);
// Dumps every output file (join: only the first), as before a failure.
void DumpMapping(TTranscoder& tr);

// Opening a codec context under the codec lock with the generic options of
// `from` that the context's own class does not hold already (private codec
// options); every core (thread_count 0). Returns the library result.
int OpenCodecLocked(TTranscoder& tr, AVCodecContext* ctx, const AVCodec* codec,
                    TGenericTemplate from, int flags);

}  // namespace quorvia::transcode
