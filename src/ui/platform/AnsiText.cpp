#include "ui/platform/AnsiText.h"

#include <array>

namespace veltod {
namespace {

// 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString FromAnsi(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.append(QChar(value >= 0x80 && value < 0xA0 ? kHighControls[value - 0x80] : char16_t(value)));
    }
    return text;
}

std::string ToAnsi(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
            bytes.push_back(static_cast<char>(unit));
            continue;
        }
        char replacement = '?';
        for (size_t i = 0; i < kHighControls.size(); ++i)
            if (kHighControls[i] == unit) replacement = static_cast<char>(0x80 + i);
        bytes.push_back(replacement);
    }
    return bytes;
}

}  // namespace veltod
