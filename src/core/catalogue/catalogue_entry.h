#pragma once
// The fields of a catalogue entry and the display rules tied to them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/records/record_table.h"
#include "core/skin/colour.h"

namespace veltod {

enum class EntryField : size_t {
    Name = 0,
    DownloadUrl = 1,
    TitleSuffix = 2,
    SizeKb = 3,
    DetailLineA = 4,
    InfoUrl = 5,
    DetailLineB = 6,
    Description = 7,
    ColourCode = 8,
    CategoryCode = 9,
    EntryId = 10,
    BuyUrl = 11,
    Platforms = 12,
    HoverNote = 13,
};
inline constexpr size_t kEntryFieldCount = 14;

inline std::string_view EntryValue(const RecordTable& table, size_t row, EntryField field) {
    return table.Field(row, static_cast<size_t>(field));
}

// The colour of a colour code; unknown codes are white.
Rgb ColourForCode(int code);

// The colour of a ColourCode field's text; text that is not a number raises
// ConvertError as any integer field does.
Rgb ColourForField(std::string_view colour_code);

// Platform names by flag position 1..8.
inline constexpr std::array<std::string_view, 8> kPlatformNames = {"W95", "W98", "W2k", "WMe", "WNT", "WXp", "Mac", "Linux"};

// Which of the eight platforms a Platforms field marks (lower-case "x" only).
std::array<bool, 8> DecodePlatforms(std::string_view platforms);

// The note of a HoverNote field: "%d%text" gives text in colour d, anything
// else the whole field in the skin's light colour.
struct HoverNoteText {
    std::string_view text;
    Rgb colour;
};
HoverNoteText DecodeHoverNote(std::string_view note);

}  // namespace veltod
