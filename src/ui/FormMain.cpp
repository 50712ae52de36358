#include "ui/FormMain.h"

#include "app/GlobalObject.h"
#include "app/Paths.h"
#include "engine/Loader.h"
#include "ui/Application.h"
#include "ui/Messages.h"
#include "ui/ProgramSettings.h"
#include "ui/ShellOpen.h"
#include "ui/Skins.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

namespace quorvia::ui {
namespace {

QToolButton* MakeToolButton(QWidget* parent, const char* caption, const char* name)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(QString::fromUtf8(caption));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumSize(72, 30);
    return b;
}

QFrame* MakeArea(QWidget* parent, const char* name)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::StyledPanel);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 6);
    column->setSpacing(6);
    column->addWidget(BuildToolRow());
    auto* grid = new QGridLayout;
    grid->setContentsMargins(6, 0, 6, 0);
    grid->setSpacing(6);
    BuildWorkArea(grid);
    column->addLayout(grid, 1);
    column->addWidget(BuildOutputRow());
    setCentralWidget(central);

    BuildJobListMenu();
    BuildMenus();

    // The one global object; a caller (a test) may have made it already
    // and pointed it at other files.
    TGlobalObject& global = CreateGlobalObject();
    SetApplicationTitle(QString::fromStdString(global.ProductName()));
    if (!ApplySkin(ReadSettingInteger(kKeySkinIndex, 0))) ApplySkin(0);
    MarkSkin(CurrentSkin());
    // The application error handler is TApplication::notify, active already.
    LoadLibraries();

    setWindowTitle(QString::fromStdString(global.ProductName() + global.VersionText()));
    resize(kWidth, kHeight);
}

TfrmMain::~TfrmMain() = default;

QWidget* TfrmMain::BuildToolRow()
{
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("pnlToolBar"));
    row->setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(6, 5, 6, 5);
    layout->setSpacing(4);
    btnAdd_ = MakeToolButton(row, kBtnAdd, "btnAdd");
    btnRemove_ = MakeToolButton(row, kBtnRemove, "btnRemove");
    btnClear_ = MakeToolButton(row, kBtnClear, "btnClear");
    btnEdit_ = MakeToolButton(row, kBtnEdit, "btnEdit");
    btnStart_ = MakeToolButton(row, kBtnStart, "btnStart");
    btnSettings_ = MakeToolButton(row, kBtnSettings, "btnSettings");
    btnExit_ = MakeToolButton(row, kBtnExit, "btnExit");
    for (QToolButton* b : {btnAdd_, btnRemove_, btnClear_, btnEdit_, btnStart_, btnSettings_})
        layout->addWidget(b);
    layout->addStretch(1);
    layout->addWidget(btnExit_);

    // Adding files, removing, clearing and starting come with the job list;
    // the settings window later. Remove, Clear and Start are enabled by adding.
    for (QToolButton* b : {btnAdd_, btnRemove_, btnClear_, btnStart_, btnSettings_}) b->setEnabled(false);
    btnSettings_->setVisible(false);
    connect(btnEdit_, &QToolButton::clicked, this, &TfrmMain::btnEditClick);
    connect(btnExit_, &QToolButton::clicked, this, &TfrmMain::close);
    return row;
}

void TfrmMain::BuildWorkArea(QGridLayout* grid)
{
    lvFiles_ = new QTreeWidget(this);
    lvFiles_->setObjectName(QStringLiteral("lvFiles"));
    lvFiles_->setRootIsDecorated(false);
    lvFiles_->setUniformRowHeights(true);
    lvFiles_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFiles_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFiles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles_->setSortingEnabled(false);
    lvFiles_->setAlternatingRowColors(true);
    lvFiles_->setHeaderLabels({QString()});  // the job columns are built with the job list
    lvFiles_->setContextMenuPolicy(Qt::CustomContextMenu);
    lvFiles_->setMinimumHeight(120);
    connect(lvFiles_, &QWidget::customContextMenuRequested, this, &TfrmMain::lvFilesContextMenu);

    pnlProfile_ = MakeArea(this, "pnlProfile");
    pnlProfile_->setFixedHeight(30);
    new QHBoxLayout(pnlProfile_);
    pnlParameters_ = MakeArea(this, "pnlParameters");
    pnlParameters_->setMinimumHeight(150);
    new QHBoxLayout(pnlParameters_);
    pnlPreview_ = MakeArea(this, "pnlPreview");
    pnlPreview_->setFixedWidth(251);  // room for the 243 x 171 picture panel
    new QVBoxLayout(pnlPreview_);

    mmoLog_ = new QPlainTextEdit(this);
    mmoLog_->setObjectName(QStringLiteral("mmoLog"));
    mmoLog_->setReadOnly(true);
    mmoLog_->setVisible(false);

    grid->addWidget(lvFiles_, 0, 0);
    grid->addWidget(pnlProfile_, 1, 0);
    grid->addWidget(pnlParameters_, 2, 0);
    grid->addWidget(pnlPreview_, 0, 1, 3, 1);
    grid->addWidget(mmoLog_, 3, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);
}

QWidget* TfrmMain::BuildOutputRow()
{
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("pnlOutput"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(4);
    auto* label = new QLabel(QString::fromUtf8(kLblOutputFolder), row);
    edtOutPutDir_ = new QLineEdit(row);
    edtOutPutDir_->setObjectName(QStringLiteral("edtOutPutDir"));
    edtOutPutDir_->setReadOnly(true);
    btnBrows_ = new QPushButton(QString::fromUtf8(kBtnBrows), row);
    btnBrows_->setObjectName(QStringLiteral("btnBrows"));
    btnBrows_->setEnabled(false);  // the folder picker comes later
    btnOpen_ = new QPushButton(QString::fromUtf8(kBtnOpen), row);
    btnOpen_->setObjectName(QStringLiteral("btnOpen"));
    label->setBuddy(edtOutPutDir_);
    layout->addWidget(label);
    layout->addWidget(edtOutPutDir_, 1);
    layout->addWidget(btnBrows_);
    layout->addWidget(btnOpen_);
    connect(edtOutPutDir_, &QLineEdit::textChanged, this, &TfrmMain::edtOutPutDirChange);
    connect(btnOpen_, &QPushButton::clicked, this, &TfrmMain::btnOpenClick);
    return row;
}

// Failure is silent apart from a line in the log; adding or playing retries.
void TfrmMain::LoadLibraries()
{
    TFFmpegLoader& loader = FFLoader();
    if (loader.Loaded(EngineLibraries())) return;
    if (!loader.Load(EngineLibraries())) mmoLog_->appendPlainText(QString::fromStdString(loader.LastError()));
}

void TfrmMain::showEvent(QShowEvent* event)
{
    if (!shownOnce_) {
        shownOnce_ = true;
        FirstShow();
    }
    QMainWindow::showEvent(event);
}

void TfrmMain::FirstShow()
{
    resize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(), frameGeometry().size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    // Loading the field writes nothing back.
    loadingOutputDir_ = true;
    edtOutPutDir_->setText(QString::fromStdString(ReadSetting(kKeyOutPutDir, DefaultOutputFolder())));
    loadingOutputDir_ = false;

    if (TGlobalObject* global = GlobalObject()) {
        global->SetVersionText(ProgramVersionText());
        setWindowTitle(QString::fromStdString(global->ProductName() + global->VersionText()));
    }
}

void TfrmMain::edtOutPutDirChange()
{
    if (!loadingOutputDir_) WriteSetting(kKeyOutPutDir, edtOutPutDir_->text().toStdString());
}

// Opens the stored folder, not the field's text.
void TfrmMain::btnOpenClick()
{
    if (edtOutPutDir_->text().size() > 2) ShellOpener()->Open(ReadSetting(kKeyOutPutDir, DefaultOutputFolder()));
}

// Closing is never refused.
void TfrmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    FreeGlobalObject();
}

}  // namespace quorvia::ui
