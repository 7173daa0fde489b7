#pragma once
// The search by name over every category history list, for the three licence
// kinds at once.
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
void SearchCatalogue(std::string_view text);

// True when name holds text in the search's sense.
bool NameMatches(std::string_view name, std::string_view upper_text);

// Text with a to z in upper case, every other byte unchanged.
std::string UpperAscii(std::string_view text);

}  // namespace veltod
