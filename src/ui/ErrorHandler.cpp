#include "ui/ErrorHandler.h"

#include "engine/FFmpegException.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace quorvia::ui {

std::string ErrorMessageText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

namespace {
void ShowOnThisThread(TMessageKind kind, const std::string& message)
{
    MessageBoxes()->Show(kind, ApplicationTitle(), QString::fromStdString(ErrorMessageText(message)));
}
}  // namespace

void HandleApplicationException(std::exception_ptr error)
{
    if (!error) return;
    TMessageKind kind = mkError;
    std::string message = kUnknownErrorText;
    try {
        std::rethrow_exception(error);
    } catch (const FFmpegException& e) {
        kind = mkWarning;
        message = e.what();
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }

    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        // Event loops of worker threads: boxes belong on the user-interface thread.
        QMetaObject::invokeMethod(app, [kind, message] { ShowOnThisThread(kind, message); },
                                  Qt::QueuedConnection);
        return;
    }
    ShowOnThisThread(kind, message);
}

}  // namespace quorvia::ui
