#pragma once
// What the `changes` publisher keeps between its runs, in one file of its
// state folder, replaced whole and last in a run: the highest version seen
// of every package, the size of each index, the categories with their codes,
// the next entry id and the last day published.
#include <map>
#include <string>
#include <vector>

#include "server/archive_changes.h"
#include "server/debian_catalogue.h"

namespace veltod {

struct PublishState {
    std::string last_day;                       // YYYYMMDD, empty before the first day
    long next_id = 1000000;                     // above the ids of the demo catalogue
    std::map<std::string, size_t> index_sizes;  // index key -> packages it held
    std::vector<KnownCategory> categories;
    VersionSnapshot packages;
};

// Categories of the published days get codes from here on, clear of the
// codes a shipped catalogue uses.
inline constexpr int kFirstPublishedCategory = 1000;

// The state's file in folder.
std::string PublishStatePath(const std::string& folder);

// False when the folder holds no state yet (a first run). A state file that
// cannot be read whole is an Error: the run stops and changes nothing.
bool ReadPublishState(const std::string& folder, PublishState& state);

// Replaces the state file atomically (the folder is made when missing).
void WritePublishState(const std::string& folder, const PublishState& state);

}  // namespace veltod
