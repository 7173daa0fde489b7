#pragma once
// Process-wide values of the update run and the file fetch, kept together in
// one place, and the settings that tests and the demo replace: the probe
// sites and the bounds of a fetch that never succeeds.
#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/stored_files.h"
#include "core/records/record_table.h"

namespace veltod {

struct UpdateState {
    std::string ServerDate;      // YYYYMMDD, "nada" while the probe has not succeeded
    std::string LastUpdateDate;  // the last applied day, as ReadLastUpdateDate read it
    std::string FetchResult;     // "ok" or empty
    RecordTable MirrorList;      // field 0: a mirror's base address
    size_t MirrorIndex = 0;      // row of MirrorList for the next attempt
    RecordTable PackageList;     // kListingFile: field 0 date, field 1 name
    bool RunInProgress = false;  // a second press of the update button is ignored
    bool CancelPressed = false;  // Cancel pressed since the run began
};

// The one instance; tests reset it with TheUpdateState() = UpdateState{}.
UpdateState& TheUpdateState();

struct UpdateSettings {
    // Home pages asked for the date, in this order, until one answers. Empty
    // until the program installs DefaultProbeSites(), so that no test can
    // reach past the machine by accident.
    std::vector<std::string> ProbeSites;
    // A fetch that finds no good copy pauses after each round over the whole
    // mirror list and gives up after this many rounds.
    int MaxMirrorRounds = 8;
    int PauseBetweenRoundsMs = 15000;
    // The longest mirror list and listing taken: far above what a mirror
    // publishes (a few hundred bytes of mirrors, about 30 bytes a day listed),
    // low enough that a hostile list cannot exhaust memory.
    uint64_t MaxMirrorListBytes = uint64_t{1} << 20;
    uint64_t MaxListingBytes = uint64_t{16} << 20;
    // Both lists must be signed with the key packages are signed with.
    std::string ListKeyFile = kPublicKeyFile;
    // The program started to replace this one after a cancel.
    std::string RestartProgram = kInstalledProgramFile;
};

// The public sites answering a plain "http://" HEAD with a Date header.
std::vector<std::string> DefaultProbeSites();

// The one instance.
UpdateSettings& TheUpdateSettings();

}  // namespace veltod
