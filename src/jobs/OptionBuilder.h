#pragma once
// The job option builder: turns one job of the batch and the current output
// profile into the engine's output options record, and completes the input
// options record of an audio-only job. It combines
//   - the profile (container keyword from the format INI, the user's choices
//     from the program INI: TJobProfile),
//   - the job record (zoom mode and crop),
//   - what the probe says about the source's first video stream
//     (TSourceVideo).
// It only assigns record fields; what the engine cannot do (a codec it lacks,
// an impossible size or filter) the engine reports when the output is set or
// the task runs.
//
// Threads: the user-interface thread (it may show the frame size question).
#include <cstdint>

#include "app/IniFile.h"
#include "engine/OptionRecords.h"
#include "jobs/JobProfile.h"
#include "jobs/JobPrompts.h"
#include "jobs/JobRecord.h"

namespace quorvia {

class TCustomAVProbe;

// The facts of the source the builder needs.
struct TSourceVideo {
    bool HasVideo = false;  // at least one video stream
    int Width = 0;          // sw, sh: the first video stream
    int Height = 0;
    int64_t BitRate = -1;   // bits/s of the first video stream, -1 unknown
};

// From an opened probe; nothing loaded gives a source without video.
TSourceVideo SourceVideoOf(TCustomAVProbe& probe);

// Fills O (already reset and carrying its file name) and, for an audio-only
// profile, the ExtOptions of I. May ask the frame size question once through
// prompts. Throws EConvertError when "paraVolume" is not an integer; the
// fields set before that stay set.
void BuildJobOptions(const TlvFilesRecord& job, const TJobProfile& profile, const TSourceVideo& source,
                     TOutputOptions& O, TInputOptions& I, IJobPrompts& prompts);

// The same with the profile read from both INI files (section "formatInfo" +
// profileCode) and the source read from the probe (nullptr: no video).
void BuildJobOptions(const TlvFilesRecord& job, int profileCode, TOutputOptions& O, TCustomAVProbe* probe,
                     TInputOptions& I, const TIniFile& programIni, const TIniFile& formatIni, IJobPrompts& prompts);

}  // namespace quorvia
