#pragma once
// What the batch driver needs from its surroundings, behind small
// interfaces: the progress view (a modal window in the desktop program,
// stderr lines in quorvia-batch, a recorder in the tests), the shell's "open"
// of the output folder, and shutting the computer down.
//
// All calls come on the user-interface thread.
#include <string>

namespace quorvia {

// The value texts of the progress view.
struct TProgressTexts {
    std::string CurrentTime;  // "30 Second"
    std::string Length;       // "61 Second"
    std::string FileSize;     // "1234 kb"
    std::string Progress;     // "[2/3]"
    std::string File;         // the source, shortened
};

class IProgressView {
public:
    virtual ~IProgressView() = default;
    // Called once the run has started. A modal window may block here until
    // Close; other views return at once.
    virtual void Show() = 0;
    // The run is over (also after a cancel). May come when the view is
    // closed already.
    virtual void Close() = 0;
    // Bar position 0..100.
    virtual void SetPosition(int percent) = 0;
    virtual void SetTexts(const TProgressTexts& texts) = 0;
    // The two after-conversion choices, read after the last task.
    virtual bool OpenFolderAfter() const = 0;
    virtual bool ShutDownAfter() const = 0;
};

// The shell's "open" (a folder here). Implementations must never open
// anything in tests.
class IShellOpen {
public:
    virtual ~IShellOpen() = default;
    virtual void Open(const std::string& target) = 0;
};

// Shutting the computer down. The desktop program may implement it with the
// system's power-off request; terminal and test implementations only record
// the request.
class IShutdown {
public:
    virtual ~IShutdown() = default;
    virtual void RequestShutdown() = 0;
};

// Records requests and does nothing else.
class TRecordingShutdown : public IShutdown {
public:
    void RequestShutdown() override { ++requests_; }
    int Requests() const { return requests_; }

private:
    int requests_ = 0;
};

}  // namespace quorvia
