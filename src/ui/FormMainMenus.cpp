#include "app/GlobalObject.h"
#include "ui/FormMain.h"
#include "ui/Messages.h"
#include "ui/ShellOpen.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QTreeWidget>

namespace quorvia::ui {

QAction* TfrmMain::AddAction(QMenu* menu, const char* caption, const char* name)
{
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QLatin1String(name));
    return a;
}

void TfrmMain::MarkPending(QAction* action)
{
    pending_.insert(action);
    action->setEnabled(false);
}

void TfrmMain::BuildMenus()
{
    QMenuBar* bar = menuBar();

    mnuFile_ = bar->addMenu(QString::fromUtf8(kMnuFile));
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    mnuAdd_ = AddAction(mnuFile_, kMnuAdd, "mnuAdd");
    mnuRemove_ = AddAction(mnuFile_, kMnuRemove, "mnuRemove");
    mnuClear_ = AddAction(mnuFile_, kMnuClear, "mnuClear");
    mnuStart_ = AddAction(mnuFile_, kMnuStart, "mnuStart");
    mnuFile_->addSeparator();
    mnuSettings_ = AddAction(mnuFile_, kMnuSettings, "mnuSettings");
    mnuSettings_->setVisible(false);
    mnuExit_ = AddAction(mnuFile_, kMnuExit, "mnuExit");
    connect(mnuExit_, &QAction::triggered, this, &TfrmMain::close);

    mnuEdit_ = bar->addMenu(QString::fromUtf8(kMnuEdit));
    mnuEdit_->setObjectName(QStringLiteral("mnuEdit"));
    mnuCrop_ = AddAction(mnuEdit_, kMnuCrop, "mnuCrop");
    mnuTrim_ = AddAction(mnuEdit_, kMnuTrim, "mnuTrim");
    mnuEffect_ = AddAction(mnuEdit_, kMnuEffect, "mnuEffect");
    mnuEdit_->addSeparator();
    mnuCheckAll_ = AddAction(mnuEdit_, kMnuCheckAll, "mnuCheckAll");
    mnuUncheckAll_ = AddAction(mnuEdit_, kMnuUncheckAll, "mnuUncheckAll");
    mnuReverseCheck_ = AddAction(mnuEdit_, kMnuReverseCheck, "mnuReverseCheck");
    mnuEdit_->addSeparator();
    mnuCheck_ = AddAction(mnuEdit_, kMnuCheck, "mnuCheck");
    mnuUncheck_ = AddAction(mnuEdit_, kMnuUncheck, "mnuUncheck");
    connect(mnuEdit_, &QMenu::aboutToShow, this, &TfrmMain::mnuEditPopup);
    connect(mnuCheckAll_, &QAction::triggered, this, &TfrmMain::mnuCheckAllClick);
    connect(mnuUncheckAll_, &QAction::triggered, this, &TfrmMain::mnuUncheckAllClick);
    connect(mnuReverseCheck_, &QAction::triggered, this, &TfrmMain::mnuReverseCheckClick);
    connect(mnuCheck_, &QAction::triggered, this, &TfrmMain::mnuCheckClick);
    connect(mnuUncheck_, &QAction::triggered, this, &TfrmMain::mnuUncheckClick);

    mnuTools_ = bar->addMenu(QString::fromUtf8(kMnuTools));
    mnuTools_->setObjectName(QStringLiteral("mnuTools"));
    mnuPreference_ = AddAction(mnuTools_, kMnuPreference, "mnuPreference");
    BuildSkinMenu(mnuTools_);

    mnuHelpMenu_ = bar->addMenu(QString::fromUtf8(kMnuHelpMenu));
    mnuHelpMenu_->setObjectName(QStringLiteral("mnuHelpMenu"));
    mnuHelp_ = AddAction(mnuHelpMenu_, kMnuHelp, "mnuHelp");
    mnuHelpMenu_->addSeparator();
    mnuWebSite_ = AddAction(mnuHelpMenu_, kMnuWebSite, "mnuWebSite");
    mnuSupport_ = AddAction(mnuHelpMenu_, kMnuSupport, "mnuSupport");
    mnuAbout_ = AddAction(mnuHelpMenu_, kMnuAbout, "mnuAbout");
    // Read at click time: the global object is gone once the window closed.
    connect(mnuHelp_, &QAction::triggered, this,
            [this] { if (GlobalObject()) OpenLink(GlobalObject()->HelpURL()); });
    connect(mnuWebSite_, &QAction::triggered, this,
            [this] { if (GlobalObject()) OpenLink(GlobalObject()->WebURL()); });
    connect(mnuSupport_, &QAction::triggered, this, [this] { OpenLink(kSupportURL); });

    // Windows and actions of later parts of the program.
    for (QAction* a : {mnuAdd_, mnuRemove_, mnuClear_, mnuStart_, mnuSettings_, mnuCrop_, mnuTrim_,
                       mnuEffect_, mnuPreference_, mnuAbout_})
        MarkPending(a);
}

void TfrmMain::BuildJobListMenu()
{
    pmFiles_ = new QMenu(this);
    pmFiles_->setObjectName(QStringLiteral("pmFiles"));
    pmCrop_ = AddAction(pmFiles_, kPopCrop, "pmCrop");
    pmTrim_ = AddAction(pmFiles_, kPopTrim, "pmTrim");
    pmEffect_ = AddAction(pmFiles_, kPopEffect, "pmEffect");
    pmFiles_->addSeparator();
    pmAdd_ = AddAction(pmFiles_, kPopAdd, "pmAdd");
    pmRemove_ = AddAction(pmFiles_, kPopRemove, "pmRemove");
    pmClear_ = AddAction(pmFiles_, kPopClear, "pmClear");
    pmStart_ = AddAction(pmFiles_, kPopStart, "pmStart");
    pmFiles_->addSeparator();
    pmFileInfo_ = AddAction(pmFiles_, kPopFileInfo, "pmFileInfo");
    connect(pmFiles_, &QMenu::aboutToShow, this, &TfrmMain::pmFilesPopup);
    for (QAction* a : {pmCrop_, pmTrim_, pmEffect_, pmAdd_, pmRemove_, pmClear_, pmStart_, pmFileInfo_})
        MarkPending(a);
}

bool TfrmMain::HasSelectedRow() const
{
    return lvFiles_->topLevelItemCount() > 0 && !lvFiles_->selectedItems().isEmpty();
}

void TfrmMain::mnuEditPopup()
{
    const bool rowSelected = HasSelectedRow();
    mnuEffect_->setVisible(true);
    for (QAction* a : {mnuCrop_, mnuTrim_, mnuEffect_, mnuCheckAll_, mnuUncheckAll_, mnuReverseCheck_,
                       mnuCheck_, mnuUncheck_})
        a->setEnabled(rowSelected && !pending_.contains(a));
}

void TfrmMain::pmFilesPopup()
{
    const bool rowSelected = HasSelectedRow();
    pmEffect_->setVisible(true);
    for (QAction* a : {pmCrop_, pmTrim_, pmEffect_, pmFileInfo_, pmRemove_, pmClear_, pmStart_})
        a->setEnabled(rowSelected && !pending_.contains(a));
}

// The "&Edit" tool button drops the job list's menu down below itself.
void TfrmMain::btnEditClick()
{
    pmFiles_->popup(btnEdit_->mapToGlobal(QPoint(0, btnEdit_->height())));
}

void TfrmMain::lvFilesContextMenu(const QPoint& pos)
{
    pmFiles_->popup(lvFiles_->viewport()->mapToGlobal(pos));
}

void TfrmMain::OpenLink(const std::string& url)
{
    ShellOpener()->Open(url);
}

}  // namespace quorvia::ui
