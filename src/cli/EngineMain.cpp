// quorvia-engine: runs one engine task from the command line.
//
//   quorvia-engine [-I "input option text"] INPUT... [-O "output option text"] OUTPUT
//                  [--hook] [--join] [--loglevel LEVEL]
//   quorvia-engine --info FILE
//
// Option texts are ExtOptions lines ("name=value", one per line) applied
// through the option records. Progress goes to stderr, one line per report;
// exit status 0 only when the task finished without error, 1 on failure,
// 130 when stopped by Ctrl-C (the output is then complete but shorter).
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/BgrPicture.h"
#include "engine/CustomFFmpeg.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/OptionRecords.h"
#include "probe/AVProbe.h"

namespace {

using namespace quorvia;

std::atomic<bool>* g_stop = nullptr;

extern "C" void OnInterrupt(int)
{
    if (g_stop) g_stop->store(true);
}

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
    const int rowBytes = pic.Width() * BgrPicture::kBytesPerPixel;
    for (int y = 0; y < pic.Height(); ++y) {
        uint8_t* row = pic.ScanLine(y);
        for (int x = 0; x < rowBytes; ++x) row[x] = static_cast<uint8_t>(row[x] ^ key);
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

int Convert(const TArguments& args)
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
    TOutputOptions output;
    InitOutputOptions(output);
    output.FileName = args.Output;
    output.ExtOptions = args.OutputOptions;
    output.Join = args.Join;
    output.CustomHook = args.Hook;
    const bool created = ApplyOutputOptions(task, output, args.Output, [&](const std::string& name) {
        return task.OpenOutput(name, output.Join) >= 0;
    });
    if (!created) {
        std::fprintf(stderr, "%s\n", task.LastError().c_str());
        return 1;
    }

    TRunControl& control = task.Control();
    control.OnProgress = [](TCustomFFmpeg&, const TProgressInfo& p) { PrintProgress(p); };
    if (args.Hook) {
        const char* env = std::getenv("QUORVIA_HOOK_KEY");
        const uint8_t key = env ? static_cast<uint8_t>(std::atoi(env)) : 0;
        control.OnHook = [key](TCustomFFmpeg&, THookInfo& info) { TouchEveryPixel(info, key); };
    }
    g_stop = &control.StopRequested;
    std::signal(SIGINT, OnInterrupt);
    const bool finished = task.RunSync();
    std::signal(SIGINT, SIG_DFL);
    g_stop = nullptr;
    if (finished) return 0;
    if (control.ErrorOccurred) {
        std::fprintf(stderr, "%s\n", control.ExceptionMsg.c_str());
        return 1;
    }
    return 130;
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
