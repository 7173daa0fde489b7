#pragma once
// The search by name over every category history list, for the three licence
// kinds at once.
#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace veltod {

// Writes the three results lists: for each licence kind, the field count of
// its header source (HeaderSourcePath), then every entry of the
// history lists of categories 1 up to the code of the category list's last
// record, ascending by code and in file order within a list, whose Name holds
// text (letters a to z compared without regard to case; an empty text matches
// nothing). Every results list is rewritten crash-safely; a reader or
// conversion error stops the search and leaves that list as it was.
//
// Returns how many entries matched, per licence kind ("1" first). With a
// stop flag that becomes true, the search ends early: the list being written
// is left as it was (those already written stay) and nothing is returned.
struct SearchFound {
    std::array<size_t, 3> by_kind{};
};
std::optional<SearchFound> SearchCatalogue(std::string_view text, const std::atomic<bool>* stop = nullptr);

// What to tell the user when nothing of kind `mode` ("1" to "3") matched
// text: that nothing matched under that kind, and under which other kinds
// something did.
std::string NothingMatchedText(std::string_view text, const SearchFound& found, std::string_view mode);

// True when name holds text in the search's sense.
bool NameMatches(std::string_view name, std::string_view upper_text);

// Text with a to z in upper case, every other byte unchanged.
std::string UpperAscii(std::string_view text);

}  // namespace veltod
