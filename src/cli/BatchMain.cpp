// quorvia-batch: converts files with an output profile, as the desktop
// program's Start does, on the terminal. See BatchUsage() for the options.
#include <QGuiApplication>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/IniFile.h"
#include "app/Paths.h"
#include "cli/BatchArguments.h"
#include "cli/BatchTerminal.h"
#include "cli/RunCommands.h"
#include "engine/FFmpegVCL.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "jobs/BatchDriver.h"
#include "jobs/CallQueueDispatcher.h"
#include "jobs/JobAdding.h"
#include "jobs/OptionBuilder.h"
#include "probe/AVProbe.h"
#include "profiles/CurrentProfile.h"
#include "profiles/FormatProfile.h"
#include "profiles/ProfileDefaults.h"

namespace {

using namespace quorvia;
using namespace quorvia::cli;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A private copy of the program INI: this run's choices (--profile, --out,
// --zoom, default choices) go there, never into the user's file.
class TSettingsCopy {
public:
    explicit TSettingsCopy(const std::string& original)
    {
        char name[] = "/tmp/quorvia-batch-XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) throw std::runtime_error("cannot create a temporary settings file");
        close(fd);
        path_ = name;
        std::error_code ec;
        if (fs::exists(original, ec)) fs::copy_file(original, path_, fs::copy_options::overwrite_existing, ec);
    }
    ~TSettingsCopy()
    {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

int64_t Microseconds(double seconds) { return static_cast<int64_t>(seconds * 1e6 + 0.5); }

// Puts the command line's trim, crop and effect settings into every job.
void ApplyToJobs(const TBatchArguments& args, TJobList& list)
{
    for (int row = 0; row < list.Count(); ++row) {
        TlvFilesRecord& job = list.Record(row);
        job.TrimStart = Microseconds(args.TrimStart);
        job.TrimDuration = Microseconds(args.TrimDuration);
        // Crop values are even: the picture's chroma comes in pairs of pixels.
        job.CropTop = args.Crop[0] & ~1;
        job.CropLeft = args.Crop[1] & ~1;
        job.CropBottom = args.Crop[2] & ~1;
        job.CropRight = args.Crop[3] & ~1;
        if (args.Brightness) job.Brightness = *args.Brightness;
        if (args.Contrast) job.Contrast = *args.Contrast;
        if (args.Saturation) job.Saturation = *args.Saturation;
        if (args.Exposure) job.Exposure = *args.Exposure;
        if (args.Text.empty() && args.Image.empty()) continue;

        // Watermark positions are pixels of the decoded source frame.
        TCustomAVProbe probe;
        const TSourceVideo video = probe.LoadFile(job.SourceFile) ? SourceVideoOf(probe) : TSourceVideo{};
        auto pixels = [](int size, int percent) { return static_cast<int32_t>(size * (percent / 100.0)); };
        if (!args.Text.empty()) {
            job.WaterText = args.Text;
            job.WaterTextHorz = args.TextPos[0];
            job.WaterTextVert = args.TextPos[1];
            job.WaterTextX = pixels(video.Width, args.TextPos[0]);
            job.WaterTextY = pixels(video.Height, args.TextPos[1]);
        }
        if (!args.Image.empty()) {
            job.WaterImage = fs::absolute(args.Image).string();
            job.WaterImageHorz = args.ImagePos[0];
            job.WaterImageVert = args.ImagePos[1];
            job.WaterImageX = pixels(video.Width, args.ImagePos[0]);
            job.WaterImageY = pixels(video.Height, args.ImagePos[1]);
        }
    }
}

int Run(const TBatchArguments& args)
{
    TSettingsCopy copy(DefaultSettingsFile());
    TFormatProfileStore store(DefaultFormatFile(), copy.Path());
    TIniFile& settings = store.SettingsIni();
    const TIniFile& format = store.FormatIni();

    const int code = args.Profile ? *args.Profile : ReadFormatCode(settings);
    if (!format.SectionExists(ProfileSection(code))) {
        std::fprintf(stderr, "quorvia-batch: no profile %d in %s\n", code, format.FileName().c_str());
        return 2;
    }
    settings.WriteInteger(kSettingsSection, kFormatCodeKey, code);
    if (ProfileNeverSetUp(store, code)) StoreDefaultChoices(store, code);
    if (!args.Zoom.empty()) store.WritePara(code, "paraZoom", args.Zoom);
    if (!args.OutputFolder.empty())
        settings.WriteString(kSettingsSection, "OutPutDir", fs::absolute(args.OutputFolder).string());

    TFFmpegVCL engine;
    TJobList list;
    TTerminalPrompts prompts;
    std::vector<std::string> files;
    for (const std::string& f : args.Files) files.push_back(fs::absolute(f).lexically_normal().string());
    const TAddFilesResult added = AddFiles(list, engine, files, settings, format, prompts);
    if (!added.LibrariesLoaded) {
        std::fprintf(stderr, "quorvia-batch: %s\n", engine.LastErrMsg().c_str());
        return 1;
    }
    for (const TSkippedFile& s : added.Skipped) {
        const char* why = s.Reason == srFolder ? "a folder" : s.Reason == srDuplicate ? "given twice" : "cannot be read";
        std::fprintf(stderr, "skipped %s: %s%s%s\n", s.Path.c_str(), why, s.Detail.empty() ? "" : ": ",
                     s.Detail.c_str());
    }
    if (list.Count() == 0) {
        std::fprintf(stderr, "quorvia-batch: nothing to convert\n");
        return 1;
    }
    // A file that could not be read is a job that failed.
    int unreadable = 0;
    for (const TSkippedFile& s : added.Skipped) unreadable += s.Reason == srUnreadable ? 1 : 0;
    ApplyToJobs(args, list);

    auto dispatcher = std::make_shared<TCallQueueDispatcher>();
    TTerminalView view;
    TNoShell shell;
    TRecordingShutdown shutdown;
    TBatchDriver driver({engine, list, settings, format, prompts, view, shell, shutdown, dispatcher});

    std::vector<TJobOutcome> jobs;
    size_t nextToStart = 0;
    driver.SetOnProgress([&](int, const TProgressInfo& p) {
        if (p.TaskIndex < 0 || static_cast<size_t>(p.TaskIndex) >= jobs.size()) return;
        TJobOutcome& job = jobs[static_cast<size_t>(p.TaskIndex)];
        job.Done = p.Time;
        if (p.TotalDuration > 0) job.Duration = p.TotalDuration;
        std::fprintf(stderr, "%s\n", ProgressLine(job, view.Texts().Progress, view.Percent()).c_str());
    });
    driver.SetOnTaskEnd([&](int, const TTerminateInfo& t) {
        if (t.TaskIndex < 0 || static_cast<size_t>(t.TaskIndex) >= jobs.size()) return;
        TJobOutcome& job = jobs[static_cast<size_t>(t.TaskIndex)];
        job.Ended = true;
        job.Finished = t.Finished && !t.Exception;
        job.Error = t.ExceptionMsg;
        job.Seconds = std::chrono::duration<double>(Clock::now() - job.Started).count();
        std::fprintf(stderr, "[%d/%zu] %s: %s\n", t.TaskIndex + 1, jobs.size(), job.Source.c_str(),
                     job.Finished ? "done" : job.Error.empty() ? "stopped" : job.Error.c_str());
        // The engine starts the next job of the list in its place.
        if (nextToStart < jobs.size()) jobs[nextToStart++].Started = Clock::now();
    });
    driver.SetOnHookError([](int task, const std::string& message) {
        std::fprintf(stderr, "job %d: %s\n", task + 1, message.c_str());
    });

    try {
        if (!driver.Start(args.Parallel)) return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvia-batch: %s\n", e.what());
        return 1;
    }
    const auto started = Clock::now();
    for (size_t k = 0; k < driver.Outputs().size(); ++k) {
        TJobOutcome job;
        job.Source = list.Row(driver.JobMap()[k]).Caption;
        job.Output = driver.Outputs()[k];
        job.Started = started;
        jobs.push_back(job);
    }
    nextToStart = std::min(jobs.size(), static_cast<size_t>(args.Parallel));

    const bool stopped = ServeRunCommands({[&] { driver.Pause(); }, [&] { driver.Resume(); }, [&] { driver.Cancel(); }},
                                          [&] { return !driver.Running(); },
                                          [&] {
                                              dispatcher->RunUntil([&] { return !driver.Running(); },
                                                                   std::chrono::milliseconds(100));
                                          });
    const int failed = PrintSummary(jobs);
    if (stopped) return 130;
    return failed || unreadable ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    TBatchArguments args;
    std::string error;
    if (!ParseBatchArguments(std::vector<std::string>(argv + 1, argv + argc), args, error)) {
        std::fprintf(stderr, "quorvia-batch: %s\n\n%s", error.c_str(), BatchUsage());
        return 2;
    }
    if (args.Help) {
        std::printf("%s", BatchUsage());
        return 0;
    }
    // Text watermarks are drawn with Qt's fonts; no window is ever shown.
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    try {
        // The progress lines say the rest; the engine's own reports would interleave.
        FFLogger().SetOnLog([](const void*, uint32_t, TLogLevel level, const std::string& msg) {
            if (level > llWarning) return;
            std::fprintf(stderr, "%s%s", msg.c_str(), !msg.empty() && msg.back() == '\n' ? "" : "\n");
        });
        ApplyLogLevelOption("warning");
        return Run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvia-batch: %s\n", e.what());
        return 1;
    }
}
