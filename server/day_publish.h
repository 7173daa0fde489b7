#pragma once
// Publishing a day from what changed in an archive: today's apt indices
// against the state of the previous run give the day's entries, which go to
// the mirror as one signed day package, named in the re-signed listing.
// Safe to run by a timer: the package lands before the listing that names
// it, each file atomically, and the state advances last, so a run killed at
// any moment leaves a mirror clients read correctly and a rerun finishes it.
#include <string>
#include <vector>

namespace veltod {

struct ChangesOptions {
    std::string state_folder;
    std::string mirror_folder;
    std::string secret_key;             // the key's bytes
    std::string day;                    // YYYYMMDD; empty: the newest Release's date
    std::string valid_until;            // YYYYMMDD the lists stay good through; empty: the day plus a week
    int keep_days = 30;                 // days older than this leave the mirror
    std::vector<std::string> mirrors;   // public addresses; empty keeps the mirror's list
    std::vector<std::string> indices;   // Packages files, each with its Release beside
};

struct ChangesReport {
    bool first_run = false;   // the snapshot was recorded, no day published
    std::string day;          // the day published, empty when none
    size_t packages = 0;      // packages in today's indices
    size_t entries = 0;       // entries of the day
    size_t security = 0;      // of which from a security suite
    size_t package_bytes = 0; // the day package's size
    std::vector<std::string> dropped;  // days that left the mirror
    std::string valid_until;  // the day the re-signed lists stay good through
};

// Publishes the day. Refused with an Error before anything is written: an
// input that is not a Packages index, an unsigned or unreadable Release, an
// index far smaller than the same index in the previous run, a day that is
// not after the last day published, an expiry before the newest day listed.
// Both lists are signed again on every run, so a daily run keeps them from
// expiring on days with nothing new.
ChangesReport PublishChanges(const ChangesOptions& options);

}  // namespace veltod
