#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace quorvia::ui {

void TQtMessageBoxes::Show(TMessageKind kind, const QString& title, const QString& text)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (kind) {
    case mkPlain: icon = QMessageBox::NoIcon; break;
    case mkInformation: icon = QMessageBox::Information; break;
    case mkWarning: icon = QMessageBox::Warning; break;
    case mkError: icon = QMessageBox::Critical; break;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

namespace {
std::shared_ptr<IMessageBoxes>& Slot()
{
    static std::shared_ptr<IMessageBoxes> slot = std::make_shared<TQtMessageBoxes>();
    return slot;
}
}  // namespace

std::shared_ptr<IMessageBoxes> MessageBoxes() { return Slot(); }

void SetMessageBoxes(std::shared_ptr<IMessageBoxes> boxes)
{
    Slot() = boxes ? std::move(boxes) : std::make_shared<TQtMessageBoxes>();
}

}  // namespace quorvia::ui
