#include "cli/RunCommands.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <string>

namespace quorvia::cli {

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

// Trims blanks and a carriage return around a command line.
std::string Trimmed(const std::string& line)
{
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool ServeRunCommands(const TRunCommands& commands, const std::function<bool()>& done,
                      const std::function<void()>& wait)
{
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);

    bool stopped = false;
    auto stop = [&] {
        if (stopped) return;
        stopped = true;
        if (commands.Stop) commands.Stop();
    };
    bool inputOpen = true;
    std::string pending;
    while (!done()) {
        if (g_interrupted.exchange(false)) stop();
        wait();
        if (!inputOpen) continue;
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&fd, 1, 0);
        if (ready <= 0 || !(fd.revents & (POLLIN | POLLHUP))) continue;
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            inputOpen = false;  // end of input: the run goes on
            continue;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
            const std::string command = Trimmed(pending.substr(0, eol));
            pending.erase(0, eol + 1);
            if (command == "p") {
                if (commands.Pause) commands.Pause();
            } else if (command == "r") {
                if (commands.Resume) commands.Resume();
            } else if (command == "q") {
                stop();
            }
        }
    }
    sigaction(SIGINT, &previous, nullptr);
    return stopped;
}

}  // namespace quorvia::cli
