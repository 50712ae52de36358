#include "MainWindowSupport.h"
#include "UiTestSupport.h"

#include "app/IniFile.h"
#include "app/Paths.h"
#include "engine/Loader.h"
#include "ui/Application.h"
#include "ui/Messages.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>

using namespace quorvia;
using namespace quorvia::test;
using ui::TfrmMain;

namespace {

class MainWindowTest : public UiTest {};

TEST_F(MainWindowTest, FirstShowingSetsTitlesSizeAndOutputFolder)
{
    ui::SetApplicationTitle(ui::kStartupTitle);
    TfrmMain w;
    EXPECT_EQ(ui::ApplicationTitle(), QString("Quorvia MP4 Video Converter"));
    w.show();
    EXPECT_EQ(w.windowTitle(), QString("Quorvia MP4 Video Converter 2.61135 "));
    EXPECT_EQ(GlobalObject()->VersionText(), " 2.61135 ");
    EXPECT_EQ(w.size(), QSize(786, 522));

    auto* dir = Find<QLineEdit>(&w, "edtOutPutDir");
    EXPECT_EQ(dir->text().toStdString(), DefaultOutputFolder());
    EXPECT_TRUE(dir->isReadOnly());
    EXPECT_FALSE(std::filesystem::exists(settingsFile)) << "loading wrote the INI";
    EXPECT_FALSE(Find<QPlainTextEdit>(&w, "mmoLog")->isVisible());
    EXPECT_FALSE(Find<QPushButton>(&w, "btnBrows")->isEnabled());
}

TEST_F(MainWindowTest, ToolButtonsInOneRow)
{
    TfrmMain w;
    w.show();
    struct Button {
        const char* name;
        const char* caption;
        bool enabled;
    };
    const Button buttons[] = {
        {"btnAdd", "&Add", false},     {"btnRemove", "&Remove", false}, {"btnClear", "&Clear", false},
        {"btnEdit", "&Edit", true},    {"btnStart", "&Start", false},   {"btnExit", "&Exit", true},
    };
    int lastX = -1;
    const int y = Find<QToolButton>(&w, "btnAdd")->mapTo(&w, QPoint()).y();
    for (const auto& b : buttons) {
        auto* button = Find<QToolButton>(&w, b.name);
        EXPECT_EQ(button->text(), QString(b.caption));
        EXPECT_TRUE(button->isVisible()) << b.name;
        EXPECT_EQ(button->isEnabled(), b.enabled) << b.name;
        const QPoint at = button->mapTo(&w, QPoint());
        EXPECT_EQ(at.y(), y) << b.name;
        EXPECT_GT(at.x(), lastX) << b.name;
        lastX = at.x();
    }
    EXPECT_GT(y, w.menuBar()->geometry().bottom());
    auto* settings = Find<QToolButton>(&w, "btnSettings");
    EXPECT_EQ(settings->text(), QString("&Settings"));
    EXPECT_FALSE(settings->isVisible());
}

TEST_F(MainWindowTest, MenusAndCaptionsInOrder)
{
    TfrmMain w;
    const QList<QAction*> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 4);
    const QStringList titles{"&File", "&Edit", "&Tools", "&Help"};
    const QList<QStringList> entries{
        {"&Add", "&Remove", "&Clear", "&Start", "-", "Se&ttings", "&Exit"},
        {"&Crop", "&Trim", "&Video Effect && Water Mark", "-", "&Check All", "&Uncheck All", "&Reverse Check", "-",
         "C&heck", "U&ncheck"},
        {"&Preference", "&Skin"},
        {"&Help", "-", "&Web Site", "&Support and Contact", "&About"},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(top[i]->text(), titles[i]);
        ASSERT_NE(top[i]->menu(), nullptr);
        EXPECT_EQ(Captions(top[i]->menu()), entries[i]) << titles[i].toStdString();
    }
    EXPECT_FALSE(FindAction(&w, "mnuSettings")->isVisible());
    EXPECT_EQ(Captions(Find<QMenu>(&w, "mnuSkin")),
              (QStringList{"Default", "Gray", "Orange", "Purple", "Red", "Green", "Light blue"}));
    EXPECT_EQ(Captions(Find<QMenu>(&w, "pmFiles")),
              (QStringList{"&Crop", "&Trim", "&Video Effect && Water Mark", "-", "Add", "Remove", "Clear", "Start",
                           "-", "Video Infomation"}));

    // Only what works now is enabled.
    for (const char* name : {"mnuExit", "mnuHelp", "mnuWebSite", "mnuSupport"})
        EXPECT_TRUE(FindAction(&w, name)->isEnabled()) << name;
    for (const char* name : {"mnuAdd", "mnuRemove", "mnuClear", "mnuStart", "mnuSettings", "mnuPreference", "mnuAbout"})
        EXPECT_FALSE(FindAction(&w, name)->isEnabled()) << name;
}

void AddRows(QTreeWidget* list, std::initializer_list<bool> checks)
{
    for (bool checked : checks) {
        auto* row = new QTreeWidgetItem(list, QStringList{QString("/v/%1.mp4").arg(list->topLevelItemCount())});
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<bool> CheckStates(QTreeWidget* list)
{
    std::vector<bool> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out.push_back(list->topLevelItem(i)->checkState(0) == Qt::Checked);
    return out;
}

TEST_F(MainWindowTest, EditMenuEnablingFollowsTheJobList)
{
    TfrmMain w;
    w.show();
    auto* edit = Find<QMenu>(&w, "mnuEdit");
    const char* checkOps[] = {"mnuCheckAll", "mnuUncheckAll", "mnuReverseCheck", "mnuCheck", "mnuUncheck"};
    const char* windows[] = {"mnuCrop", "mnuTrim", "mnuEffect"};

    auto openEdit = [&] { emit edit->aboutToShow(); };
    openEdit();
    for (const char* name : checkOps) EXPECT_FALSE(FindAction(&w, name)->isEnabled()) << name << " empty list";
    EXPECT_TRUE(FindAction(&w, "mnuEffect")->isVisible());

    QTreeWidget* list = w.JobList();
    AddRows(list, {true, false, true});
    list->clearSelection();
    openEdit();
    for (const char* name : checkOps) EXPECT_FALSE(FindAction(&w, name)->isEnabled()) << name << " no selection";

    list->topLevelItem(1)->setSelected(true);
    openEdit();
    for (const char* name : checkOps) EXPECT_TRUE(FindAction(&w, name)->isEnabled()) << name;
    // Their windows are not built yet.
    for (const char* name : windows) EXPECT_FALSE(FindAction(&w, name)->isEnabled()) << name;

    FindAction(&w, "mnuReverseCheck")->trigger();
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, true, false}));
    FindAction(&w, "mnuUncheck")->trigger();
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, false, false}));
    FindAction(&w, "mnuCheck")->trigger();
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, true, false}));
    FindAction(&w, "mnuCheckAll")->trigger();
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{true, true, true}));
    FindAction(&w, "mnuUncheckAll")->trigger();
    EXPECT_EQ(CheckStates(list), (std::vector<bool>{false, false, false}));
}

TEST_F(MainWindowTest, JobListMenuDropsFromEditButtonAndRightClick)
{
    TfrmMain w;
    w.show();
    auto* pm = Find<QMenu>(&w, "pmFiles");
    auto* btnEdit = Find<QToolButton>(&w, "btnEdit");
    QTest::mouseClick(btnEdit, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pm->isVisible(); }, 2000));
    EXPECT_GE(pm->pos().y(), btnEdit->mapToGlobal(QPoint(0, btnEdit->height())).y() - 1);
    EXPECT_TRUE(FindAction(&w, "pmEffect")->isVisible());
    for (QAction* a : pm->actions()) {
        if (a->isSeparator()) continue;
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    }
    pm->hide();

    AddRows(w.JobList(), {true});
    w.JobList()->topLevelItem(0)->setSelected(true);
    emit w.JobList()->customContextMenuRequested(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pm->isVisible(); }, 2000));
    pm->hide();
}

TEST_F(MainWindowTest, LinksOpenThroughTheShell)
{
    TfrmMain w;
    FindAction(&w, "mnuHelp")->trigger();
    FindAction(&w, "mnuWebSite")->trigger();
    FindAction(&w, "mnuSupport")->trigger();
    EXPECT_EQ(RecordedOpens().opened,
              (std::vector<std::string>{GlobalObject()->HelpURL(), GlobalObject()->WebURL(), kSupportURL}));
}

TEST_F(MainWindowTest, OpenButtonOpensTheStoredFolder)
{
    TIniFile(settingsFile).WriteString("settings", "OutPutDir", "/srv/videos");
    TfrmMain w;
    w.show();
    auto* field = Find<QLineEdit>(&w, "edtOutPutDir");
    EXPECT_EQ(field->text(), QString("/srv/videos"));
    QTest::mouseClick(Find<QPushButton>(&w, "btnOpen"), Qt::LeftButton);
    EXPECT_EQ(RecordedOpens().opened, std::vector<std::string>{"/srv/videos"});

    // A change of the field's text is written at once; a text of 2
    // characters or less opens nothing.
    field->setText("/a");
    EXPECT_EQ(TIniFile(settingsFile).ReadString("SETTINGS", "outputdir", ""), "/a");
    RecordedOpens().opened.clear();
    QTest::mouseClick(Find<QPushButton>(&w, "btnOpen"), Qt::LeftButton);
    EXPECT_TRUE(RecordedOpens().opened.empty());
}

TEST_F(MainWindowTest, ExitClosesAndFreesTheGlobalObject)
{
    for (const char* how : {"btnExit", "mnuExit"}) {
        if (!GlobalObject()) CreateGlobalObject().SetSettingsFile(settingsFile);
        TfrmMain w;
        w.show();
        if (std::string(how) == "btnExit")
            QTest::mouseClick(Find<QToolButton>(&w, "btnExit"), Qt::LeftButton);
        else
            FindAction(&w, "mnuExit")->trigger();
        EXPECT_FALSE(w.isVisible()) << how;
        EXPECT_EQ(GlobalObject(), nullptr) << how;
        // Menus still answer without the global object.
        FindAction(&w, "mnuHelp")->trigger();
        emit Find<QMenu>(&w, "mnuSkin")->aboutToShow();
    }
    EXPECT_TRUE(RecordedOpens().opened.empty());
}

// Library loading at creation is silent; a failure leaves one line in the log.
TEST_F(MainWindowTest, LibraryLoadFailureGoesToTheHiddenLog)
{
    FFLoader().Unload(EngineLibraries());
    FFLoader().SetRuntimeMajorOverride(lkAVCodec, 1);
    std::string logText, lastError;
    {
        TfrmMain w;
        logText = w.Log()->toPlainText().toStdString();
        lastError = FFLoader().LastError();
    }
    FFLoader().SetRuntimeMajorOverride(lkAVCodec, -1);
    EXPECT_FALSE(lastError.empty());
    EXPECT_EQ(logText, lastError);
    EXPECT_TRUE(RecordedMessages().shown.empty());

    TfrmMain ok;
    EXPECT_TRUE(FFLoader().Loaded(EngineLibraries()));
    EXPECT_TRUE(ok.Log()->toPlainText().isEmpty());
}

}  // namespace
