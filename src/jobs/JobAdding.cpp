#include "jobs/JobAdding.h"

#include <filesystem>
#include <memory>

#include "app/Paths.h"
#include "jobs/Messages.h"
#include "jobs/OutputNaming.h"
#include "profiles/CurrentProfile.h"
#include "profiles/FormatProfile.h"

namespace fs = std::filesystem;

namespace quorvia {

std::string LengthText(int64_t durationUs)
{
    return durationUs < 0 ? std::string() : std::to_string(durationUs / 1000000);
}

namespace {

bool IsFolder(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

int64_t DurationOf(TCustomFFmpegVCL& engine, int task)
{
    TFileStreamInfo info;
    TAVProbe* probe = engine.TaskProbe(task, 0);
    if (!probe || !probe->GetFileStreamInfo(info)) return -1;
    return info.Duration;
}

}  // namespace

TAddFilesResult AddFiles(TJobList& list, TCustomFFmpegVCL& engine, const std::vector<std::string>& paths,
                         TIniFile& settings, const TIniFile& format, IJobPrompts& prompts,
                         const std::string& libraryFolder)
{
    TAddFilesResult result;
    const std::string folder = libraryFolder.empty() ? ExecutableFolder() + jobs::msg::LibraryFolderName : libraryFolder;
    if (!engine.LoadLibraries(folder)) return result;
    result.LibrariesLoaded = true;

    engine.ClearTasks();
    const int code = ReadFormatCode(settings);
    const std::string section = ProfileSection(code);
    const std::string ext = format.ReadString(section, kFileExtKey, kDefaultFileExt);
    const std::string zoom = settings.ReadString(section, jobs::msg::ZoomKey, jobs::msg::DefaultZoom);
    const std::string suffix = jobs::msg::IpodSuffix + ext;

    // Names proposed for rows already listed count as taken, so the list
    // never shows one destination twice.
    TReservedOutputs reserved;
    for (int row = 0; row < list.Count(); ++row) reserved.Reserve(list.Record(row).DestFile);

    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        if (IsFolder(path)) {
            result.Skipped.push_back({path, srFolder, {}});
            continue;
        }
        if (list.ContainsCaption(path)) {
            result.Skipped.push_back({path, srDuplicate, {}});
            continue;
        }
        const std::string dest = FreeOutputName(PrepareOutputFolder(settings, prompts), path, suffix, &reserved);

        TInputOptions input;
        InitInputOptions(input);
        input.FileName = path;
        const int task = engine.AddTask(path, &input);
        if (task < 0) {
            result.Skipped.push_back({path, srUnreadable, engine.LastErrMsg()});
            continue;
        }
        const int64_t durationUs = DurationOf(engine, task);

        auto record = std::make_unique<TlvFilesRecord>();
        record->AddOrder = static_cast<int32_t>(i);
        record->SourceFile = path;
        record->DestFile = dest;
        record->Duration = durationUs < 0 ? 0 : static_cast<int32_t>(durationUs / 1000000);
        record->ZoomMode = zoom;
        result.AddedRows.push_back(list.Append(std::move(record), LengthText(durationUs)));
        reserved.Reserve(dest);

        engine.RemoveTask(task);
        engine.ClearTasks();
        list.Select(0);
        list.SetFocused(0);
    }
    return result;
}

bool ClearJobList(TJobList& list, TCustomFFmpegVCL& engine)
{
    if (list.Empty()) return false;
    engine.ClearTasks();
    return list.Clear();
}

}  // namespace quorvia
