#include "core/catalogue/catalogue_entry.h"

#include "core/platform/convert.h"

namespace veltod {

Rgb ColourForCode(int code) {
    switch (code) {
    case 1: return 0x000000;
    case 2: return 0x00FFFF;
    case 3:
    case 5: return 0x808080;
    case 4: return 0xFF00FF;
    case 6: return 0x008000;
    case 7: return 0x00FF00;
    case 8:
    case 14: return 0xC0C0C0;
    case 9: return 0x800000;
    case 10: return 0x000080;
    case 11: return 0x808000;
    case 12: return 0x800080;
    case 13: return 0xFF0000;
    case 15: return 0x008080;
    case 17: return 0xFFFF00;
    default: return 0xFFFFFF;
    }
}

Rgb ColourForField(std::string_view colour_code) {
    return ColourForCode(StrToInt(colour_code));
}

std::array<bool, 8> DecodePlatforms(std::string_view platforms) {
    std::array<bool, 8> marked{};
    for (size_t k = 0; k < marked.size() && k < platforms.size(); ++k) marked[k] = platforms[k] == 'x';
    return marked;
}

HoverNoteText DecodeHoverNote(std::string_view note) {
    if (note.size() >= 3 && note[0] == '%' && note[2] == '%') {
        const char digit = note[1];
        const int code = (digit >= '0' && digit <= '9') ? digit - '0' : -1;
        return {note.substr(3), ColourForCode(code)};
    }
    return {note, kSkinLightColour};
}

}  // namespace veltod
