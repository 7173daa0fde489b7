#include "ui/shell/DisplayPlatform.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "core/platform/display_platform.h"
#include "ui/skin/ReportedError.h"
#include "ui/sponsors/FormMensaje.h"
#include "ui/view/WindowSet.h"

namespace veltod {
namespace {

// The choice is the program's own: the programs it starts (the browser, a
// new version of itself) choose for themselves, so it leaves the
// environment once the toolkit has read it.
void ForgetChosenPlatform() { unsetenv("QT_QPA_PLATFORM"); }

void NoteOnceTheWindowsExist() {
    // The program's top creates the windows before its event loop runs; a
    // run without windows has nowhere to say it.
    QTimer::singleShot(0, qApp, [] {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
        TWindowSet* windows = nullptr;
        try {
            windows = &Windows();
        } catch (const std::logic_error&) {
            return;
        }
        RunReported([windows] { NoteWhoPlacesTheWindows(*windows, QGuiApplication::platformName()); });
    });
}

}  // namespace

void UseDisplayPlatformThatPlacesWindows() {
    const std::string chosen = ChooseDisplayPlatform(ProcessDisplayEnvironment());
    if (!chosen.empty()) {
        setenv("QT_QPA_PLATFORM", chosen.c_str(), 1);
        // Run by the application object once it has made its platform.
        qAddPreRoutine(&ForgetChosenPlatform);
    }
    qAddPreRoutine(&NoteOnceTheWindowsExist);
}

QString DesktopPlacesWindowsNote() {
    return QStringLiteral("Your desktop places the windows: without X, VeltoD runs as a Wayland client here");
}

void NoteWhoPlacesTheWindows(TWindowSet& windows, const QString& platform_name) {
    if (!DesktopPlacesWindows(platform_name.toStdString())) return;
    // Also for a start from a terminal, where a user looks first.
    std::fprintf(stderr, "VeltoD note: %s\n", DesktopPlacesWindowsNote().toLocal8Bit().constData());
    std::fflush(stderr);
    TFormMensaje* message = windows.FormMensaje;
    if (!message || message->Unusable()) return;
    message->SetMessage(DesktopPlacesWindowsNote());
    message->ShowWindow();
}

}  // namespace veltod
