#include "cli/BatchTerminal.h"

#include <cstdio>
#include <filesystem>

namespace quorvia::cli {

void TTerminalPrompts::Warning(const std::string& caption, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool TTerminalPrompts::Question(const std::string& caption, const std::string& text)
{
    std::fprintf(stderr, "%s: %s Yes\n", caption.c_str(), text.c_str());
    return true;
}

namespace {

std::string Clock(double seconds)
{
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

std::string ProgressLine(const TJobOutcome& job, const std::string& counter, int percent)
{
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - job.Started).count();
    std::string line = counter + " " + FileName(job.Source) + "  " + std::to_string(percent) + "%";
    if (elapsed > 0 && job.Done > 0) {
        const double speed = static_cast<double>(job.Done) / 1e6 / elapsed;
        char text[64];
        std::snprintf(text, sizeof text, "  speed %.1fx", speed);
        line += text;
        if (job.Duration > job.Done && speed > 0)
            line += "  left " + Clock(static_cast<double>(job.Duration - job.Done) / 1e6 / speed);
    }
    return line;
}

int PrintSummary(const std::vector<TJobOutcome>& jobs)
{
    int failed = 0;
    std::fprintf(stderr, "\n%-4s %-10s %8s  %-32s %s\n", "job", "result", "seconds", "source", "output");
    for (size_t k = 0; k < jobs.size(); ++k) {
        const TJobOutcome& j = jobs[k];
        const char* result = j.Finished ? "done" : !j.Ended ? "not run" : j.Error.empty() ? "stopped" : "failed";
        if (!j.Finished) ++failed;
        std::fprintf(stderr, "%-4zu %-10s %8.1f  %-32s %s\n", k + 1, result, j.Seconds, FileName(j.Source).c_str(),
                     j.Output.c_str());
        if (!j.Error.empty()) std::fprintf(stderr, "     %s\n", j.Error.c_str());
    }
    std::fprintf(stderr, "%zu converted, %d not\n", jobs.size() - static_cast<size_t>(failed), failed);
    return failed;
}

}  // namespace quorvia::cli
