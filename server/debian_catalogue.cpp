#include "server/debian_catalogue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <set>

#include "core/platform/convert.h"
#include "core/platform/errors.h"

namespace veltod {
namespace {

// Facets that say what a package is for come first; the others (how it is
// built, what it looks like) only when nothing better is tagged.
const std::vector<std::string> kPreferredFacets = {
    "game", "field", "sound", "web", "mail", "network", "security", "admin", "hardware", "science", "office",
    "text", "devel", "works-with", "use", "protocol", "interface"};
const std::set<std::string> kMinorFacets = {"role", "implemented-in", "uitoolkit", "scope", "suite", "x11", "special",
                                            "made-of", "culture", "junior", "accessibility", "biology", "langdev"};
const std::map<std::string, std::string> kFacetNames = {
    {"game", "Games"}, {"field", "Fields of study"}, {"sound", "Sound"}, {"web", "Web"}, {"mail", "Mail"},
    {"network", "Network"}, {"security", "Security"}, {"admin", "Administration"}, {"hardware", "Hardware"},
    {"science", "Science"}, {"office", "Office"}, {"text", "Text"}, {"devel", "Development"},
    {"works-with", "Works with"}, {"works-with-format", "Works with"}, {"use", "Uses"}, {"protocol", "Protocols"}, {"interface", "Interfaces"},
    {"role", "Roles"}, {"implemented-in", "Languages"}, {"uitoolkit", "Toolkits"}, {"scope", "Scope"},
    {"suite", "Suites"}, {"x11", "X Window System"}, {"made-of", "Formats"}, {"culture", "Cultures"},
    {"iso15924", "Writing systems"}, {"biology", "Biology"}, {"langdev", "Language development"},
    {"junior", "Children"}, {"accessibility", "Accessibility"}, {"special", "Special"}, {"system", "Systems"},
    {"privacy", "Privacy"}};
// Debian archive sections, by their readable names. A section whose name is
// also a facet's ("games", "mail", "web") becomes that same category.
const std::map<std::string, std::string> kSectionNames = {
    {"admin", "Administration"}, {"cli-mono", "Mono and .NET"}, {"comm", "Communication"},
    {"database", "Databases"}, {"debug", "Debugging symbols"}, {"devel", "Development"},
    {"doc", "Documentation"}, {"editors", "Editors"}, {"education", "Education"},
    {"electronics", "Electronics"}, {"embedded", "Embedded systems"}, {"fonts", "Fonts"}, {"games", "Games"},
    {"gnome", "GNOME"}, {"gnu-r", "GNU R"}, {"gnustep", "GNUstep"}, {"golang", "Go"},
    {"graphics", "Graphics"}, {"hamradio", "Amateur radio"}, {"haskell", "Haskell"},
    {"httpd", "Web servers"}, {"interpreters", "Interpreters"}, {"introspection", "GObject introspection"},
    {"java", "Java"}, {"javascript", "JavaScript"}, {"kde", "KDE"}, {"kernel", "Kernel"},
    {"libdevel", "Library development"}, {"libs", "Libraries"}, {"lisp", "Lisp"},
    {"localization", "Localization"}, {"mail", "Mail"}, {"math", "Mathematics"},
    {"metapackages", "Metapackages"}, {"misc", "Miscellaneous"}, {"net", "Network"}, {"news", "News"},
    {"ocaml", "OCaml"}, {"oldlibs", "Old libraries"}, {"otherosfs", "Other systems and file systems"},
    {"perl", "Perl"}, {"php", "PHP"}, {"python", "Python"}, {"ruby", "Ruby"}, {"rust", "Rust"},
    {"science", "Science"}, {"shells", "Shells"}, {"sound", "Sound"}, {"tasks", "Tasks"}, {"tex", "TeX"},
    {"text", "Text"}, {"utils", "Utilities"}, {"vcs", "Version control"}, {"video", "Video"}, {"web", "Web"},
    {"x11", "X Window System"}, {"xfce", "Xfce"}, {"zope", "Zope"}};

// Tag values whose readable name is not just their first letter raised.
const std::map<std::string, std::string> kValueNames = {
    {"c", "C"}, {"c++", "C++"}, {"c-sharp", "C#"}, {"ecma-cli", "ECMA CLI"}, {"i18n", "Internationalisation"},
    {"l10n", "Localisation"}, {"doc", "Documentation"}, {"testing-qa", "Testing and QA"}, {"ide", "IDE"},
    {"rcs", "Version control"}, {"ocaml", "OCaml"}, {"php", "PHP"}, {"sql", "SQL"}, {"gtk", "GTK"}, {"qt", "Qt"},
    {"tcl", "Tcl"}, {"javascript", "JavaScript"}, {"x11", "X11"}, {"tex", "TeX"}, {"xml", "XML"},
    {"html", "HTML"}, {"http", "HTTP"}, {"ftp", "FTP"}, {"ssh", "SSH"}, {"ssl", "SSL"}, {"dns", "DNS"},
    {"pdf", "PDF"}, {"svg", "SVG"}, {"kde", "KDE"}, {"gnome", "GNOME"}, {"gui", "GUI"}, {"cli", "CLI"},
    {"tui", "Text user interface"}, {"3d", "3D"}, {"vcs", "Version control"}, {"ui", "User interfaces"},
    {"lang", "Languages"}, {"ml", "ML"}, {"objc", "Objective-C"}, {"shell", "Shell"}, {"vala", "Vala"},
    // Codes and short words the debtags vocabulary uses, as a user reads them.
    {"cd", "CD"}, {"dvd", "DVD"}, {"gps", "GPS"}, {"fps", "First-person shooters"}, {"cgi", "CGI"},
    {"db", "Databases"}, {"sdl", "SDL"}, {"smtp", "SMTP"}, {"irc", "IRC"}, {"rss", "RSS"},
    {"3dmodel", "3D models"}, {"mysql", "MySQL"}, {"psql", "PostgreSQL"}, {"rpg", "Role-playing"},
    {"mud", "Multi-user dungeons"}, {"usb", "USB"}, {"acpi", "ACPI"}, {"apm", "APM"}, {"ups", "UPS"},
    {"dsl", "DSL"}, {"svga", "SVGA"}, {"midi", "MIDI"}, {"ids", "Intrusion detection"}, {"vpn", "VPN"},
    {"pop", "POP"}, {"pop3", "POP3"}, {"imap", "IMAP"}, {"im", "Instant messaging"},
    {"pim", "Personal information"}, {"dtp", "Desktop publishing"}, {"atm", "ATM"}, {"dcc", "DCC"},
    {"dhcp", "DHCP"}, {"ip", "IP"}, {"ipv6", "IPv6"}, {"ldap", "LDAP"}, {"lpr", "LPR"}, {"nfs", "NFS"},
    {"nntp", "NNTP"}, {"oscar", "OSCAR"}, {"sftp", "SFTP"}, {"smb", "SMB"}, {"snmp", "SNMP"},
    {"soap", "SOAP"}, {"tcp", "TCP"}, {"tftp", "TFTP"}, {"udp", "UDP"}, {"voip", "VoIP"}, {"rpc", "RPC"},
    {"corba", "CORBA"}, {"bib", "BibTeX"}, {"chm", "CHM"}, {"djvu", "DjVu"}, {"dvi", "DVI"}, {"elf", "ELF"},
    {"epub", "EPUB"}, {"gif", "GIF"}, {"ical", "iCalendar"}, {"jpg", "JPEG"}, {"json", "JSON"},
    {"ldif", "LDIF"}, {"man", "Manual pages"}, {"mp3", "MP3"}, {"mpc", "Musepack"}, {"odf", "ODF"},
    {"png", "PNG"}, {"po", "Gettext PO"}, {"n3", "N3"}, {"tar", "Tar"}, {"tiff", "TIFF"}, {"vrml", "VRML"},
    {"wav", "WAV"}, {"gpx", "GPX"}, {"xslt", "XSLT"}, {"zip", "Zip"}, {"swf", "Flash"}, {"sgml", "SGML"},
    {"fltk", "FLTK"}, {"glut", "GLUT"}, {"tk", "Tk"}, {"xlib", "Xlib"}, {"gpe", "GPE"}, {"bsd", "BSD"},
    {"gnu", "GNU"}, {"xfce", "Xfce"}, {"gimp", "GIMP"}, {"aln", "ALN"}, {"fasta", "FASTA"}, {"ocr", "OCR"},
    // Writing systems by their ISO 15924 codes.
    {"arab", "Arabic"}, {"cans", "Canadian syllabics"}, {"cyrl", "Cyrillic"}, {"ethi", "Ethiopic"},
    {"geor", "Georgian"}, {"grek", "Greek"}, {"gujr", "Gujarati"}, {"hang", "Hangul"}, {"hani", "Han"},
    {"hans", "Simplified Han"}, {"hant", "Traditional Han"}, {"hebr", "Hebrew"}, {"jpan", "Japanese"},
    {"khmr", "Khmer"}, {"knda", "Kannada"}, {"kore", "Korean"}, {"laoo", "Lao"}, {"latn", "Latin"},
    {"mymr", "Myanmar"}, {"sinh", "Sinhala"}, {"tibt", "Tibetan"}, {"yiii", "Yi"}, {"deva", "Devanagari"},
    {"beng", "Bengali"}, {"guru", "Gurmukhi"}, {"taml", "Tamil"}, {"telu", "Telugu"}, {"mlym", "Malayalam"},
    {"orya", "Oriya"}, {"armn", "Armenian"}, {"thaa", "Thaana"}, {"mong", "Mongolian"}};

std::string Title(std::string text) {
    for (char& c : text)
        if (c == '-' || c == '_') c = ' ';
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return std::string(text);
}

// "a::b, c::{d,e}" -> {"a::b", "c::d", "c::e"}
std::vector<std::string> SplitTags(const std::string& value) {
    std::vector<std::string> tags;
    std::string current;
    int depth = 0;
    const auto flush = [&] {
        const std::string tag = Trim(current);
        current.clear();
        if (tag.empty()) return;
        const size_t open = tag.find('{');
        const size_t close = tag.find('}');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            tags.push_back(tag);
            return;
        }
        const std::string head = tag.substr(0, open);
        std::string inner = tag.substr(open + 1, close - open - 1);
        size_t start = 0;
        while (start <= inner.size()) {
            size_t comma = inner.find(',', start);
            if (comma == std::string::npos) comma = inner.size();
            const std::string part = Trim(std::string_view(inner).substr(start, comma - start));
            if (!part.empty()) tags.push_back(head + part);
            start = comma + 1;
        }
    };
    for (const char c : value) {
        if (c == '{') ++depth;
        if (c == '}') --depth;
        if (c == ',' && depth == 0)
            flush();
        else
            current += c;
    }
    flush();
    return tags;
}

std::string Field(const DebianStanza& stanza, const std::string& name) {
    const auto found = stanza.find(name);
    return found == stanza.end() ? std::string() : found->second;
}

std::string Clip(std::string text, size_t limit) {
    if (text.size() <= limit) return text;
    text.resize(limit);
    const size_t cut = text.rfind(", ");
    if (cut != std::string::npos && cut > limit / 2) text.resize(cut);
    return text + " ...";
}

std::string ColourOf(const std::string& priority) {
    if (priority == "required") return "9";
    if (priority == "important") return "10";
    if (priority == "standard") return "6";
    return "16";
}

}  // namespace

std::vector<std::string> CatalogueEntryOf(const DebianStanza& stanza, const std::string& archive,
                                          const std::string& release, int category, long id) {
    const std::string name = Field(stanza, "Package");
    const std::string version = Field(stanza, "Version");
    const std::string synopsis = Field(stanza, "Description");
    const std::string architecture = Field(stanza, "Architecture");
    const std::string section = Field(stanza, "Section");
    int32_t bytes = 0;
    TryStrToInt(Field(stanza, "Size"), bytes);
    const long size_kb = (static_cast<long>(bytes) + 1023) / 1024;
    std::string homepage = Field(stanza, "Homepage");
    if (homepage.empty()) homepage = PackagePageOf(release, name);

    std::string description = synopsis.empty() ? name : synopsis;
    if (description.back() != '.') description += '.';
    description += " Debian package " + name + " version " + version + " for " +
                   (architecture == "all" ? std::string("every architecture") : architecture) + ", in the section " +
                   (section.empty() ? std::string("misc") : section) + " with " +
                   (Field(stanza, "Priority").empty() ? std::string("optional") : Field(stanza, "Priority")) +
                   " priority.";
    if (!Field(stanza, "Maintainer").empty()) description += " Maintained by " + Field(stanza, "Maintainer") + ".";
    if (!Field(stanza, "Installed-Size").empty())
        description += " It takes " + Field(stanza, "Installed-Size") + " kB once installed and " +
                       std::to_string(size_kb) + " kB to download.";
    if (!Field(stanza, "Depends").empty()) description += " It depends on " + Clip(Field(stanza, "Depends"), 400) + ".";
    if (!Field(stanza, "Tag").empty()) description += " Tags: " + Clip(Field(stanza, "Tag"), 300) + ".";

    return {
        Utf8ToAnsi(name),
        archive + "/" + Field(stanza, "Filename"),
        Utf8ToAnsi(version),
        std::to_string(size_kb),
        Utf8ToAnsi(architecture + " / " + (section.empty() ? std::string("misc") : section)),
        Utf8ToAnsi(homepage),
        Utf8ToAnsi(Field(stanza, "Maintainer")),
        Utf8ToAnsi(description),
        ColourOf(Field(stanza, "Priority")),
        std::to_string(category),
        std::to_string(id),
        "",
        "-------x",
        Utf8ToAnsi(synopsis),
    };
}

std::string PackagePageOf(const std::string& release, const std::string& package) {
    return "https://packages.debian.org/" + release + "/" + package;
}

std::vector<DebianStanza> ParsePackagesIndex(std::string_view text) {
    std::vector<DebianStanza> stanzas;
    DebianStanza current;
    std::string last;
    const auto finish = [&] {
        if (current.count("Package")) stanzas.push_back(std::move(current));
        current.clear();
        last.clear();
    };
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) {
            finish();
            continue;
        }
        if (line.front() == ' ' || line.front() == '\t') {
            if (!last.empty()) {
                const std::string more = Trim(line);
                if (more != ".") current[last] += " " + more;
            }
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        last = std::string(line.substr(0, colon));
        current[last] = Trim(line.substr(colon + 1));
    }
    finish();
    return stanzas;
}

std::string LicenceKindOf(std::string_view package) {
    uint32_t hash = 2166136261u;
    for (const char c : package) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return std::to_string(1 + hash % 3);
}

std::vector<std::string> CategoryPathOf(const DebianStanza& stanza) {
    const auto tags = SplitTags(Field(stanza, "Tag"));
    const auto facet_of = [](const std::string& tag) { return tag.substr(0, tag.find("::")); };
    // "facet::TODO" (and "devel::lang:TODO") tags a package not yet
    // classified within the facet: it goes to the facet itself.
    const auto path_of = [](const std::string& tag) -> std::vector<std::string> {
        const size_t split = tag.find("::");
        if (split == std::string::npos) return {tag};
        const std::string value = tag.substr(split + 2);
        if (value == "TODO" || value.ends_with(":TODO")) return {tag.substr(0, split)};
        return {tag.substr(0, split), value};
    };
    for (const auto& facet : kPreferredFacets)
        for (const auto& tag : tags)
            if (facet_of(tag) == facet) return path_of(tag);
    for (const auto& tag : tags)
        if (!kMinorFacets.count(facet_of(tag))) return path_of(tag);
    if (!tags.empty()) return path_of(tags.front());
    std::string section = Field(stanza, "Section");
    if (const size_t slash = section.rfind('/'); slash != std::string::npos) section = section.substr(slash + 1);
    return {"section:" + (section.empty() ? std::string("misc") : section)};
}

std::string Utf8ToAnsi(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += (c < 0x20) ? ' ' : static_cast<char>(c);
            ++i;
            continue;
        }
        uint32_t code = 0;
        size_t length = 0;
        if ((c & 0xE0) == 0xC0) code = c & 0x1F, length = 2;
        else if ((c & 0xF0) == 0xE0) code = c & 0x0F, length = 3;
        else if ((c & 0xF8) == 0xF0) code = c & 0x07, length = 4;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        i += length;
        if (code >= 0xA0 && code <= 0xFF) {
            out += static_cast<char>(code);
            continue;
        }
        static const std::map<uint32_t, char> kExtra = {
            {0x20AC, '\x80'}, {0x201A, '\x82'}, {0x0192, '\x83'}, {0x201E, '\x84'}, {0x2026, '\x85'},
            {0x2020, '\x86'}, {0x2021, '\x87'}, {0x02C6, '\x88'}, {0x2030, '\x89'}, {0x0160, '\x8A'},
            {0x2039, '\x8B'}, {0x0152, '\x8C'}, {0x017D, '\x8E'}, {0x2018, '\x91'}, {0x2019, '\x92'},
            {0x201C, '\x93'}, {0x201D, '\x94'}, {0x2022, '\x95'}, {0x2013, '\x96'}, {0x2014, '\x97'},
            {0x02DC, '\x98'}, {0x2122, '\x99'}, {0x0161, '\x9A'}, {0x203A, '\x9B'}, {0x0153, '\x9C'},
            {0x017E, '\x9E'}, {0x0178, '\x9F'}};
        const auto found = kExtra.find(code);
        out += found != kExtra.end() ? found->second : '?';
    }
    return out;
}

std::string AddDays(const std::string& day, int delta) {
    using namespace std::chrono;
    const int32_t value = StrToInt(day);
    const year_month_day date{year{value / 10000}, month{static_cast<unsigned>(value / 100 % 100)},
                              std::chrono::day{static_cast<unsigned>(value % 100)}};
    if (!date.ok()) throw ConvertError("'" + day + "' is not a valid date");
    const year_month_day moved{sys_days{date} + days{delta}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(moved.year()),
                  static_cast<unsigned>(moved.month()), static_cast<unsigned>(moved.day()));
    return text;
}

bool IsDate(const std::string& day) {
    if (!IsEightDigits(day)) return false;
    try {
        AddDays(day, 0);
    } catch (const ConvertError&) {
        return false;
    }
    return true;
}

DebianCatalogue BuildDebianCatalogue(const std::vector<DebianStanza>& all, const DebianOptions& options) {
    if (options.days < 1) throw Error("The number of days must be at least 1");
    std::vector<const DebianStanza*> chosen;
    for (const auto& stanza : all) chosen.push_back(&stanza);
    if (options.limit != 0 && chosen.size() > options.limit) {
        // An even sample over the whole index, so every part of it shows.
        std::vector<const DebianStanza*> sample;
        for (size_t i = 0; i < options.limit; ++i) sample.push_back(chosen[i * chosen.size() / options.limit]);
        chosen = std::move(sample);
    }

    DebianCatalogue catalogue;
    CategoryCodes codes;
    const int days = options.days;
    catalogue.lists.resize(static_cast<size_t>(days));
    for (int d = 0; d < days; ++d) catalogue.days.push_back(AddDays(options.last_day, d - days + 1));
    // Round robin over the days, so each day has a mix of the whole index.
    std::vector<std::vector<const DebianStanza*>> per_day(static_cast<size_t>(days));
    for (size_t i = 0; i < chosen.size(); ++i) per_day[i % static_cast<size_t>(days)].push_back(chosen[i]);
    long id = options.first_id;
    for (int d = 0; d < days; ++d) {
        for (const DebianStanza* stanza : per_day[static_cast<size_t>(d)]) {
            const int category = codes.CodeOf(CategoryPathOf(*stanza));
            const int kind = StrToInt(LicenceKindOf(Field(*stanza, "Package"))) - 1;
            catalogue.lists[static_cast<size_t>(d)][static_cast<size_t>(kind)].push_back(
                CatalogueEntryOf(*stanza, options.archive, "bookworm", category, id++));
        }
        // Ids fall towards the end of a day list, so installing it files
        // every entry into its history list (newest first in the file).
        for (auto& list : catalogue.lists[static_cast<size_t>(d)]) std::reverse(list.begin(), list.end());
    }
    catalogue.categories = codes.Categories();
    return catalogue;
}

std::string CategoryNameOf(const std::vector<std::string>& path, size_t level) {
    const std::string& name = path[level];
    if (level == 0 && name.rfind("section:", 0) == 0) {
        const std::string section = name.substr(8);
        return kSectionNames.count(section) ? kSectionNames.at(section) : Title(section);
    }
    if (level == 0 && kFacetNames.count(name)) return kFacetNames.at(name);
    // "lang:c" is C among the languages: its kind is the parent's business.
    const std::string value = name.substr(name.rfind(':') == std::string::npos ? 0 : name.rfind(':') + 1);
    return kValueNames.count(value) ? kValueNames.at(value) : Title(value.empty() ? name : value);
}

CategoryCodes::CategoryCodes(int first_code, std::vector<KnownCategory> known) : next_code_(first_code) {
    for (auto& category : known) {
        next_code_ = std::max(next_code_, category.category.code + 1);
        codes_.emplace(category.key, category.category.code);
        known_.push_back(std::move(category));
    }
}

int CategoryCodes::CodeOf(const std::vector<std::string>& path) {
    int parent = 0;
    std::string key;
    for (size_t level = 0; level < path.size(); ++level) {
        const std::string name = CategoryNameOf(path, level);
        // Top categories are told apart by the name the user sees, so a
        // section and a facet of one name ("Games") are one category.
        key += level ? "::" + path[level] : "top:" + name;
        auto found = codes_.find(key);
        if (found == codes_.end()) {
            found = codes_.emplace(key, next_code_++).first;
            known_.push_back({{found->second, parent, static_cast<int>(level), Utf8ToAnsi(name)}, key});
        }
        parent = found->second;
    }
    return parent;
}

std::vector<CatalogueCategory> CategoryCodes::Categories() const {
    std::vector<CatalogueCategory> categories;
    for (const auto& known : known_) categories.push_back(known.category);
    return categories;
}

}  // namespace veltod
