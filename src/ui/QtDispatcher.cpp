#include "ui/QtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>

namespace quorvia::ui {

bool TQtDispatcher::IsMainThread() const
{
    const QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void TQtDispatcher::RunAndWait(const std::function<void()>& fn)
{
    if (IsMainThread()) {
        fn();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            try {
                fn();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
}

void TQtDispatcher::ProcessPendingEvents() { QCoreApplication::processEvents(); }

}  // namespace quorvia::ui
