// quorvia-engine: runs one engine task from the command line.
//
//   quorvia-engine [-I "input option text"] INPUT... [-O "output option text"] OUTPUT
//                  [--hook] [--join] [--loglevel LEVEL]
//   quorvia-engine --info FILE
//
// Option texts are ExtOptions lines ("name=value", one per line) applied
// through the option records. One input runs as a task of the engine
// component on its worker thread; several inputs (joined with --join) run as
// one engine task of their own. Progress goes to stderr, one line per report.
// While it runs, standard input takes "p" (pause), "r" (resume) and "q"
// (stop, as Ctrl-C). Exit status 0 only when the task finished without
// error, 1 on failure, 130 when stopped (the output is then complete but
// shorter).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <exception>
#include <string>
#include <vector>

#include "app/BgrPicture.h"
#include "cli/RunCommands.h"
#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegVCL.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/OptionRecords.h"
#include "engine/OptionText.h"
#include "probe/AVProbe.h"

namespace {

using namespace quorvia;

struct TArguments {
    struct Input {
        std::string Name;
        std::string Options;
    };
    std::vector<Input> Inputs;
    std::string Output;
    std::string OutputOptions;
    std::string InfoFile;
    std::string LogLevel = "warning";
    bool Info = false;
    bool Hook = false;
    bool Join = false;
};

int Usage()
{
    std::fprintf(stderr,
                 "usage: quorvia-engine [-I \"input options\"] INPUT... [-O \"output options\"] OUTPUT\n"
                 "                      [--hook] [--join] [--loglevel LEVEL]\n"
                 "       quorvia-engine --info FILE\n");
    return 2;
}

bool ParseArguments(int argc, char** argv, TArguments& args)
{
    std::string pendingInput;
    std::vector<std::string> names;
    std::vector<std::string> inputTexts;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (a == "-I") {
            if (!next(pendingInput)) return false;
        } else if (a == "-O") {
            if (!next(args.OutputOptions)) return false;
        } else if (a == "--info") {
            args.Info = true;
            if (!next(args.InfoFile)) return false;
        } else if (a == "--hook") {
            args.Hook = true;
        } else if (a == "--join") {
            args.Join = true;
        } else if (a == "--loglevel") {
            if (!next(args.LogLevel)) return false;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return false;
        } else {
            names.push_back(a);
            inputTexts.push_back(pendingInput);
            pendingInput.clear();
        }
    }
    if (args.Info) return names.empty();
    if (names.size() < 2) return false;
    args.Output = names.back();
    for (size_t k = 0; k + 1 < names.size(); ++k) args.Inputs.push_back({names[k], inputTexts[k]});
    return true;
}

int ShowInfo(const std::string& file)
{
    TCustomAVProbe probe;
    if (!probe.LoadFile(file)) {
        std::fprintf(stderr, "%s\n", probe.LastErrMsg().c_str());
        return 1;
    }
    std::string text = probe.GetInfoText();
    for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, "\n");
    std::printf("%s\n", text.c_str());
    return 0;
}

// Reads and writes every byte of the picture (a runtime key keeps the
// compiler from dropping the work; it is 0 unless QUORVIA_HOOK_KEY is set).
void TouchEveryPixel(THookInfo& info, uint8_t key)
{
    BgrPicture& pic = *info.Bitmap;
    // Word-wide over each row, as a real handler would be written; the bounds
    // are local so the compiler need not reload them after every store.
    const size_t rowBytes = static_cast<size_t>(pic.Width()) * BgrPicture::kBytesPerPixel;
    const int height = pic.Height();
    const uint64_t wideKey = key * 0x0101010101010101ULL;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pic.ScanLine(y);
        size_t x = 0;
        for (; x + 8 <= rowBytes; x += 8) {
            uint64_t word;
            std::memcpy(&word, row + x, 8);
            word ^= wideKey;
            std::memcpy(row + x, &word, 8);
        }
        for (; x < rowBytes; ++x) row[x] = static_cast<uint8_t>(row[x] ^ key);
    }
    info.Update = true;
}

void PrintProgress(const TProgressInfo& p)
{
    std::fprintf(stderr, "frame=%5d fps=%3d q=%3.1f size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                 p.FrameNumber, p.FPS, static_cast<double>(p.Quality), static_cast<double>(p.TotalSize) / 1024.0,
                 static_cast<double>(p.Time) / 1000000.0, static_cast<double>(p.BitRate));
    if (p.TotalDuration > 0) std::fprintf(stderr, " %3d%%", static_cast<int>(p.Time * 100 / p.TotalDuration));
    std::fprintf(stderr, "\n");
}

// The record applies these fields after its option text and always, so
// lines of the text that name them are lifted into the fields.
void LiftRecordLines(TOutputOptions& output)
{
    for (const TOptionLine& line : SplitOptionText(output.ExtOptions)) {
        const std::string& v = line.Value;
        if (line.Name == "async") output.AudioSync = std::atoi(v.c_str());
        else if (line.Name == "vsync") output.VideoSync = std::atoi(v.c_str());
        else if (line.Name == "alang") output.AudioLanguage = v;
        else if (line.Name == "vlang") output.VideoLanguage = v;
        else if (line.Name == "slang") output.SubtitleLanguage = v;
    }
}

TOutputOptions OutputRecord(const TArguments& args)
{
    TOutputOptions output;
    InitOutputOptions(output);
    output.FileName = args.Output;
    output.ExtOptions = args.OutputOptions;
    output.Join = args.Join;
    output.CustomHook = args.Hook;
    LiftRecordLines(output);
    return output;
}

uint8_t HookKey()
{
    const char* env = std::getenv("QUORVIA_HOOK_KEY");
    return env ? static_cast<uint8_t>(std::atoi(env)) : 0;
}

// Exit status from how the task ended.
int ExitStatus(bool finished, bool failed, const std::string& message)
{
    if (finished && !failed) return 0;
    if (failed) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return 1;
    }
    return 130;
}

// Signals the end of the run to the waiting main thread.
struct TRunEnd {
    std::mutex Lock;
    std::condition_variable Changed;
    bool Done = false;
    TTerminateInfo Result;

    void Set(const TTerminateInfo* result)
    {
        {
            std::lock_guard<std::mutex> lock(Lock);
            if (result) Result = *result;
            else Done = true;
        }
        Changed.notify_all();
    }
    bool IsDone()
    {
        std::lock_guard<std::mutex> lock(Lock);
        return Done;
    }
    // Returns at the end of the run or after 100 ms.
    void Wait()
    {
        std::unique_lock<std::mutex> lock(Lock);
        Changed.wait_for(lock, std::chrono::milliseconds(100), [this] { return Done; });
    }
};

// One input: a task of the engine component, threaded, one at a time.
int ConvertWithComponent(const TArguments& args)
{
    TFFmpegVCL component;
    component.SetTriggerEventInMainThread(false);  // printing needs no particular thread
    TInputOptions input;
    InitInputOptions(input);
    input.FileName = args.Inputs[0].Name;
    input.ExtOptions = args.Inputs[0].Options;
    const int index = component.AddTask(input.FileName, &input);
    if (index < 0) {
        std::fprintf(stderr, "%s\n", component.LastErrMsg().c_str());
        return 1;
    }
    TOutputOptions output = OutputRecord(args);
    if (!component.SetOutputFile(index, args.Output, &output)) {
        std::fprintf(stderr, "%s\n", component.LastErrMsg().c_str());
        return 1;
    }

    TRunEnd end;
    component.SetOnProgress([](TCustomFFmpegVCL&, PProgressInfo p) { PrintProgress(*p); });
    if (args.Hook) {
        component.SetOnCustomHook([key = HookKey()](TCustomFFmpegVCL&, PHookInfo info) { TouchEveryPixel(*info, key); });
    }
    component.SetOnTerminate([&end](TCustomFFmpegVCL&, const TTerminateInfo& t) {
        end.Set(t.TaskIndex >= 0 ? &t : nullptr);
    });
    component.StartTask(1);
    cli::ServeRunCommands({[&] { component.Pause(); }, [&] { component.Resume(); },
                           [&] { component.Stop(false); }},
                          [&] { return end.IsDone(); }, [&] { end.Wait(); });
    component.WaitForDeliveries();
    return ExitStatus(end.Result.Finished, end.Result.Exception, end.Result.ExceptionMsg);
}

// Several inputs: one engine task reading them all (the component keeps one
// input per task).
int ConvertInputs(const TArguments& args)
{
    TCustomFFmpeg task;
    for (const auto& in : args.Inputs) {
        TInputOptions options;
        InitInputOptions(options);
        options.FileName = in.Name;
        options.ExtOptions = in.Options;
        ApplyInputOptions(task, options);
        if (!task.OpenInput(in.Name)) {
            std::fprintf(stderr, "%s\n", task.LastError().c_str());
            return 1;
        }
    }
    TOutputOptions output = OutputRecord(args);
    const bool created = ApplyOutputOptions(task, output, args.Output, [&](const std::string& name) {
        return task.OpenOutput(name, output.Join) >= 0;
    });
    if (!created) {
        std::fprintf(stderr, "%s\n", task.LastError().c_str());
        return 1;
    }

    TRunControl& control = task.Control();
    control.OnProgress = [](TCustomFFmpeg&, const TProgressInfo& p) { PrintProgress(p); };
    if (args.Hook) control.OnHook = [key = HookKey()](TCustomFFmpeg&, THookInfo& info) { TouchEveryPixel(info, key); };
    TRunEnd end;
    control.OnTerminate = [&end](TCustomFFmpeg&) { end.Set(nullptr); };
    task.Start(true);
    cli::ServeRunCommands({[&] { task.Pause(); }, [&] { task.Resume(); }, [&] { task.Stop(false); }},
                          [&] { return end.IsDone(); }, [&] { end.Wait(); });
    task.Stop(true);  // joins the worker
    return ExitStatus(control.Finished, control.ErrorOccurred, control.ExceptionMsg);
}

int Convert(const TArguments& args)
{
    return args.Inputs.size() == 1 ? ConvertWithComponent(args) : ConvertInputs(args);
}

}  // namespace

int main(int argc, char** argv)
{
    TArguments args;
    if (!ParseArguments(argc, argv, args)) return Usage();
    try {
        FFLogger().SetOnLog([](const void*, uint32_t, TLogLevel, const std::string& msg) {
            std::fprintf(stderr, "%s%s", msg.c_str(), !msg.empty() && msg.back() == '\n' ? "" : "\n");
        });
        ApplyLogLevelOption(args.LogLevel);
        if (!FFLoader().Load(EngineLibraries())) {
            std::fprintf(stderr, "%s\n", FFLoader().LastError().c_str());
            return 1;
        }
        if (args.Info) return ShowInfo(args.InfoFile);
        return Convert(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
