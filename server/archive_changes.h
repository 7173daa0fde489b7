#pragma once
// What changed in an archive between two runs: every binary package at its
// highest version over today's indices, compared with the highest version
// seen by the runs before (versions compared as dpkg compares them).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltod {

// One package of today's indices at its highest version; the views point
// into the index texts, which must outlive it.
struct PackageVersion {
    std::string_view name;
    std::string_view version;
    std::string_view stanza;  // the whole stanza, for the entry's fields
    size_t index = 0;         // which of the indices it came from
};

// The highest version seen of every package, sorted by name.
using VersionSnapshot = std::vector<std::pair<std::string, std::string>>;

// Every package of the indices at its highest version, sorted by name; the
// stanza counts of each index go to counts. Stanzas without a Package or a
// Version field are passed over.
std::vector<PackageVersion> HighestVersions(const std::vector<std::string_view>& indices, std::vector<size_t>* counts);

// A package that is new since the snapshot (before empty), or whose highest
// version is newer than the snapshot's. Removed packages and versions that
// went back make no change.
struct PackageChange {
    PackageVersion now;
    std::string before;
};
std::vector<PackageChange> ChangesSince(const VersionSnapshot& before, const std::vector<PackageVersion>& today);

// The snapshot after today: each package at the higher of its two versions,
// so a package that leaves an index for a day and comes back unchanged is
// not news again.
VersionSnapshot MergeSnapshot(const VersionSnapshot& before, const std::vector<PackageVersion>& today);

}  // namespace veltod
