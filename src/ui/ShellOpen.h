#pragma once
// The shell's "open" of a folder or web address, behind an interface so that
// tests never open anything.
#include <memory>
#include <string>

namespace quorvia::ui {

class IShellOpener {
public:
    virtual ~IShellOpener() = default;
    // A target with "://" is an address, anything else a local path.
    virtual void Open(const std::string& target) = 0;
};

// QDesktopServices::openUrl (xdg-open).
class TQtShellOpener : public IShellOpener {
public:
    void Open(const std::string& target) override;
};

std::shared_ptr<IShellOpener> ShellOpener();
void SetShellOpener(std::shared_ptr<IShellOpener> opener);

}  // namespace quorvia::ui
