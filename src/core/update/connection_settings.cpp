#include "core/update/connection_settings.h"

#include <vector>

#include "core/apply/apply_state.h"
#include "core/platform/file_io.h"
#include "core/records/line_stream.h"

namespace veltod {
namespace {

constexpr size_t kLineCount = 5;

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == 0x1A) c = ' ';
    return text;
}

}  // namespace

std::optional<ConnectionSettings> ReadConnectionSettings(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    std::vector<std::string> lines;
    LineStream stream(path, 4096);
    stream.ForEach([&](std::string_view line) {
        lines.emplace_back(line);
        return lines.size() < kLineCount;
    });
    lines.resize(kLineCount);
    ConnectionSettings settings;
    settings.server = lines[0];
    settings.port = lines[1];
    settings.user = lines[2];
    if (lines[3] == kProxyTicked)
        settings.proxy_ticked = ProxyTick::Ticked;
    else if (lines[3] == kProxyUnticked)
        settings.proxy_ticked = ProxyTick::Unticked;
    settings.notification = lines[4];
    return settings;
}

std::string EncodeConnectionSettings(const ConnectionSettings& settings) {
    const std::string tick = settings.proxy_ticked == ProxyTick::Ticked ? kProxyTicked : kProxyUnticked;
    std::string bytes;
    for (const std::string* line : {&settings.server, &settings.port, &settings.user, &tick, &settings.notification})
        bytes += OneLine(*line) + "\r\n";
    return bytes;
}

void WriteConnectionSettings(const ConnectionSettings& settings, const std::string& path) {
    ReplaceFileAtomically(path, EncodeConnectionSettings(settings));
}

bool ConnectionSettingsMayBeSaved() { return TheApplyState().ProxyFileRewritten != "ACTUALIZADO"; }

bool SaveConnectionSettings(const ConnectionSettings& settings, const std::string& path) {
    if (!ConnectionSettingsMayBeSaved()) return false;
    WriteConnectionSettings(settings, path);
    return true;
}

SettingsWindowPlace PlaceSettingsWindow(int layout_left, int layout_top, int own_width, int main_height) {
    SettingsWindowPlace place;
    place.left = layout_left != 0 ? layout_left - own_width : 0;
    place.top = layout_top != 80 ? layout_top + main_height : main_height;
    return place;
}

}  // namespace veltod
