#include "effects/TextMark.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cmath>
#include <mutex>

#include "app/BgrPicture.h"
#include "effects/EffectsError.h"
#include "effects/Messages.h"

namespace quorvia {

namespace {

constexpr int kHeadlessPixelsPerInch = 96;

std::atomic<int> setPixelsPerInch{0};

int ScreenPixelsPerInch()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return kHeadlessPixelsPerInch;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return kHeadlessPixelsPerInch;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return kHeadlessPixelsPerInch;
    const int ppi = static_cast<int>(std::lround(screen->logicalDotsPerInch()));
    return ppi > 0 ? ppi : kHeadlessPixelsPerInch;
}

QFont MakeFont(const TWaterFont& mark)
{
    QFont font(QString::fromStdString(mark.Name));
    font.setPixelSize(FontPixelSize(mark.Size, TextPixelsPerInch()));
    font.setBold(mark.Bold);
    font.setItalic(mark.Italic);
    font.setUnderline(mark.Underline);
    font.setStrikeOut(mark.StrikeOut);
    return font;
}

}  // namespace

int FontPixelSize(int points, int pixelsPerInch)
{
    const int64_t scaled = static_cast<int64_t>(points) * pixelsPerInch;
    const int64_t rounded = scaled >= 0 ? (scaled + 36) / 72 : (scaled - 36) / 72;
    return static_cast<int>(std::clamp<int64_t>(rounded, 1, 16384));
}

int TextPixelsPerInch()
{
    if (const int set = setPixelsPerInch.load(); set > 0) return set;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return kHeadlessPixelsPerInch;
    // The screen is asked once the application exists; its answer does not
    // change during a run.
    static std::once_flag once;
    static int screen = kHeadlessPixelsPerInch;
    std::call_once(once, [] { screen = ScreenPixelsPerInch(); });
    return screen;
}

void SetTextPixelsPerInch(int pixelsPerInch) { setPixelsPerInch.store(std::max(pixelsPerInch, 0)); }

void DrawTextMark(BgrPicture& frame, const std::string& text, const TWaterFont& font, int32_t x, int32_t y)
{
    if (text.empty() || frame.Empty()) return;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) throw TEffectsError(msg::TextNeedsGuiApp);

    // Wraps the frame's bytes: the painter writes straight into them.
    QImage image(frame.Data(), frame.Width(), frame.Height(), frame.Stride(), QImage::Format_BGR888);
    QPainter painter(&image);
    painter.setClipRect(image.rect());
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFont qfont = MakeFont(font);
    painter.setFont(qfont);
    painter.setPen(QColor(static_cast<QRgb>(font.Color & 0xFFFFFFu)));
    // The corner given is the top of the text cell; Qt places text by its baseline.
    const int64_t baseline = static_cast<int64_t>(y) + QFontMetrics(qfont).ascent();
    if (baseline > INT32_MAX) return;
    painter.drawText(QPoint(x, static_cast<int>(baseline)), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace quorvia
