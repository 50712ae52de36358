#pragma once
// Modal message boxes go through this interface so that tests can record
// them instead of showing them.
#include <QString>
#include <memory>

namespace quorvia::ui {

enum TMessageKind { mkPlain, mkInformation, mkWarning, mkError };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows the text modally with an OK button and returns when it is closed.
    virtual void Show(TMessageKind kind, const QString& title, const QString& text) = 0;
};

// QMessageBox over the active window.
class TQtMessageBoxes : public IMessageBoxes {
public:
    void Show(TMessageKind kind, const QString& title, const QString& text) override;
};

// The process's message boxes; the Qt ones unless replaced.
std::shared_ptr<IMessageBoxes> MessageBoxes();
void SetMessageBoxes(std::shared_ptr<IMessageBoxes> boxes);

}  // namespace quorvia::ui
