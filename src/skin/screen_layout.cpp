#include "skin/screen_layout.h"

#include <array>
#include <charconv>
#include <limits>
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

bool ParseKey(std::string_view key, int& width, int& height) {
    const auto x = key.find('x');
    if (x == std::string_view::npos) return false;
    const auto w = std::from_chars(key.data(), key.data() + x, width);
    const auto h = std::from_chars(key.data() + x + 1, key.data() + key.size(), height);
    return w.ec == std::errc() && w.ptr == key.data() + x && h.ec == std::errc() && h.ptr == key.data() + key.size();
}

size_t ColumnOf(std::string_view key) {
    for (size_t column = 0; column < kColumns; ++column)
        if (kResolutions[column].key == key) return column;
    int width = 0;
    int height = 0;
    if (!ParseKey(key, width, height)) return 1;  // unreadable key: the 800x600 column
    size_t best = 0;
    long long best_distance = std::numeric_limits<long long>::max();
    for (size_t column = 0; column < kColumns; ++column) {
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

template <size_t N>
int16_t Lookup(const std::array<Row, N>& table, std::string_view window, std::string_view key) {
    for (const auto& row : table)
        if (row.window == window) return row.values[ColumnOf(key)];
    throw std::invalid_argument("no layout for window " + std::string(window));
}

}  // namespace

std::string ResolutionKey(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

int16_t LayoutLeft(std::string_view window, std::string_view resolution_key) {
    return Lookup(kLeft, window, resolution_key);
}

int16_t LayoutTop(std::string_view window, std::string_view resolution_key) {
    return Lookup(kTop, window, resolution_key);
}

std::string NearestListedResolution(std::string_view resolution_key) {
    return std::string(kResolutions[ColumnOf(resolution_key)].key);
}

}  // namespace veltod
