#pragma once
// The splash window shown while the program starts. It shows the optional
// cover picture from the "skin" folder beside the program, else a built-in
// one, and closes itself (checked once a second) as soon as the main window
// is showing.
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <string>

namespace quorvia::ui {

class TfrmCover : public QWidget {
    Q_OBJECT
public:
    // programFolder: where "skin/" is looked for, ending with "/".
    explicit TfrmCover(const std::string& programFolder, QWidget* parent = nullptr);

    // The window whose showing closes the cover.
    void SetMainWindow(QWidget* mainWindow);

    const QPixmap& Picture() const { return picture_; }

    static constexpr int kBuiltInWidth = 399;
    static constexpr int kBuiltInHeight = 239;
    static QPixmap BuiltInPicture();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void tmrCloseTimer();

    QPixmap picture_;
    QTimer tmrClose_;
    QPointer<QWidget> mainWindow_;
};

}  // namespace quorvia::ui
