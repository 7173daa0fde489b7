#pragma once
// The display platform the program runs on, chosen before the application
// object exists (see core/platform/display_platform.h): through Xwayland in
// a Wayland session that has it, so the windows stand where the layout puts
// them. On a Wayland platform the desktop places the windows, and the
// message window says so once.
#include <QString>

namespace veltod {

class TWindowSet;

// Call before the application object is made.
void UseDisplayPlatformThatPlacesWindows();

// What the message window says on a platform where the desktop places the
// windows.
QString DesktopPlacesWindowsNote();

// Shows that note in the message window when the desktop places the windows
// on this platform; nothing otherwise. Once the windows exist.
void NoteWhoPlacesTheWindows(TWindowSet& windows, const QString& platform_name);

}  // namespace veltod
