#pragma once
// quorvia-batch's side of the batch driver: the progress view as lines on
// stderr, the message boxes answered without asking, and the per-job results
// for the summary table.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/TaskEvents.h"
#include "jobs/BatchViews.h"
#include "jobs/JobPrompts.h"

namespace quorvia::cli {

// Warnings are printed; questions are printed and answered Yes (the choice
// the question offers: the default frame size).
class TTerminalPrompts : public IJobPrompts {
public:
    void Warning(const std::string& caption, const std::string& text) override;
    bool Question(const std::string& caption, const std::string& text) override;
};

// The run's view: nothing to show or close; the lines come from Report.
class TTerminalView : public IProgressView {
public:
    void Show() override {}
    void Close() override {}
    void SetPosition(int percent) override { percent_ = percent; }
    void SetTexts(const TProgressTexts& texts) override { texts_ = texts; }
    bool OpenFolderAfter() const override { return false; }
    bool ShutDownAfter() const override { return false; }

    int Percent() const { return percent_; }
    const TProgressTexts& Texts() const { return texts_; }

private:
    int percent_ = 0;
    TProgressTexts texts_;
};

class TNoShell : public IShellOpen {
public:
    void Open(const std::string&) override {}
};

// One job of the run, for the progress lines and the summary.
struct TJobOutcome {
    std::string Source;
    std::string Output;
    int64_t Duration = 0;   // microseconds, from the progress reports
    int64_t Done = 0;       // microseconds converted so far
    std::chrono::steady_clock::time_point Started{};
    double Seconds = 0;     // wall time until its end
    bool Ended = false;
    bool Finished = false;
    std::string Error;
};

// "[2/3] clip.mp4  42%  speed 3.1x  left 0:12" for one progress report.
std::string ProgressLine(const TJobOutcome& job, const std::string& counter, int percent);

// The summary table; the number of jobs that did not finish.
int PrintSummary(const std::vector<TJobOutcome>& jobs);

}  // namespace quorvia::cli
