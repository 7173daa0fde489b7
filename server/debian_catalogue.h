#pragma once
// Turns a Debian "Packages" index into catalogue data: one catalogue entry
// per binary package, categories from the package's debtags (or its
// section), a licence kind for each entry, and the entries spread over a run
// of days as the day lists a mirror publishes.
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace veltod {

// One stanza of the index: field name -> value (continuation lines joined
// with a blank).
using DebianStanza = std::map<std::string, std::string>;
std::vector<DebianStanza> ParsePackagesIndex(std::string_view text);

struct CatalogueCategory {
    int code = 0;
    int parent = 0;
    int level = 0;
    std::string name;
};

struct DebianOptions {
    std::string archive = "http://deb.debian.org/debian";  // base of the download addresses
    int days = 21;                   // number of days the entries are spread over
    std::string last_day;            // YYYYMMDD of the newest day
    long first_id = 1000;            // EntryId of the first entry
    size_t limit = 0;                // at most this many entries (an even sample), 0 for all
};

struct DebianCatalogue {
    std::vector<CatalogueCategory> categories;  // parents before children
    std::vector<std::string> days;              // oldest first
    // lists[d][k]: the day list of day d and kind k + 1, in file order.
    std::vector<std::array<std::vector<std::vector<std::string>>, 3>> lists;
};

DebianCatalogue BuildDebianCatalogue(const std::vector<DebianStanza>& stanzas, const DebianOptions& options);

// The readable name of level `level` of a category path.
std::string CategoryNameOf(const std::vector<std::string>& path, size_t level);

// The codes of categories, given as they are first met; a category is one
// per readable top name and tag below it. Known categories (from an earlier
// run) keep their codes and new ones get codes above them.
struct KnownCategory {
    CatalogueCategory category;
    std::string key;  // what tells it apart: "top:" + name, then "::" + tag per level
};
class CategoryCodes {
public:
    explicit CategoryCodes(int first_code = 1, std::vector<KnownCategory> known = {});
    // The code of a path from CategoryPathOf, adding it (and its parents) when new.
    int CodeOf(const std::vector<std::string>& path);
    // Parents before children.
    std::vector<CatalogueCategory> Categories() const;
    const std::vector<KnownCategory>& Known() const { return known_; }

private:
    int next_code_;
    std::map<std::string, int> codes_;
    std::vector<KnownCategory> known_;
};

// The catalogue entry of a package (14 fields): its download address in
// archive, its homepage (or its page at packages.debian.org for release),
// version, size, description and hover note.
std::vector<std::string> CatalogueEntryOf(const DebianStanza& stanza, const std::string& archive,
                                          const std::string& release, int category, long id);
// The package's page at packages.debian.org.
std::string PackagePageOf(const std::string& release, const std::string& package);

// The licence kind of a package: "1", "2" or "3" by a hash of its name, so
// that each kind gets about a third of the packages and a package always
// gets the same kind.
std::string LicenceKindOf(std::string_view package);

// The category path of a package: {facet, value} from its debtags, or
// {section} when it has none.
std::vector<std::string> CategoryPathOf(const DebianStanza& stanza);

// Text that is not UTF-8 ASCII becomes Windows-1252 where it can ("?" else).
std::string Utf8ToAnsi(std::string_view text);

// The day delta days after day (YYYYMMDD), delta may be negative.
std::string AddDays(const std::string& day, int delta);

// True when day is eight digits naming a day of the calendar.
bool IsDate(const std::string& day);

}  // namespace veltod
