#include "server/day_publish.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>

#include "core/apply/package_format.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"
#include "server/archive_changes.h"
#include "server/archive_index.h"
#include "server/debian_catalogue.h"
#include "server/mirror_publish.h"
#include "server/publish_options.h"
#include "server/publish_state.h"

namespace veltod {
namespace {

// An index with fewer than this share of the packages it held in the previous
// run is taken for a cut download.
constexpr size_t kSmallestShare = 2;


std::vector<std::vector<std::string>> ReadListing(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    if (!FileExists(path)) return rows;
    RecordTable table;
    try {
        ParseRecordBytes(UnwrapMarkers(ReadWholeFile(path)), table);
    } catch (const std::exception& error) {
        throw Error(path + " cannot be read (" + error.what() + "); nothing was changed");
    }
    for (size_t row = table.RowCount(); row-- > 0;) rows.push_back({table.FieldString(row, 0), table.FieldString(row, 1)});
    return rows;
}

// What the entry's texts say happened.
std::string ChangeText(const PackageChange& change, bool security) {
    std::string text = change.before.empty() ? "new " + std::string(change.now.version)
                                             : change.before + " -> " + std::string(change.now.version);
    if (security) text += " security update";
    return text;
}

struct Day {
    std::array<std::vector<std::vector<std::string>>, 3> lists;  // by kind, file order
    std::set<int> categories;
    size_t security = 0;
};

Day BuildDay(const std::vector<PackageChange>& changes, const std::vector<ArchiveIndex>& indices, CategoryCodes& codes,
             long& next_id) {
    Day day;
    for (const PackageChange& change : changes) {
        const auto stanzas = ParsePackagesIndex(change.now.stanza);
        if (stanzas.empty()) continue;
        const DebianStanza& stanza = stanzas.front();
        const ArchiveIndex& index = indices[change.now.index];
        const int category = codes.CodeOf(CategoryPathOf(stanza));
        day.categories.insert(category);
        auto entry = CatalogueEntryOf(stanza, index.archive, index.release, category, next_id++);
        const std::string what = Utf8ToAnsi(ChangeText(change, index.security));
        const std::string sentence = change.before.empty() ? "New in " + index.suite + "."
                                     : index.security ? "Security update in " + index.suite + " from " +
                                                            change.before + "."
                                                      : "Updated in " + index.suite + " from " + change.before + ".";
        entry[2] = what;                                  // TitleSuffix
        entry[7] = Utf8ToAnsi(sentence) + " " + entry[7];  // Description
        entry[11] = PackagePageOf(index.release, std::string(change.now.name));  // BuyUrl: where to get it
        entry[13] = what + ": " + entry[13];              // HoverNote
        if (index.security) ++day.security;
        day.lists[static_cast<size_t>(LicenceKindOf(change.now.name)[0] - '1')].push_back(std::move(entry));
    }
    // Ids fall towards the end of a day list, so installing it files every
    // entry into its history list.
    for (auto& list : day.lists) std::reverse(list.begin(), list.end());
    return day;
}

// The day's update script: each category its entries use, with its parents,
// replaced by its current name and place, so a client that joins on any day
// knows them. Commands run from the last record up: parents first, each one
// removed before it is added.
std::string CategoryScript(const std::set<int>& used, const CategoryCodes& codes) {
    std::map<int, CatalogueCategory> by_code;
    for (const auto& known : codes.Known()) by_code[known.category.code] = known.category;
    std::set<int> needed;
    for (int code : used)
        for (int at = code; at != 0 && by_code.count(at) && needed.insert(at).second;) at = by_code[at].parent;
    std::vector<CatalogueCategory> ordered;
    for (int code : needed) ordered.push_back(by_code[code]);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const CatalogueCategory& a, const CatalogueCategory& b) { return a.level < b.level; });
    std::vector<std::vector<std::string>> run_order;
    for (const auto& category : ordered) {
        const std::string code = std::to_string(category.code);
        run_order.push_back({"&QUICAT&", code, "", "", ""});
        run_order.push_back({"&ADDCAT&", code, std::to_string(category.parent), std::to_string(category.level),
                             category.name});
    }
    std::reverse(run_order.begin(), run_order.end());
    return RecordsBytes(5, run_order);
}

}  // namespace

ChangesReport PublishChanges(const ChangesOptions& options) {
    namespace fs = std::filesystem;
    if (options.indices.empty()) throw Error("no index named");
    if (options.keep_days < 1) throw Error("--keep-days must be at least 1");
    if (!options.day.empty() && !IsDate(options.day)) throw Error("'" + options.day + "' is not a day YYYYMMDD");

    PublishState state;
    const bool first_run = !ReadPublishState(options.state_folder, state);
    std::vector<ArchiveIndex> indices;
    for (const auto& path : options.indices) indices.push_back(ReadArchiveIndex(path));
    std::vector<std::string_view> texts;
    for (const auto& index : indices) texts.push_back(index.text);
    std::vector<size_t> counts;
    const std::vector<PackageVersion> today = HighestVersions(texts, &counts);
    for (size_t i = 0; i < indices.size(); ++i) {
        const auto before = state.index_sizes.find(indices[i].key);
        if (counts[i] == 0) throw Error(indices[i].path + " holds no package; nothing was changed");
        if (before != state.index_sizes.end() && counts[i] * kSmallestShare < before->second)
            throw Error(indices[i].path + " holds " + std::to_string(counts[i]) + " packages where the previous run read " +
                        std::to_string(before->second) + ": a cut download? Nothing was changed");
    }
    std::string day = options.day;
    for (const auto& index : indices) day = options.day.empty() ? std::max(day, index.day) : day;

    ChangesReport report;
    report.first_run = first_run;
    report.packages = today.size();
    const std::vector<PackageChange> changes =
        first_run ? std::vector<PackageChange>{} : ChangesSince(state.packages, today);
    if (!changes.empty() && !state.last_day.empty() && day <= state.last_day)
        throw Error("the day " + day + " is not after the last day published, " + state.last_day +
                    ": its changes wait for a later day; nothing was changed");

    const std::string folder = options.mirror_folder;
    const std::string listing_path = folder + "/listado.txt";
    const std::string mirrors_path = folder + "/espejos.txt";
    auto listing = ReadListing(listing_path);
    if (options.mirrors.empty() && !FileExists(mirrors_path))
        throw Error("the mirror has no mirror list yet: name its public addresses with --mirror URL");
    std::string newest_listed = day;
    for (const auto& row : listing) newest_listed = std::max(newest_listed, row[0]);
    const std::string until = options.valid_until.empty() ? DefaultValidUntil(newest_listed) : options.valid_until;
    if (until < newest_listed)
        throw UsageError("--valid-until " + until + " lies before the newest day listed, " + newest_listed +
                         "; nothing was changed");
    // Kept addresses are signed again too, with the new expiry.
    const std::string mirror_list = options.mirrors.empty()
                                        ? WrapInMarkers(UnwrapMarkers(ReadWholeFile(mirrors_path)), options.secret_key, until)
                                        : MirrorListBody(options.mirrors, options.secret_key, until);
    fs::create_directories(fs::path(folder) / "dos");

    CategoryCodes codes(kFirstPublishedCategory, state.categories);
    if (!changes.empty()) {
        const Day built = BuildDay(changes, indices, codes, state.next_id);
        DayPackage package{day, {}};
        package.files.push_back({DayScriptName(day), CategoryScript(built.categories, codes)});
        for (size_t kind = 0; kind < 3; ++kind)
            if (!built.lists[kind].empty())
                package.files.push_back({DayListName(day, std::to_string(kind + 1)), RecordsBytes(14, built.lists[kind])});
        const std::string bytes = BuildPackage(package.files, options.secret_key);
        // The package first: no listing may name a package that is not there.
        ReplaceFileAtomically(folder + "/dos/" + day + ".gif", bytes);
        report.day = day;
        report.entries = changes.size();
        report.security = built.security;
        report.package_bytes = bytes.size();
        std::erase_if(listing, [&](const auto& row) { return row[0] == day; });
        listing.push_back({day, day});
        std::sort(listing.begin(), listing.end());
        state.last_day = day;
    }
    const std::string oldest_kept = AddDays(day, 1 - options.keep_days);
    std::vector<std::string> dropped;
    for (const auto& row : listing)
        if (row[0] < oldest_kept) dropped.push_back(row[1]);
    std::erase_if(listing, [&](const auto& row) { return row[0] < oldest_kept; });

    ReplaceFileAtomically(mirrors_path, mirror_list);
    ReplaceFileAtomically(listing_path, ListingBody(listing, options.secret_key, until));
    // Only once no listing names them; also what a killed run left behind.
    std::set<std::string> listed;
    for (const auto& row : listing) listed.insert(row[1] + ".gif");
    for (const auto& entry : fs::directory_iterator(fs::path(folder) / "dos"))
        if (entry.path().extension() == ".gif" && !listed.count(entry.path().filename().string()))
            RemoveFile(entry.path().string());
    report.dropped = dropped;
    report.valid_until = until;

    state.packages = MergeSnapshot(state.packages, today);
    for (size_t i = 0; i < indices.size(); ++i) state.index_sizes[indices[i].key] = counts[i];
    state.categories = codes.Known();
    WritePublishState(options.state_folder, state);
    return report;
}

}  // namespace veltod
