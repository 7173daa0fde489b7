#include <QDir>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>

#include "core/catalogue/category_marks.h"
#include "core/daynews/day_news_model.h"
#include "core/platform/stored_files.h"
#include "core/shell/engine_update_swap.h"
#include "core/shell/startup_hooks.h"
#include "core/update/update_lock.h"
#include "core/update/update_state.h"
#include "ui/platform/FontSelection.h"
#include "ui/platform/FontWarmUp.h"
#include "ui/platform/QtSeams.h"
#include "ui/shell/DisplayPlatform.h"
#include "ui/shell/FormNetFiles.h"
#include "ui/shell/PaintMark.h"
#include "ui/shell/ProgramWindows.h"
#include "ui/shell/UpdateCommandMain.h"
#include "ui/shell/VeltodApplication.h"
#include "ui/skin/ReportedError.h"
#include "ui/skin/ScreenFollower.h"
#include "ui/skin/SkinFonts.h"
#include "ui/skin/SkinNotice.h"
#include "ui/update/ApplicationEnd.h"

int main(int argc, char** argv) {
    // The self-update asks a received program to answer this before it hands
    // over to it: reaching here proves the file runs here, libraries and all.
    if (argc == 2 && std::strcmp(argv[1], veltod::kSelfCheckArgument) == 0) {
        std::printf("%s\n", veltod::kSelfCheckAnswer);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], veltod::kUpdateArgument) == 0) return veltod::UpdateCommandMain(argc, argv);
    const bool day_news = argc >= 2 && std::strcmp(argv[1], veltod::kDayNewsArgument) == 0;
    // The fonts and today's list, which the first page shows, are read on
    // other cores while the toolkit connects to the display.
    std::future<veltod::FontSelection> fonts = veltod::SelectFontsAhead(veltod::SkinFontFamilies());
    std::future<veltod::ListRead> today_list;
    std::error_code no_path;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", no_path);
    if (!no_path) today_list = veltod::ReadListAhead((program.parent_path() / veltod::TodayListPath("1")).string());
    veltod::UseDisplayPlatformThatPlacesWindows();
    veltod::VeltodApplication app(argc, argv);
    // The desktop's theme names the font of tool tips and dialogs.
    veltod::InstallSelectedFonts(std::move(fonts), QGuiApplication::font().families());
    const veltod::FontWarmUp first_page_fonts(veltod::FirstPageFonts());
    QCoreApplication::setApplicationName(QStringLiteral("VeltoDownload"));
    // Closing the main window ends the program, whatever else is open.
    app.setQuitOnLastWindowClosed(false);
    // The data folders are siblings of the program's folder, as a desktop
    // shortcut that starts in the program's folder would see them.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    const veltod::DiskFileProbe files;
    veltod::PictureReadAhead start_pictures(veltod::TProgramWindows::StartPictures(files));
    veltod::InstallQtSeams();
    veltod::InstallSkinDialogs();
    veltod::TheUpdateSettings().ProbeSites = veltod::DefaultProbeSites();
    veltod::TApplicationEnd application_end;
    // Not beside an update run of another process: that run applies what it
    // receives, and a swap waits for a later start.
    veltod::TheStartupHooks().EngineUpdateSwap = [&application_end] {
        veltod::WithUpdateLock([&application_end] { veltod::EngineUpdateSwap(application_end); });
    };
    veltod::TheStartupHooks().ComputeCategoryMarks = [] { veltod::ComputeCategoryMarks(); };
    veltod::TProgramWindows windows;
    // No event handler runs these, so the application's handler never sees
    // their errors: a main window that cannot be built or shown is reported
    // here and ends the program.
    try {
        windows.CreateStartWindows(std::move(today_list), &start_pictures);
        // The windows are laid out on the main window's screen, again whenever it changes.
        veltod::InstalledQtScreen().Follow(windows.FormNetFiles);
        new veltod::TScreenFollower(windows.FormNetFiles);
        // Before the main window shows: its first activation may show boxes.
        veltod::InstallPaintMark(windows);
        windows.FormNetFiles->ShowWindow();
        if (day_news) windows.FormNetFiles->Image1Click();
    } catch (...) {
        veltod::ReportCurrentException();
        return 1;
    }
    return app.exec();
}
