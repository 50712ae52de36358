// Entry point of the desktop program. No command-line arguments are read.
#include "app/Dispatcher.h"
#include "app/Paths.h"
#include "ui/Application.h"
#include "ui/FormCover.h"
#include "ui/FormMain.h"
#include "ui/Messages.h"
#include "ui/QtDispatcher.h"

#include <memory>

int main(int argc, char** argv)
{
    using namespace quorvia;
    ui::TApplication app(argc, argv);
    SetMainDispatcher(std::make_shared<ui::TQtDispatcher>());

    auto* cover = new ui::TfrmCover(ExecutableFolder());  // deletes itself when closed
    cover->show();
    QCoreApplication::processEvents();  // paint the cover before the main window is built

    ui::SetApplicationTitle(QString::fromLatin1(ui::kStartupTitle));
    ui::TfrmMain frmMain;
    cover->SetMainWindow(&frmMain);
    frmMain.show();
    cover->raise();  // stays above the main window until its timer closes it
    const int result = app.exec();
    SetMainDispatcher(nullptr);
    return result;
}
