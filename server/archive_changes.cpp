#include "server/archive_changes.h"

#include <algorithm>

#include "server/dpkg_version.h"

namespace veltod {
namespace {

// The value of a field of one stanza ("Package", "Version"), empty when
// absent. Fields start a line; their values need no continuation lines.
std::string_view FieldOf(std::string_view stanza, std::string_view name) {
    size_t at = 0;
    while (at < stanza.size()) {
        size_t end = stanza.find('\n', at);
        if (end == std::string_view::npos) end = stanza.size();
        std::string_view line = stanza.substr(at, end - at);
        at = end + 1;
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ':') {
            line.remove_prefix(name.size() + 1);
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
            return line;
        }
    }
    return {};
}

}  // namespace

std::vector<PackageVersion> HighestVersions(const std::vector<std::string_view>& indices, std::vector<size_t>* counts) {
    std::vector<PackageVersion> all;
    if (counts) counts->assign(indices.size(), 0);
    for (size_t i = 0; i < indices.size(); ++i) {
        const std::string_view text = indices[i];
        // A stanza ends at an empty line; an index has LF or CR LF line ends.
        const std::string_view blank = text.find("\r\n") == std::string_view::npos ? "\n\n" : "\n\r\n";
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find(blank, at);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view stanza = text.substr(at, end - at);
            at = end + 1;
            while (at < text.size() && (text[at] == '\n' || text[at] == '\r')) ++at;
            const std::string_view name = FieldOf(stanza, "Package");
            const std::string_view version = FieldOf(stanza, "Version");
            if (name.empty() || version.empty()) continue;
            all.push_back({name, version, stanza, i});
            if (counts) ++(*counts)[i];
        }
    }
    std::sort(all.begin(), all.end(), [](const PackageVersion& a, const PackageVersion& b) {
        if (a.name != b.name) return a.name < b.name;
        return CompareDebianVersions(a.version, b.version) > 0;
    });
    // The first of each name is its highest version.
    all.erase(std::unique(all.begin(), all.end(),
                          [](const PackageVersion& a, const PackageVersion& b) { return a.name == b.name; }),
              all.end());
    return all;
}

std::vector<PackageChange> ChangesSince(const VersionSnapshot& before, const std::vector<PackageVersion>& today) {
    std::vector<PackageChange> changes;
    auto old = before.begin();
    for (const PackageVersion& package : today) {
        while (old != before.end() && std::string_view(old->first) < package.name) ++old;
        if (old == before.end() || std::string_view(old->first) != package.name)
            changes.push_back({package, {}});
        else if (CompareDebianVersions(package.version, old->second) > 0)
            changes.push_back({package, old->second});
    }
    return changes;
}

VersionSnapshot MergeSnapshot(const VersionSnapshot& before, const std::vector<PackageVersion>& today) {
    VersionSnapshot merged;
    merged.reserve(std::max(before.size(), today.size()));
    auto old = before.begin();
    for (const PackageVersion& package : today) {
        for (; old != before.end() && std::string_view(old->first) < package.name; ++old) merged.push_back(*old);
        if (old != before.end() && std::string_view(old->first) == package.name) {
            merged.emplace_back(old->first, CompareDebianVersions(package.version, old->second) > 0
                                                ? std::string(package.version)
                                                : old->second);
            ++old;
        } else {
            merged.emplace_back(std::string(package.name), std::string(package.version));
        }
    }
    merged.insert(merged.end(), old, before.end());
    return merged;
}

}  // namespace veltod
