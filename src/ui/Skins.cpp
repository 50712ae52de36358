#include "ui/Skins.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace quorvia::ui {
namespace {

struct TSkin {
    const char* Name;
    QRgb Window;     // window and panel background
    QRgb Button;     // buttons, menu bar and tool row
    QRgb Highlight;  // selection
    QRgb OddRow;     // odd rows of the job list
};

constexpr TSkin kSkins[kSkinCount] = {
    {"Default", 0xE9ECF5, 0xD9E0F3, 0x3D6DB5, 0xE2E6F6},
    {"Gray", 0xE6E6E6, 0xD4D4D4, 0x6B6B6B, 0xECECEC},
    {"Orange", 0xF7EFDE, 0xF1D9A8, 0xD9821E, 0xF8F2E0},
    {"Purple", 0xF2E6EF, 0xE2CCDD, 0x8B4C89, 0xF6E6F1},
    {"Red", 0xF5E4E4, 0xEAC5C5, 0xB23A3A, 0xF7E1E1},
    {"Green", 0xE5F3E4, 0xC8E5C5, 0x3C8C37, 0xE2F7E1},
    {"Light blue", 0xE4F0F7, 0xC4E0EF, 0x3A93C6, 0xE1F0F7},
};

int& Current()
{
    static int current = 0;
    return current;
}

QPalette PaletteOf(const TSkin& skin)
{
    QPalette p;
    const QColor window(skin.Window), button(skin.Button), highlight(skin.Highlight);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(skin.OddRow));
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, Qt::black);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0xFFFFE1));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::Light, window.lighter(115));
    p.setColor(QPalette::Midlight, window.lighter(105));
    p.setColor(QPalette::Mid, button.darker(130));
    p.setColor(QPalette::Dark, button.darker(160));
    p.setColor(QPalette::Shadow, button.darker(250));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    return p;
}

QString StyleSheetOf(const TSkin& skin)
{
    const QString window = QColor(skin.Window).name();
    const QString button = QColor(skin.Button).name();
    const QString edge = QColor(skin.Button).darker(125).name();
    return QStringLiteral(
               "QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }"
               "QWidget#pnlToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, "
               "stop:1 %2); border-bottom: 1px solid %3; }")
        .arg(window, button, edge);
}

}  // namespace

const char* SkinName(int index)
{
    return index >= 0 && index < kSkinCount ? kSkins[index].Name : "";
}

bool ApplySkin(int index)
{
    if (index < 0 || index >= kSkinCount) return false;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) return false;
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(PaletteOf(kSkins[index]));
    app->setStyleSheet(StyleSheetOf(kSkins[index]));
    Current() = index;
    return true;
}

int CurrentSkin() { return Current(); }

QColor SkinOddRowTint(int index)
{
    return QColor(index >= 0 && index < kSkinCount ? kSkins[index].OddRow : 0xEBEBEB);
}

}  // namespace quorvia::ui
