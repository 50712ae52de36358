#pragma once
// The main window: tool row, job list, profile and parameter areas, preview
// area, output folder row, menus, skins and closing. Split by concern:
//   FormMain.cpp        creation, layout, first showing, output folder row, closing
//   FormMainMenus.cpp   menus, job list context menu, enabling rules, help links
//   FormMainChecks.cpp  check marks of the job list rows
//   FormMainSkins.cpp   the "Skin" menu
// Menu entries and buttons whose windows come later are kept disabled
// through MarkPending until their part of the program is built.
#include <QMainWindow>
#include <QSet>

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QVBoxLayout;
class QGridLayout;

namespace quorvia::ui {

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 786;
    static constexpr int kHeight = 522;

    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Empty areas that the profile picker, the parameter panel and the
    // preview panel fill.
    QFrame* ProfileArea() const { return pnlProfile_; }
    QFrame* ParameterArea() const { return pnlParameters_; }
    QFrame* PreviewArea() const { return pnlPreview_; }
    QTreeWidget* JobList() const { return lvFiles_; }
    QPlainTextEdit* Log() const { return mmoLog_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // FormMain.cpp
    QWidget* BuildToolRow();
    void BuildWorkArea(QGridLayout* grid);
    QWidget* BuildOutputRow();
    void LoadLibraries();
    void FirstShow();
    void edtOutPutDirChange();
    void btnOpenClick();

    // FormMainMenus.cpp
    void BuildMenus();
    void BuildJobListMenu();
    QAction* AddAction(QMenu* menu, const char* caption, const char* name);
    void MarkPending(QAction* action);
    bool HasSelectedRow() const;
    void mnuEditPopup();
    void pmFilesPopup();
    void btnEditClick();
    void lvFilesContextMenu(const QPoint& pos);
    void OpenLink(const std::string& url);

    // FormMainChecks.cpp
    void mnuCheckAllClick();
    void mnuUncheckAllClick();
    void mnuReverseCheckClick();
    void mnuCheckClick();
    void mnuUncheckClick();

    // FormMainSkins.cpp
    void BuildSkinMenu(QMenu* tools);
    void MarkSkin(int index);
    void mnuSkinPopup();
    void mnuSkinClick(int index, bool nowChecked);

    bool shownOnce_ = false;
    bool loadingOutputDir_ = false;
    QSet<QAction*> pending_;  // actions whose windows are not built yet

    // Tool row.
    QToolButton* btnAdd_ = nullptr;
    QToolButton* btnRemove_ = nullptr;
    QToolButton* btnClear_ = nullptr;
    QToolButton* btnEdit_ = nullptr;
    QToolButton* btnStart_ = nullptr;
    QToolButton* btnSettings_ = nullptr;
    QToolButton* btnExit_ = nullptr;

    // Work area.
    QTreeWidget* lvFiles_ = nullptr;
    QFrame* pnlProfile_ = nullptr;
    QFrame* pnlParameters_ = nullptr;
    QFrame* pnlPreview_ = nullptr;
    QLineEdit* edtOutPutDir_ = nullptr;
    QPushButton* btnBrows_ = nullptr;
    QPushButton* btnOpen_ = nullptr;
    QPlainTextEdit* mmoLog_ = nullptr;

    // Menus.
    QMenu* mnuFile_ = nullptr;
    QAction* mnuAdd_ = nullptr;
    QAction* mnuRemove_ = nullptr;
    QAction* mnuClear_ = nullptr;
    QAction* mnuStart_ = nullptr;
    QAction* mnuSettings_ = nullptr;
    QAction* mnuExit_ = nullptr;

    QMenu* mnuEdit_ = nullptr;
    QAction* mnuCrop_ = nullptr;
    QAction* mnuTrim_ = nullptr;
    QAction* mnuEffect_ = nullptr;
    QAction* mnuCheckAll_ = nullptr;
    QAction* mnuUncheckAll_ = nullptr;
    QAction* mnuReverseCheck_ = nullptr;
    QAction* mnuCheck_ = nullptr;
    QAction* mnuUncheck_ = nullptr;

    QMenu* mnuTools_ = nullptr;
    QAction* mnuPreference_ = nullptr;
    QMenu* mnuSkin_ = nullptr;
    QList<QAction*> mnuSkins_;

    QMenu* mnuHelpMenu_ = nullptr;
    QAction* mnuHelp_ = nullptr;
    QAction* mnuWebSite_ = nullptr;
    QAction* mnuSupport_ = nullptr;
    QAction* mnuAbout_ = nullptr;

    // Context menu of the job list.
    QMenu* pmFiles_ = nullptr;
    QAction* pmCrop_ = nullptr;
    QAction* pmTrim_ = nullptr;
    QAction* pmEffect_ = nullptr;
    QAction* pmAdd_ = nullptr;
    QAction* pmRemove_ = nullptr;
    QAction* pmClear_ = nullptr;
    QAction* pmStart_ = nullptr;
    QAction* pmFileInfo_ = nullptr;
};

}  // namespace quorvia::ui
