#include "ui/FormMain.h"
#include "ui/Messages.h"
#include "ui/ProgramSettings.h"
#include "ui/Skins.h"

#include <QAction>
#include <QMenu>

namespace quorvia::ui {

void TfrmMain::BuildSkinMenu(QMenu* tools)
{
    mnuSkin_ = tools->addMenu(QString::fromUtf8(kMnuSkin));
    mnuSkin_->setObjectName(QStringLiteral("mnuSkin"));
    for (int i = 0; i < kSkinCount; ++i) {
        QAction* a = mnuSkin_->addAction(QString::fromUtf8(SkinName(i)));
        a->setObjectName(QStringLiteral("mnuSkin%1").arg(i));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, i](bool nowChecked) { mnuSkinClick(i, nowChecked); });
        mnuSkins_.append(a);
    }
    connect(mnuSkin_, &QMenu::aboutToShow, this, &TfrmMain::mnuSkinPopup);
}

// Checks entry index and unchecks the others (all of them for a number
// outside the table).
void TfrmMain::MarkSkin(int index)
{
    for (int i = 0; i < mnuSkins_.size(); ++i) mnuSkins_[i]->setChecked(i == index);
}

// The menu marks the stored choice read with default 1, while start-up
// reads it with default 0.
void TfrmMain::mnuSkinPopup() { MarkSkin(ReadSettingInteger(kKeySkinIndex, 1)); }

// A checkable action has already flipped its mark when triggered: an entry
// that was checked arrives unchecked, and choosing it does nothing.
void TfrmMain::mnuSkinClick(int index, bool nowChecked)
{
    if (!nowChecked) {
        mnuSkins_[index]->setChecked(true);
        return;
    }
    hide();
    ApplySkin(index);
    MarkSkin(index);
    show();
    WriteSettingInteger(kKeySkinIndex, index);
}

}  // namespace quorvia::ui
