#pragma once
// Applying what the update run received: each package is run in the
// program's folder, then what it unpacked is applied (a new program file,
// files to move into place, the day's update script, the day lists, a bundle
// of text files, and a day index naming further days), and the last applied
// day is recorded in kLastAppliedFile.
#include <string>

namespace veltod {

// The owner window of the programs started here; it can end the application
// (the process ends once the current handler has returned).
class ApplyOwner {
public:
    virtual ~ApplyOwner() = default;
    virtual void RequestEnd() = 0;
    // Asked before each package and day and while a package unpacks: true
    // ends the pass with Stopped, keeping what is applied so far.
    virtual bool StopRequested() { return false; }
    // Whether a new program delivered for an at-once swap is started before
    // the end is asked; false leaves it waiting for the next start.
    virtual bool StartsNewProgram() const { return true; }
};

// The date argument of the pass made at every ordinary start.
inline constexpr const char* kStartUpDate = "20010101";
// How long a package may take to unpack.
inline constexpr int kPackageWaitSeconds = 120;

// Runs and applies the packages listed in kReceivedPackagesFile, oldest
// first. With kStartUpDate it first discards downloaded packages and only
// finishes what an interrupted pass left behind, installing no day list.
// A package that cannot be run or is refused stops the pass with an Error:
// its day is not recorded as applied, so the next update fetches it again.
// Names in "mover.new" and members of "nuevo.lst" that would leave the
// installation are refused and reported (an Error at the end of the pass)
// while the rest is applied.
void ApplyReceivedFiles(ApplyOwner& owner, const std::string& date);

// Applies the days that kDayIndexFile still lists, when it exists.
void ApplyUnpackedDays(ApplyOwner& owner, const std::string& server_date, const std::string& last_update_date);
void ApplyDayRange(ApplyOwner& owner, const std::string& server_date, const std::string& last_update_date);

// The next listed day to apply, "terminado" or "error". The first call
// passes (server date, "0", last update date), later ones ("0", server date,
// current day).
std::string NextDay(const std::string& a, const std::string& b, const std::string& c);

void ApplyDay(ApplyOwner& owner, const std::string& day);

// Creates the members of a text bundle; raises Error naming the members that
// were refused because they would leave the installation.
void UnpackTextBundle(const std::string& path);

// Deletes the file when it exists; a failed delete raises FileError.
void DeleteIfExists(const std::string& path);

}  // namespace veltod
