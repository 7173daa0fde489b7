#include "core/catalogue/catalogue_search.h"

#include <algorithm>

#include "core/catalogue/category_tree.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/line_stream.h"
#include "core/records/record_file.h"

namespace veltod {
namespace {

const char* const kModes[] = {"1", "2", "3"};

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int HeaderFieldCount(const std::string& path) {
    LineStream stream(path, 4096);
    std::string first;
    bool seen = false;
    stream.ForEach([&](std::string_view line) {
        first.assign(line);
        seen = true;
        return false;
    });
    if (!seen) throw ConvertError("'' is not a valid integer value");
    return ParseFieldCount(first);
}

bool StopAsked(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

// Appends the matching records of one history list to out, each cut or
// padded to width fields so that the results list stays readable whatever
// the history list's own field count. Returns how many matched; stops early
// when asked to.
size_t SearchHistoryList(const std::string& path, const std::string& upper_text, size_t width, AtomicFileWriter& out,
                         const std::atomic<bool>* stop) {
    size_t found = 0;
    LineStream stream(path);
    size_t list_width = 0;
    size_t field = 0;
    bool copying = false;
    std::string matched;  // the lines of the matching record so far
    const auto finish_record = [&] {
        if (!copying) return;
        for (size_t missing = std::min(field, width); missing < width; ++missing) matched += "\r\n";
        out.Write(matched);
        matched.clear();
        copying = false;
        ++found;
    };
    stream.ForEach([&](std::string_view line) {
        if (field == 0 && StopAsked(stop)) return false;
        if (list_width == 0) {
            list_width = static_cast<size_t>(ParseFieldCount(line));
            return true;
        }
        if (field == 0) copying = NameMatches(line, upper_text);
        if (copying && field < width) {
            matched.append(line);
            matched += "\r\n";
        }
        if (++field == list_width) {
            finish_record();
            field = 0;
        }
        return true;
    });
    if (StopAsked(stop)) return found;
    if (list_width == 0) throw ConvertError("'' is not a valid integer value");
    finish_record();
    return found;
}

}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = Upper(c);
    return upper;
}

bool NameMatches(std::string_view name, std::string_view upper_text) {
    if (upper_text.empty() || name.size() < upper_text.size()) return false;
    const char first = upper_text[0];
    const size_t last_start = name.size() - upper_text.size();
    for (size_t start = 0; start <= last_start; ++start) {
        if (Upper(name[start]) != first) continue;
        size_t i = 1;
        while (i < upper_text.size() && Upper(name[start + i]) == upper_text[i]) ++i;
        if (i == upper_text.size()) return true;
    }
    return false;
}

std::string NothingMatchedText(std::string_view text, const SearchFound& found, std::string_view mode) {
    static const char* const kKinds[] = {"Demo", "Share", "Free"};
    const size_t shown = mode == "2" ? 1 : mode == "3" ? 2 : 0;
    // Appended piece by piece: GCC 12 warns falsely about a literal followed
    // by a string at -O3 (GCC bug 105329).
    std::string said = "Nothing matched \"";
    said.append(text).append("\" under ");
    bool elsewhere = false;
    for (size_t kind = 0; kind < 3; ++kind) {
        if (kind == shown || found.by_kind[kind] == 0) continue;
        if (!elsewhere) said.append(kKinds[shown]);
        said.append(elsewhere ? " and " : "; found under ").append(kKinds[kind]).append(" (");
        said.append(std::to_string(found.by_kind[kind])).append(")");
        elsewhere = true;
    }
    if (!elsewhere) said.append("Demo, Share or Free");
    return said;
}

std::optional<SearchFound> SearchCatalogue(std::string_view text, const std::atomic<bool>* stop) {
    SearchFound found;
    RecordTable categories;
    ReadRecordFile(kCategoryListFile, categories);
    // An empty category list has no category to search.
    const int32_t highest = categories.RowCount() == 0 ? 0 : StrToInt(categories.Field(0, 0));
    const std::string upper_text = UpperAscii(text);
    const HistoryCodes lists = ListHistoryCodes(kResourcesFolder);

    for (int mode = 0; mode < 3; ++mode) {
        const int width = HeaderFieldCount(HeaderSourcePath(kModes[mode]));
        AtomicFileWriter out(SearchResultsPath(kModes[mode]));
        out.Write(std::to_string(width) + "\r\n");
        for (const int32_t code : lists.by_mode[mode]) {
            if (code < 1) continue;
            if (code > highest) break;
            const std::string path = HistoryListPath(code, kModes[mode]);
            // Gone since the folder was listed: as if it had never been there.
            if (!FileExists(path)) continue;
            found.by_kind[static_cast<size_t>(mode)] +=
                SearchHistoryList(path, upper_text, static_cast<size_t>(width), out, stop);
            if (StopAsked(stop)) return std::nullopt;
        }
        out.Commit();
    }
    return found;
}

}  // namespace veltod
