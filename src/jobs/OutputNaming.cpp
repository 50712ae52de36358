#include "jobs/OutputNaming.h"

#include <filesystem>

#include "app/Paths.h"
#include "jobs/Messages.h"

namespace fs = std::filesystem;

namespace quorvia {

namespace {

bool IsFolder(const std::string& folder)
{
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

bool MakeFolder(const std::string& folder)
{
    if (folder.empty()) return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    return IsFolder(folder);
}

// Anything at all under the name. A name whose state cannot be read counts
// as free: the engine then reports why it cannot write there.
bool Exists(const std::string& path)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    return !ec && st.type() != fs::file_type::not_found;
}

}  // namespace

std::string CanonicalPath(const std::string& path)
{
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? path : p.string();
}

void TReservedOutputs::Reserve(const std::string& path) { paths_.insert(CanonicalPath(path)); }

bool TReservedOutputs::Contains(const std::string& path) const { return paths_.count(CanonicalPath(path)) > 0; }

std::string PrepareOutputFolder(TIniFile& settings, IJobPrompts& prompts)
{
    const std::string fallback = DefaultOutputFolder();
    std::string folder = settings.ReadString(jobs::msg::SettingsSection, jobs::msg::OutPutDirKey, fallback);
    if (!IsFolder(folder) && !MakeFolder(folder)) {
        prompts.Warning(jobs::msg::WarningCaption, std::string(jobs::msg::CannotCreateOutputDir) + folder +
                                                       jobs::msg::WillCreateDefaultDir + fallback +
                                                       jobs::msg::WillCreateDefaultDirEnd);
        MakeFolder(fallback);
        settings.WriteString(jobs::msg::SettingsSection, jobs::msg::OutPutDirKey, fallback);
        folder = fallback;
    }
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string FreeOutputName(const std::string& folder, const std::string& sourcePath, const std::string& suffix,
                           const TReservedOutputs* reserved)
{
    const std::string base = folder + fs::path(sourcePath).stem().string();
    const std::string source = CanonicalPath(sourcePath);
    auto taken = [&](const std::string& candidate) {
        return Exists(candidate) || CanonicalPath(candidate) == source ||
               (reserved && reserved->Contains(candidate));
    };
    std::string candidate = base + jobs::msg::NewMark + suffix;
    for (int n = 1; taken(candidate); ++n)
        candidate = base + jobs::msg::NewMarkNumberedOpen + std::to_string(n) + jobs::msg::NewMarkNumberedClose + suffix;
    return candidate;
}

std::string OutputName(const std::string& sourcePath, const std::string& suffix, TIniFile& settings,
                       IJobPrompts& prompts, TReservedOutputs* reserved)
{
    const std::string name = FreeOutputName(PrepareOutputFolder(settings, prompts), sourcePath, suffix, reserved);
    if (reserved) reserved->Reserve(name);
    return name;
}

}  // namespace quorvia
