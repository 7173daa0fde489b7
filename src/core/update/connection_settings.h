#pragma once
// The connection settings file kConnectionSettingsFile: proxy server, port,
// user name, whether the proxy is used, and the notification address the
// update run calls at its end. The password is never part of it.
#include <optional>
#include <string>

#include "core/platform/stored_files.h"

namespace veltod {

inline constexpr const char* kProxyTicked = "cbChecked";
inline constexpr const char* kProxyUnticked = "cbUnchecked";

enum class ProxyTick {
    Ticked,
    Unticked,
    // The file's fourth line is neither word: the check box keeps its state.
    LeaveAsIs,
};

struct ConnectionSettings {
    std::string server;
    std::string port;
    std::string user;
    ProxyTick proxy_ticked = ProxyTick::LeaveAsIs;
    std::string notification;

    bool operator==(const ConnectionSettings&) const = default;
};

// The settings the file holds, or nothing when there is no file. Lines end
// as the record files' lines do; a shorter file gives empty texts (and
// LeaveAsIs) for the missing lines, and lines after the fifth are ignored.
// A file that exists but cannot be read raises FileError.
std::optional<ConnectionSettings> ReadConnectionSettings(const std::string& path = kConnectionSettingsFile);

// The file's bytes: always five lines ending in CR LF. Only Ticked writes
// "cbChecked". A line break or end-of-text byte inside a text becomes a
// blank, so each setting stays on its own line.
std::string EncodeConnectionSettings(const ConnectionSettings& settings);

// Recreates the file through the crash-safe rewrite; FileError on failure,
// the old file then stays as it was.
void WriteConnectionSettings(const ConnectionSettings& settings, const std::string& path = kConnectionSettingsFile);

// Once an update script has rewritten the file ("ACTUALIZADO"), the window
// no longer saves it for the rest of the process.
bool ConnectionSettingsMayBeSaved();

// Writes the settings unless an update script rewrote the file in this
// process; true when it wrote.
bool SaveConnectionSettings(const ConnectionSettings& settings, const std::string& path = kConnectionSettingsFile);

struct SettingsWindowPlace {
    int left = 0;
    int top = 0;
};

// Where the settings window stands: layout_left/layout_top are the layout
// table's values for "TransmitForm"; the left value is the right edge the
// window hangs from (0: the screen's left edge), and the window sits below
// the main window (a top value of 80 adds nothing).
SettingsWindowPlace PlaceSettingsWindow(int layout_left, int layout_top, int own_width, int main_height);

}  // namespace veltod
