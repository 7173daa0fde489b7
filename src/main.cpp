#include <QDir>

#include "catalogue/category_marks.h"
#include "platform/QtSeams.h"
#include "shell/FormNetFiles.h"
#include "shell/ProgramWindows.h"
#include "shell/VeltodApplication.h"
#include "shell/engine_update_swap.h"
#include "shell/startup_hooks.h"
#include "skin/ScreenFollower.h"
#include "update/ApplicationEnd.h"
#include "update/update_state.h"

int main(int argc, char** argv) {
    veltod::VeltodApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VeltoDownload"));
    // Closing the main window ends the program, whatever else is open.
    app.setQuitOnLastWindowClosed(false);
    // The data folders are siblings of the program's folder, as a desktop
    // shortcut that starts in the program's folder would see them.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    veltod::InstallQtSeams();
    veltod::TheUpdateSettings().ProbeSites = veltod::DefaultProbeSites();
    veltod::TApplicationEnd application_end;
    veltod::TheStartupHooks().EngineUpdateSwap = [&application_end] { veltod::EngineUpdateSwap(application_end); };
    veltod::TheStartupHooks().ComputeCategoryMarks = [] { veltod::ComputeCategoryMarks(); };
    veltod::TProgramWindows windows;
    windows.CreateAll();
    // The windows are laid out on the main window's screen, again whenever it changes.
    veltod::InstalledQtScreen().Follow(windows.FormNetFiles);
    new veltod::TScreenFollower(windows.FormNetFiles);
    windows.FormNetFiles->ShowWindow();
    return app.exec();
}
