#pragma once
// Output names: the output folder ("OutPutDir" of section "settings"), then
// the source's name without extension + "_(new)" + suffix, or "_(new_1)",
// "_(new_2)" ... when that name is taken. The suffix already carries the
// extension ("_ipod.mp4" for the names shown when files are added, ".mp4"
// for the real output at the start of a batch).
//
// A name counts as taken when anything exists under it (file, folder,
// dangling link), when it is the source itself, or when it was reserved
// earlier in the same batch; so two sources with one file name never share
// an output and no source is ever overwritten.
#include <set>
#include <string>

#include "app/IniFile.h"
#include "jobs/JobPrompts.h"

namespace quorvia {

// Output paths given out in one batch, compared as canonical paths.
class TReservedOutputs {
public:
    void Reserve(const std::string& path);
    bool Contains(const std::string& path) const;
    void Clear() { paths_.clear(); }
    size_t Count() const { return paths_.size(); }

private:
    std::set<std::string> paths_;
};

// Canonical form used for comparisons: absolute, ".." and links of the
// existing part resolved; the path as given when that fails.
std::string CanonicalPath(const std::string& path);

// The output folder, ending with "/". A folder that does not exist is
// created with its parents; when that fails, prompts shows the warning, the
// default folder (DefaultOutputFolder()) is created, written to "OutPutDir"
// and used.
std::string PrepareOutputFolder(TIniFile& settings, IJobPrompts& prompts);

// The first free name for sourcePath in folder (which ends with "/").
std::string FreeOutputName(const std::string& folder, const std::string& sourcePath,
                           const std::string& suffix, const TReservedOutputs* reserved = nullptr);

// Both steps; the result is reserved in reserved when given.
std::string OutputName(const std::string& sourcePath, const std::string& suffix, TIniFile& settings,
                       IJobPrompts& prompts, TReservedOutputs* reserved = nullptr);

}  // namespace quorvia
