#include "core/apply/received_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "core/apply/apply_state.h"
#include "core/apply/day_install.h"
#include "core/apply/package_format.h"
#include "core/apply/update_script.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/platform/stored_files.h"
#include "core/records/line_scanner.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"

namespace veltod {
namespace {

const char* const kKinds[] = {"1", "2", "3"};

bool IsStartUp() { return TheApplyState().ApplyDate == kStartUpDate; }

// The day's appends to the history lists are not flushed one by one: one
// flush makes the whole day durable before it counts as applied.
std::string LastAppliedDay() {
    if (!FileExists(kLastAppliedFile)) return {};
    RecordTable table;
    ReadRecordFile(kLastAppliedFile, table);
    return table.FieldString(0, 0);
}

// The update script's journal goes with the day it belongs to.
void RecordAppliedDay(const std::string& day) {
    SyncFileSystem(kResourcesFolder);
    ApplyStep();
    WriteRecordFile(kLastAppliedFile, 1, {{day}});
    DropScriptJournal(day);
}

// The "*.new~" files below folder (named with its slash), links not followed. Read with the bare
// directory calls: this runs at every start, over thousands of history
// lists, and needs only the names and their kinds.
void CollectTemporaries(const std::string& folder, std::vector<std::string>& found) {
    DIR* directory = ::opendir(SystemPath(folder));
    if (!directory) return;
    std::vector<std::string> folders;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = entry->d_type;
        const std::string path = folder + std::string(name);
        if (type == DT_UNKNOWN) {
            struct stat info{};
            if (::lstat(path.c_str(), &info) != 0) continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISLNK(info.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_DIR)
            folders.push_back(path + "/");
        else if (name.size() > 5 && name.substr(name.size() - 5) == ".new~")
            found.push_back(path);
    }
    ::closedir(directory);
    for (const std::string& below : folders) CollectTemporaries(below, found);
}

// A killed write leaves its new file beside the target; nothing reads it,
// and the next write of that target would remove it, but a target that is
// never written again would keep it for ever. Removed by update runs, not
// at every start: the walk reads every folder of the history, which after a
// reboot means the disk.
void RemoveLeftTemporaries() {
    std::vector<std::string> left;
    // Only the installation's own folders: its parent may be a home folder.
    for (const std::string& folder : {kBinFolder, kResourcesFolder, kReceivedFolder, kDefFolder})
        CollectTemporaries(folder, left);
    for (const auto& path : left) DeleteFile(path);
}

// What a package of day unpacks for that day alone: its lists and script.
std::vector<std::string> DayFilesOf(const std::string& day) {
    std::vector<std::string> files;
    for (const char* kind : kKinds) files.push_back(kBinFolder + DayListName(day, kind));
    files.push_back(kBinFolder + DayScriptName(day));
    return files;
}

void InstallDayLists(const std::string& day) {
    for (const char* kind : kKinds) {
        const std::string source = kBinFolder + DayListName(day, kind);
        if (!FileExists(source)) continue;
        InstallDayList(kind, source, WeekList::kLater);
        ApplyStep();
        DeleteIfExists(source);
    }
}

void RunDayScript(const std::string& day) {
    const std::string script = kBinFolder + DayScriptName(day);
    if (!FileExists(script)) return;
    DropScriptJournal(LastAppliedDay());
    RunUpdateScript(DayScriptName(day));
    ApplyStep();
    DeleteIfExists(script);
}

// Where a path given relative to the program's folder lands, or an empty
// path when it would leave the installation (the folder's parent). A NUL
// byte is refused: the system calls would end the path there, at a place the
// check below never saw.
std::filesystem::path InsideInstallation(const std::string& relative) {
    namespace fs = std::filesystem;
    if (relative.empty() || relative.front() == '/' || relative.find('\0') != std::string::npos) return {};
    const fs::path folder = fs::current_path();
    const fs::path root = folder.parent_path().lexically_normal();
    const fs::path target = (folder / relative).lexically_normal();
    const auto [root_end, unused] = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    if (root_end != root.end() || target == root || target.filename().empty()) return {};
    return target;
}

// A package name from the server's listing becomes part of paths: one that
// is empty, names a folder or holds a NUL byte (where the system calls would
// cut the path, so "espejos.fij" + NUL + ".exe" reaches the mirror list) is
// never used.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

std::string Refusals(const std::vector<std::string>& refused) {
    std::string text = "Refused to place files outside the installation:";
    for (const auto& name : refused) text += " '" + name + "'";
    return text;
}

// Why a name of "mover.new" cannot be moved, for the user to mend the line.
std::string WhyNotMovable(const std::string& name) {
    if (name.empty()) return "is empty";
    if (name.find('\\') != std::string::npos) return "holds a backslash: folders are separated by '/'";
    if (name.front() == '/') return "is an absolute path: names are relative to the installation";
    if (name.find('\0') != std::string::npos) return "holds a NUL byte";
    return "leaves the installation or names no file ('..', '.' or an empty part)";
}

// A pass makes each week list once, after the last day that rotated it.
// A pass that fails still makes them, so that the program shows the days it
// did apply; should that fail too, the marks stay for the next pass.
template <typename Work>
void ThenRebuildWeekLists(Work&& work) {
    try {
        work();
    } catch (...) {
        try {
            RebuildStaleWeekLists();
        } catch (const Error&) {
        }
        throw;
    }
    RebuildStaleWeekLists();
}

// Moves the files named in kMoveListFile from kBinFolder to "../".
// A file already moved (a pass run again) is not touched a second time.
void MoveDeliveredFiles(std::vector<std::string>& reports) {
    if (!FileExists(kMoveListFile)) return;
    RecordTable table;
    ReadRecordFile(kMoveListFile, table);
    std::vector<std::string> refused;
    for (size_t row = table.RowCount(); row-- > 0;) {
        const std::string name = table.FieldString(row, 0);
        if (!IsSafeMemberName(name)) {
            // The table holds the newest (last) record first, and the count
            // line comes before the records.
            const size_t line = table.RowCount() - row + 1;
            refused.push_back("mover.new line " + std::to_string(line) + ": '" + name + "' " + WhyNotMovable(name));
            continue;
        }
        const std::string source = kBinFolder + name;
        if (!FileExists(source)) continue;
        ApplyStep();
        try {
            MoveFileBeneath("..", "bin/" + name, name);
        } catch (const FileError& failure) {
            // A target folder that is a link leading out, or a source that is
            // no plain file: refused, as a name leaving the installation is.
            // Any other failed move goes unreported, as it always has.
            if (std::string(failure.what()) == FileErrorText(EACCES))
                refused.push_back("mover.new: '" + name + "' would be placed outside the installation");
        }
    }
    ApplyStep();
    DeleteIfExists(kMoveListFile);
    reports.insert(reports.end(), refused.begin(), refused.end());
}

void StopIfRequested(ApplyOwner& owner) {
    if (owner.StopRequested()) throw Stopped("The work was stopped: nothing more is applied.");
}

void RunPackage(ApplyOwner& owner, const std::string& name) {
    const std::string received = kReceivedFolder + name;
    const std::string package = kBinFolder + name;
    ApplyStep();
    DeleteIfExists(package);
    ApplyStep();
    MoveFile(received, package);
    try {
        TheProgramStarter().RunAndWaitUnless(package, kPackageWaitSeconds, [&owner] { return owner.StopRequested(); });
    } catch (const Stopped&) {
        // Its day is not recorded, so the next update fetches it again.
        DeleteFile(package);
        throw;
    } catch (const Error& failure) {
        DeleteFile(package);
        throw Error("The update package " + name + " was not applied: " + failure.what());
    }
    ApplyStep();
    DeleteIfExists(package);
}

// A package whose day index has a bad line is refused before anything of it
// is applied; what it unpacked is removed, so no later pass applies part of
// it. Its day is not recorded: the next update fetches it again.
void CheckDayIndex(const std::string& name, const std::string& day) {
    if (!FileExists(kDayIndexFile)) return;
    try {
        DayIndexDays(ReadWholeFile(kDayIndexFile), kDayIndexFile);
    } catch (const PackageError& refusal) {
        std::vector<std::string> unpacked = DayFilesOf(day);
        unpacked.insert(unpacked.begin(), kDayIndexFile);
        unpacked.insert(unpacked.end(),
                        {kTextBundleFile, kMoveListFile, kProgramForNextStartFile, kProgramForRestartFile});
        for (const std::string& file : unpacked) {
            ApplyStep();
            DeleteIfExists(file);
        }
        throw Error("The update package " + name + " of day " + day + " was not applied: " + refusal.what());
    }
}

}  // namespace

void DeleteIfExists(const std::string& path) {
    if (FileExists(path)) RemoveFile(path);
}

namespace {

// What a pass that was stopped left behind: a package moved into bin/ (what
// it unpacked is finished by this pass or fetched again, the package is
// done) and fetched copies of listed packages.
void RemoveStoppedPassLeftovers(const RecordTable& received) {
    for (size_t row = 0; row < received.RowCount(); ++row) {
        const std::string name = received.FieldString(row, 0);
        if (IsPlainName(name)) DeleteIfExists(kBinFolder + name);
    }
    RecordTable listing;
    ReadRecordFile(kListingFile, listing);
    for (size_t row = 0; row < listing.RowCount(); ++row) {
        const std::string name = listing.FieldString(row, 1);
        if (!IsPlainName(name)) continue;
        for (const char* suffix : {".exeQ", ".exeP", ".exe"}) {
            ApplyStep();
            DeleteIfExists(kReceivedFolder + name + suffix);
        }
    }
}

// A package's new updater program takes the updater's name.
void TakeNewUpdater() {
    if (!FileExists(kProgramForNextStartFile)) return;
    ApplyStep();
    DeleteIfExists(kWaitingProgramFile);
    ApplyStep();
    MoveFile(kProgramForNextStartFile, kWaitingProgramFile);
}

// A refused text bundle is reported at the end of the pass; the rest goes on.
void UnpackNewTextBundle(std::vector<std::string>& reports) {
    if (!FileExists(kTextBundleFile)) return;
    try {
        UnpackTextBundle(kTextBundleFile);
    } catch (const PackageError& refusal) {
        reports.push_back(refusal.what());
    }
    ApplyStep();
    DeleteIfExists(kTextBundleFile);
}

// A package that brought a new program: it takes over, and this pass ends.
bool StartNewProgram(ApplyOwner& owner) {
    if (!FileExists(kProgramForRestartFile)) return false;
    ApplyStep();
    try {
        MoveFile(kProgramForRestartFile, kWaitingProgramFile);
    } catch (const FileError&) {
    }
    // Before the new program starts: its start-up pass must not find a week
    // list half made.
    RebuildStaleWeekLists();
    if (owner.StartsNewProgram()) TheProgramStarter().Start(kInstalledProgramFile);
    owner.RequestEnd();
    return true;
}

// Applies one row of the received list; false when the pass must end.
bool ApplyReceivedPackage(ApplyOwner& owner, const std::string& name, std::vector<std::string>& reports) {
    const bool plain = IsPlainName(name);
    const std::string day = plain ? name.substr(0, 8) : std::string();
    std::string applied = "nada";
    if (plain && FileExists(kReceivedFolder + name)) {
        applied = day;
        RunPackage(owner, name);
        CheckDayIndex(name, day);
    }
    TakeNewUpdater();
    MoveDeliveredFiles(reports);
    if (plain) {
        RunDayScript(day);
        if (!IsStartUp()) InstallDayLists(day);
    }
    UnpackNewTextBundle(reports);
    if (FileExists(kDayIndexFile) && !IsStartUp()) ApplyDayRange(owner, TheApplyState().ApplyDate, LastAppliedDay());
    // The package's day counts as applied once no listed day waits; the day
    // index may already have recorded it or a later day.
    if (applied != "nada" && !FileExists(kDayIndexFile) && applied > LastAppliedDay()) RecordAppliedDay(applied);
    return !StartNewProgram(owner);
}

}  // namespace

void ApplyReceivedFiles(ApplyOwner& owner, const std::string& date) {
    TheApplyState().ApplyDate = date;
    RecordTable received;
    ReadRecordFile(kReceivedPackagesFile, received);
    DropScriptJournal(LastAppliedDay());
    if (date == kStartUpDate)
        RemoveStoppedPassLeftovers(received);
    else
        RemoveLeftTemporaries();
    std::vector<std::string> reports;
    ThenRebuildWeekLists([&] {
        for (size_t row = 0; row < received.RowCount(); ++row) {
            StopIfRequested(owner);
            if (!ApplyReceivedPackage(owner, received.FieldString(row, 0), reports)) break;
        }
    });
    if (!reports.empty()) {
        std::string text = reports.front();
        for (size_t i = 1; i < reports.size(); ++i) text += "\n" + reports[i];
        throw Error(text);
    }
}

void ApplyUnpackedDays(ApplyOwner& owner, const std::string& server_date, const std::string& last_update_date) {
    // This is the update run's work, not the start-up pass's, even though
    // the start-up pass was the last to set the date: its days are applied
    // whole, in order, whatever lists they hold.
    TheApplyState().ApplyDate = server_date;
    if (FileExists(kDayIndexFile)) ThenRebuildWeekLists([&] { ApplyDayRange(owner, server_date, last_update_date); });
}

void ApplyDayRange(ApplyOwner& owner, const std::string& server_date, const std::string& last_update_date) {
    StrToInt(server_date);
    StrToInt(last_update_date);
    std::string current = NextDay(server_date, "0", last_update_date);
    while (current != "terminado" && current != "error") {
        StopIfRequested(owner);
        ApplyDay(owner, current);
        current = NextDay("0", server_date, current);
    }
    // A day index whose every day is applied would otherwise stay for ever
    // and keep later packages from being recorded as applied.
    if (FileExists(kDayIndexFile) && !TheApplyState().LastListedDay.empty() && FileExists(kLastAppliedFile)) {
        int32_t last_listed = 0;
        if (!TryStrToInt(TheApplyState().LastListedDay, last_listed) || last_listed <= StrToInt(LastAppliedDay())) {
            ApplyStep();
            DeleteIfExists(kDayIndexFile);
        }
    }
}

std::string NextDay(const std::string& a_text, const std::string& b_text, const std::string& c_text) {
    if (!FileExists(kDayIndexFile)) return "terminado";
    std::vector<std::string> days;
    try {
        days = DayIndexDays(ReadWholeFile(kDayIndexFile), kDayIndexFile);
    } catch (const PackageError& refusal) {
        throw Error(refusal.what());
    }
    if (days.empty()) {
        // An index listing no day has nothing left to apply.
        ApplyStep();
        DeleteIfExists(kDayIndexFile);
        return "terminado";
    }
    TheApplyState().LastListedDay = days.back();
    const int64_t a = StrToInt(a_text);
    const int64_t b = StrToInt(b_text);
    const int64_t c = StrToInt(c_text);
    std::string result = "error";

    if (b > c) {
        for (size_t i = 1; i < days.size(); ++i) {
            if (days[i] > b_text) continue;
            const int64_t d = StrToInt(days[i]);
            if (d > c) {
                result = days[i];
                break;
            }
            if (d > b) {
                result = "terminado";
                break;
            }
        }
    }
    if (b == 0 && a > c) {
        for (const auto& day : days) {
            const int64_t d = StrToInt(day);
            if (d <= c) {
                for (const std::string& file : DayFilesOf(day)) {
                    ApplyStep();
                    DeleteIfExists(file);
                }
            }
            if (c < d && d <= a) {
                result = day;
                break;
            }
        }
    }
    if (b != 0 && b < c) result = "terminado";
    if (c > b && c_text == days.back()) result = "terminado";
    return result;
}

// A listed day is applied whole, whatever it holds (a script only, one
// kind's list, nothing at all), and then recorded: a day that is never
// recorded would keep its index, and every later day, waiting for ever.
void ApplyDay(ApplyOwner&, const std::string& day) {
    RunDayScript(day);
    InstallDayLists(day);
    if (day > LastAppliedDay()) RecordAppliedDay(day);
    if (day == TheApplyState().LastListedDay) {
        ApplyStep();
        DeleteIfExists(kDayIndexFile);
    }
}

void UnpackTextBundle(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    std::vector<std::string_view> lines;
    ScanLines(bytes.data(), bytes.data() + bytes.size(), [&](std::string_view line) { lines.push_back(line); });
    const auto is_header = [](std::string_view line) { return line.substr(0, 6) == "%nom%:"; };
    const auto from_seventh = [](std::string_view line) {
        std::string text(line.size() > 6 ? line.substr(6) : std::string_view{});
        // Bundles may spell folders the other system's way.
        for (char& c : text)
            if (c == '\\') c = '/';
        return text;
    };
    std::vector<std::string> refused;
    size_t at = 0;
    while (at + 1 < lines.size()) {
        if (!is_header(lines[at])) {
            ++at;  // not a member header: skipped, never read again
            continue;
        }
        const std::string name = from_seventh(lines[at]);
        const std::string prefix = from_seventh(lines[++at]);
        std::string content;
        for (++at; at < lines.size() && !is_header(lines[at]); ++at) {
            content += lines[at];
            content += "\r\n";
        }
        const std::filesystem::path target = InsideInstallation(prefix + name);
        if (target.empty()) {
            refused.push_back(prefix + name);
            continue;
        }
        ApplyStep();
        try {
            const std::filesystem::path root = std::filesystem::current_path().parent_path().lexically_normal();
            ReplaceFileBeneath(root.string(), target.lexically_relative(root).string(), content);
        } catch (const FileError& failure) {
            // A link on the way leads out of the installation.
            if (std::string(failure.what()) != FileErrorText(EACCES)) throw;
            refused.push_back(prefix + name);
        }
    }
    if (!refused.empty()) throw PackageError(Refusals(refused));
}

}  // namespace veltod
