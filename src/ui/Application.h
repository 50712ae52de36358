#pragma once
// The application object. Its notify() is the one place where exceptions
// escaping event handlers (and the slots they run) are caught and handed to
// the application error handler.
#include <QApplication>
#include <QString>

namespace quorvia::ui {

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// Title used by message boxes that show the application title:
// "Tamsel Video Converter" until the main window sets the product name.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace quorvia::ui
