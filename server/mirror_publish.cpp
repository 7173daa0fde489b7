#include "server/mirror_publish.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/apply/list_expiry.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"

namespace veltod {

std::string RecordsBytes(int fields, const std::vector<std::vector<std::string>>& records) {
    std::string bytes = std::to_string(fields) + "\r\n";
    for (const auto& record : records) bytes += EncodeRecord(record);
    return bytes;
}

std::string MirrorListBody(const std::vector<std::string>& mirrors, const std::string& secret_key,
                           const std::string& valid_until) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& mirror : mirrors) {
        if (mirror.rfind("http://", 0) != 0 || mirror.back() != '/')
            throw Error("'" + mirror + "' is not a mirror address (http://... ending in /)");
        rows.push_back({mirror});
    }
    // The program tries the last record first.
    std::reverse(rows.begin(), rows.end());
    return WrapInMarkers(RecordsBytes(1, rows), secret_key, valid_until);
}

std::string ListingBody(const std::vector<std::vector<std::string>>& rows, const std::string& secret_key,
                        const std::string& valid_until) {
    return WrapInMarkers(RecordsBytes(2, rows), secret_key, valid_until);
}

std::string UnwrapMarkers(const std::string& body) {
    const size_t begin = body.find("comensando");
    const size_t first = body.find('\n', begin);
    const size_t end = body.find("\nterminando", first);
    if (begin != 0 && body.find("\ncomensando") == std::string::npos) throw Error("no begin marker");
    if (first == std::string::npos || end == std::string::npos) throw Error("no end marker");
    return body.substr(first + 1, end - first);
}

std::string WrapInMarkers(const std::string& content, const std::string& secret_key, const std::string& valid_until) {
    if (!IsDate(valid_until)) throw Error("'" + valid_until + "' is not a day YYYYMMDD to end a list's validity");
    return "comensando\r\n" + content + "terminando\r\n" + ListSealLines(content, secret_key, valid_until);
}

std::string DefaultValidUntil(const std::string& newest_day) { return AddDays(newest_day, kListValidDays); }

void WriteMirror(const std::string& folder, const std::vector<DayPackage>& days, const std::vector<std::string>& mirrors,
                 const std::string& secret_key, const std::string& valid_until) {
    namespace fs = std::filesystem;
    std::vector<std::vector<std::string>> listing;
    std::string newest;
    for (const auto& day : days) {
        if (!IsDate(day.day)) throw Error("'" + day.day + "' is not a day YYYYMMDD");
        listing.push_back({day.day, day.day});
        newest = std::max(newest, day.day);
    }
    if (days.empty()) throw Error("No day to publish");
    const std::string until = valid_until.empty() ? DefaultValidUntil(newest) : valid_until;
    if (until < newest)
        throw Error("The lists would expire on " + until + ", before the newest day they list, " + newest);
    const std::string mirror_list = MirrorListBody(mirrors, secret_key, until);
    const std::string listing_list = ListingBody(listing, secret_key, until);

    fs::create_directories(fs::path(folder) / "dos");
    for (const auto& day : days)
        ReplaceFileAtomically(folder + "/dos/" + day.day + ".gif", BuildPackage(day.files, secret_key));
    ReplaceFileAtomically(folder + "/espejos.txt", mirror_list);
    ReplaceFileAtomically(folder + "/listado.txt", listing_list);
}

std::vector<DayPackage> ReadDayFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, DayPackage> days;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() > 9 && IsEightDigits(name.substr(0, 8)) && name[8] == '.') {
            auto& day = days[name.substr(0, 8)];
            day.day = name.substr(0, 8);
            day.files.push_back({name, ReadWholeFile(entry.path().string())});
        } else if (entry.is_directory() && IsEightDigits(name)) {
            auto& day = days[name];
            day.day = name;
            for (const auto& inner : fs::recursive_directory_iterator(entry.path())) {
                if (!inner.is_regular_file()) continue;
                day.files.push_back({fs::relative(inner.path(), entry.path()).generic_string(),
                                     ReadWholeFile(inner.path().string())});
            }
        }
    }
    std::vector<DayPackage> result;
    for (auto& [day, package] : days) {
        std::sort(package.files.begin(), package.files.end(),
                  [](const PackageFile& a, const PackageFile& b) { return a.name < b.name; });
        result.push_back(std::move(package));
    }
    if (result.empty()) throw Error("No day files in " + folder);
    return result;
}

std::vector<DayPackage> PackagesOf(const DebianCatalogue& catalogue) {
    std::vector<DayPackage> packages;
    for (size_t d = 0; d < catalogue.days.size(); ++d) {
        DayPackage package{catalogue.days[d], {}};
        if (d == 0 && !catalogue.categories.empty()) {
            // Commands run from the last record up, so parents are listed last.
            std::vector<std::vector<std::string>> commands;
            for (auto it = catalogue.categories.rbegin(); it != catalogue.categories.rend(); ++it)
                commands.push_back({"&ADDCAT&", std::to_string(it->code), std::to_string(it->parent),
                                    std::to_string(it->level), it->name});
            package.files.push_back({DayScriptName(package.day), RecordsBytes(5, commands)});
        }
        for (size_t kind = 0; kind < 3; ++kind) {
            const auto& list = catalogue.lists[d][kind];
            if (list.empty()) continue;
            package.files.push_back({DayListName(package.day, std::to_string(kind + 1)), RecordsBytes(14, list)});
        }
        packages.push_back(std::move(package));
    }
    return packages;
}

}  // namespace veltod
