#include "ui/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace quorvia::ui {

void TQtShellOpener::Open(const std::string& target)
{
    const QString text = QString::fromStdString(target);
    QDesktopServices::openUrl(target.find("://") != std::string::npos ? QUrl(text)
                                                                      : QUrl::fromLocalFile(text));
}

namespace {
std::shared_ptr<IShellOpener>& Slot()
{
    static std::shared_ptr<IShellOpener> slot = std::make_shared<TQtShellOpener>();
    return slot;
}
}  // namespace

std::shared_ptr<IShellOpener> ShellOpener() { return Slot(); }

void SetShellOpener(std::shared_ptr<IShellOpener> opener)
{
    Slot() = opener ? std::move(opener) : std::make_shared<TQtShellOpener>();
}

}  // namespace quorvia::ui
