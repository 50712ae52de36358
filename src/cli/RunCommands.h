#pragma once
// What a command-line run listens to while its tasks convert: Ctrl-C and
// one-letter commands on standard input ("p" pause, "r" resume, "q" stop).
// End of input changes nothing; the run goes on.
#include <functional>

namespace quorvia::cli {

struct TRunCommands {
    std::function<void()> Pause;
    std::function<void()> Resume;
    std::function<void()> Stop;  // also on Ctrl-C; called at most once
};

// Installs the Ctrl-C handler, then serves commands until done() is true,
// then restores the previous handler. Between looks at the input it calls
// wait(), which should return within about 100 ms or as soon as done() may
// have changed. Returns true when a stop was requested (Ctrl-C or "q").
bool ServeRunCommands(const TRunCommands& commands, const std::function<bool()>& done,
                      const std::function<void()>& wait);

}  // namespace quorvia::cli
