#include "core/skin/screen_layout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <optional>
#include <stdexcept>

namespace veltod {
namespace {

constexpr size_t kColumns = 9;
struct Resolution {
    std::string_view key;
    int width;
    int height;
};
constexpr std::array<Resolution, kColumns> kResolutions = {{
    {"640x480", 640, 480},     {"800x600", 800, 600},   {"1024x768", 1024, 768},
    {"1280x1024", 1280, 1024}, {"1152x864", 1152, 864}, {"1600x1200", 1600, 1200},
    {"2304x864", 2304, 864},   {"832x624", 832, 624},   {"1280x768", 1280, 768},
}};

struct Row {
    std::string_view window;
    std::array<int16_t, kColumns> values;
};

constexpr std::array<Row, 12> kLeft = {{
    {"FormNetFiles", {283, 800, 1024, 1280, 1152, 1600, 2304, 832, 1280}},
    {"FormBanner1", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"FormBanner2", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"FormDayNews", {420, 517, 741, 997, 869, 1317, 2021, 549, 997}},
    {"FormCategorias", {40, 590, 814, 1070, 942, 1390, 2094, 622, 1070}},
    {"FormTreeFiles", {430, 380, 604, 860, 732, 1180, 1884, 412, 860}},
    {"FormShowDetails", {30, 20, 20, 20, 20, 20, 20, 20, 20}},
    {"FormBaseDatos", {40, 590, 814, 1070, 942, 1390, 2094, 622, 1070}},
    {"FormRemember", {240, 400, 624, 880, 752, 1200, 1904, 432, 880}},
    {"FormBusqueda", {240, 400, 482, 738, 610, 1058, 1762, 432, 738}},
    {"TransmitForm", {0, 800, 1024, 1280, 1152, 1600, 2304, 832, 1280}},
    {"FormMensaje", {0, 800, 1024, 1280, 1152, 1600, 2304, 832, 1280}},
}};

constexpr std::array<Row, 13> kTop = {{
    {"FormNetFiles", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"FormBanner1", {392, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"FormBanner2", {400, 500, 700, 900, 764, 1100, 764, 524, 668}},
    {"FormDayNews", {5, 71, 71, 71, 71, 71, 71, 71, 71}},
    {"HeightDayNews", {379, 499, 667, 923, 763, 1099, 763, 523, 667}},
    {"FormCategorias", {10, 80, 80, 80, 80, 80, 80, 80, 80}},
    {"FormTreeFiles", {25, 100, 100, 100, 100, 100, 100, 100, 100}},
    {"FormShowDetails", {105, 120, 120, 120, 120, 120, 120, 120, 120}},
    {"FormBaseDatos", {10, 80, 80, 80, 80, 80, 80, 80, 80}},
    {"FormRemember", {80, 180, 180, 180, 180, 180, 180, 180, 180}},
    {"FormBusqueda", {80, 180, 180, 180, 180, 180, 180, 180, 180}},
    {"TransmitForm", {80, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"FormMensaje", {40, 0, 0, 0, 0, 0, 0, 0, 0}},
}};

bool ParseSize(std::string_view text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string_view::npos) return false;
    const auto w = std::from_chars(text.data(), text.data() + x, width);
    const auto h = std::from_chars(text.data() + x + 1, text.data() + text.size(), height);
    return w.ec == std::errc() && w.ptr == text.data() + x && h.ec == std::errc() && h.ptr == text.data() + text.size();
}

// The listed column nearest the size (smallest squared distance) among those
// accept allows; fallback when it allows none.
template <typename Accept>
size_t NearestColumn(int width, int height, size_t fallback, Accept accept) {
    size_t best = fallback;
    long long best_distance = std::numeric_limits<long long>::max();
    for (size_t column = 0; column < kColumns; ++column) {
        if (!accept(column)) continue;
        const long long dw = width - kResolutions[column].width;
        const long long dh = height - kResolutions[column].height;
        const long long distance = dw * dw + dh * dh;
        if (distance < best_distance) {
            best_distance = distance;
            best = column;
        }
    }
    return best;
}

size_t ColumnOf(std::string_view key) {
    for (size_t column = 0; column < kColumns; ++column)
        if (kResolutions[column].key == key) return column;
    int width = 0;
    int height = 0;
    if (!ParseSize(key, width, height)) return 1;  // unreadable key: the 800x600 column
    return NearestColumn(width, height, 0, [](size_t) { return true; });
}

// The key split into the screen size and, after '@', the work area
// "left,top,WxH" when it is not the whole screen at the origin.
struct Area {
    int width = 0;
    int height = 0;
    bool has_work = false;
    ScreenRect work;
};

bool ParseArea(std::string_view key, Area& area) {
    const auto at = key.find('@');
    if (!ParseSize(key.substr(0, at), area.width, area.height)) return false;
    if (at == std::string_view::npos) return true;
    const std::string_view rest = key.substr(at + 1);
    const auto comma1 = rest.find(',');
    const auto comma2 = rest.find(',', comma1 == std::string_view::npos ? comma1 : comma1 + 1);
    if (comma2 == std::string_view::npos) return false;
    const char* end = rest.data() + rest.size();
    const auto l = std::from_chars(rest.data(), rest.data() + comma1, area.work.left);
    const auto t = std::from_chars(rest.data() + comma1 + 1, rest.data() + comma2, area.work.top);
    if (l.ec != std::errc() || l.ptr != rest.data() + comma1 || t.ec != std::errc() || t.ptr != rest.data() + comma2)
        return false;
    if (!ParseSize(std::string_view(rest.data() + comma2 + 1, size_t(end - rest.data() - comma2 - 1)), area.work.width,
                   area.work.height))
        return false;
    area.has_work = area.work.width > 0 && area.work.height > 0;
    return true;
}

std::optional<size_t> ListedColumn(int width, int height) {
    for (size_t column = 0; column < kColumns; ++column)
        if (kResolutions[column].width == width && kResolutions[column].height == height) return column;
    return std::nullopt;
}

constexpr size_t k640 = 0;
constexpr size_t k800 = 1;

// The column an unlisted size is computed from: the nearest listed layout
// that fits inside it, so windows only move apart from there. The 640x480
// layout stacks its windows differently and is never a base.
size_t BaseColumn(int width, int height) {
    return NearestColumn(width, height, k800, [&](size_t column) {
        return column != k640 && kResolutions[column].width <= width && kResolutions[column].height <= height;
    });
}

// A row that differs between the listed layouts (640x480 aside) keeps its
// distance from the far edge: the right edge in the left table, the bottom
// in the top table. A row that never differs keeps its distance from the
// near edge.
bool FollowsFarEdge(const Row& row) {
    for (size_t column = k800 + 1; column < kColumns; ++column)
        if (row.values[column] != row.values[k800]) return true;
    return false;
}

int16_t Clamp16(long long value) {
    return int16_t(std::clamp<long long>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

template <size_t N>
const Row& FindRow(const std::array<Row, N>& table, std::string_view window) {
    for (const auto& row : table)
        if (row.window == window) return row;
    throw std::invalid_argument("no layout for window " + std::string(window));
}

enum class Axis { Horizontal, Vertical };

template <size_t N>
int16_t Lookup(const std::array<Row, N>& table, Axis axis, std::string_view window, std::string_view key) {
    const Row& row = FindRow(table, window);
    Area area;
    if (!ParseArea(key, area)) return row.values[k800];  // unreadable key: the 800x600 column
    const bool far = FollowsFarEdge(row);
    // The nine listed screens use their tables; any other size is laid out
    // for the area the windows may use.
    int design_width = area.width;
    int design_height = area.height;
    const auto listed = ListedColumn(area.width, area.height);
    if (!listed && area.has_work) {
        design_width = area.work.width;
        design_height = area.work.height;
    }
    const bool horizontal = axis == Axis::Horizontal;
    long long value = 0;
    if (listed) {
        value = row.values[*listed];
    } else {
        const size_t base = BaseColumn(design_width, design_height);
        value = row.values[base];
        if (far)
            value += horizontal ? static_cast<long long>(design_width) - kResolutions[base].width
                                : static_cast<long long>(design_height) - kResolutions[base].height;
    }
    if (!area.has_work) return Clamp16(value);
    // Into the work area: each value keeps its distance from the edge it follows.
    const long long left = area.work.left, top = area.work.top, width = area.work.width, height = area.work.height;
    if (window == "HeightDayNews") return Clamp16(value - (design_height - height));
    if (horizontal) return Clamp16(far ? left + width - (design_width - value) : left + value);
    return Clamp16(far ? top + height - (design_height - value) : top + value);
}

}  // namespace

std::string ResolutionKey(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string LayoutKey(const ScreenRect& screen, const ScreenRect& work) {
    std::string key = ResolutionKey(screen.width, screen.height);
    const bool whole = work.left == 0 && work.top == 0 && work.width == screen.width && work.height == screen.height;
    if (whole || work.width <= 0 || work.height <= 0) return key;
    return key + "@" + std::to_string(work.left) + "," + std::to_string(work.top) + "," +
           ResolutionKey(work.width, work.height);
}

std::string CurrentLayoutKey() {
    const Screen& screen = TheScreen();
    return LayoutKey(screen.Size(), screen.Desktop());
}

int16_t LayoutLeft(std::string_view window, std::string_view resolution_key) {
    return Lookup(kLeft, Axis::Horizontal, window, resolution_key);
}

int16_t LayoutTop(std::string_view window, std::string_view resolution_key) {
    return Lookup(kTop, Axis::Vertical, window, resolution_key);
}

bool IsTabledLayout(std::string_view key) {
    int width = 0;
    int height = 0;
    return ParseSize(key.substr(0, key.find('@')), width, height) && ListedColumn(width, height).has_value();
}

std::string NearestListedResolution(std::string_view resolution_key) {
    return std::string(kResolutions[ColumnOf(resolution_key)].key);
}

}  // namespace veltod
