#include "ui/FormCover.h"

#include "app/GlobalObject.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace quorvia::ui {
namespace {
// Looked for in this order; a later one that loads replaces an earlier one.
constexpr const char* kCoverPictures[] = {"skin/ipodvideocover.jpg", "skin/mp4videocover.jpg"};
}  // namespace

TfrmCover::TfrmCover(const std::string& programFolder, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(BuiltInPicture())
{
    setObjectName(QStringLiteral("frmCover"));
    setAttribute(Qt::WA_DeleteOnClose);
    for (const char* name : kCoverPictures) {
        const QString path = QString::fromStdString(programFolder) + QLatin1String(name);
        QPixmap loaded;
        // A picture that does not load (damaged file) keeps the one before.
        if (QFileInfo::exists(path) && loaded.load(path) && !loaded.isNull()) picture_ = loaded;
    }
    tmrClose_.setInterval(1000);
    connect(&tmrClose_, &QTimer::timeout, this, &TfrmCover::tmrCloseTimer);
    tmrClose_.start();
}

void TfrmCover::SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

QPixmap TfrmCover::BuiltInPicture()
{
    QPixmap pixmap(kBuiltInWidth, kBuiltInHeight);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, kBuiltInWidth, kBuiltInHeight);
    sky.setColorAt(0.0, QColor(0x16, 0x2F, 0x5C));
    sky.setColorAt(0.6, QColor(0x2F, 0x6C, 0xB5));
    sky.setColorAt(1.0, QColor(0x8F, 0xC3, 0xEA));
    p.fillRect(pixmap.rect(), sky);

    // A film strip along the bottom.
    p.fillRect(QRect(0, kBuiltInHeight - 46, kBuiltInWidth, 30), QColor(0, 0, 0, 110));
    p.setBrush(QColor(255, 255, 255, 150));
    p.setPen(Qt::NoPen);
    for (int x = 8; x < kBuiltInWidth; x += 22) {
        p.drawRect(x, kBuiltInHeight - 42, 10, 6);
        p.drawRect(x, kBuiltInHeight - 26, 10, 6);
    }

    QFont title = p.font();
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(16, 40, kBuiltInWidth - 32, 110), Qt::AlignCenter | Qt::TextWordWrap,
               QString::fromLatin1(kProductName));

    p.setPen(QColor(255, 255, 255, 90));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

void TfrmCover::showEvent(QShowEvent* event)
{
    setFixedSize(picture_.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), picture_.size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    QWidget::showEvent(event);
}

void TfrmCover::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, picture_);
}

void TfrmCover::tmrCloseTimer()
{
    if (mainWindow_ && mainWindow_->isVisible()) {
        tmrClose_.stop();
        close();
    }
}

}  // namespace quorvia::ui
