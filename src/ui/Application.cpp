#include "ui/Application.h"

#include "ui/ErrorHandler.h"
#include "ui/Messages.h"

#include <cxxabi.h>

namespace quorvia::ui {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (abi::__forced_unwind&) {
        throw;  // thread cancellation must go on unwinding
    } catch (...) {
        HandleApplicationException(std::current_exception());
        return false;
    }
}

namespace {
QString& Title()
{
    static QString title = QString::fromLatin1(kStartupTitle);
    return title;
}
}  // namespace

QString ApplicationTitle() { return Title(); }

void SetApplicationTitle(const QString& title)
{
    Title() = title;
}

}  // namespace quorvia::ui
