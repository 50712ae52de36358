#pragma once
// Adding files to the job list, and clearing it. Each file is opened once
// through the engine component, to learn whether it can be read and how long
// it is; the task is removed again at once, so no task stays behind between
// batches. Choosing the files (the open dialog) is the caller's business.
#include <cstdint>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "engine/FFmpegVCL.h"
#include "jobs/JobList.h"
#include "jobs/JobPrompts.h"

namespace quorvia {

enum TSkipReason {
    srFolder,      // the path is a folder
    srDuplicate,   // a row with this caption exists already
    srUnreadable,  // the engine cannot open it (Detail = its reason)
};

struct TSkippedFile {
    std::string Path;
    TSkipReason Reason;
    std::string Detail;
};

struct TAddFilesResult {
    bool LibrariesLoaded = false;   // false: nothing was tried
    std::vector<int> AddedRows;     // positions of the new rows, in order
    std::vector<TSkippedFile> Skipped;
};

// Adds the paths in order: position i in paths becomes AddOrder. The new
// rows are checked; afterwards the first row is selected and focused (when
// anything was added). The settings INI gives "FormatCode", "OutPutDir" and
// the profile's "paraZoom", the format INI the profile's "FileExt".
// libraryFolder empty means "LibAV" beside the executable. Throws what the
// engine's guarded calls throw while a run is going on.
TAddFilesResult AddFiles(TJobList& list, TCustomFFmpegVCL& engine, const std::vector<std::string>& paths,
                         TIniFile& settings, const TIniFile& format, IJobPrompts& prompts,
                         const std::string& libraryFolder = {});

// "Length" text of a duration in microseconds: whole seconds (remainder
// dropped), or empty when the probe knows no duration (negative).
std::string LengthText(int64_t durationUs);

// Clears the engine's tasks and every row; false when the list was empty
// (then nothing is called).
bool ClearJobList(TJobList& list, TCustomFFmpegVCL& engine);

}  // namespace quorvia
