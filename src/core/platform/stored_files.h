#pragma once
// The names of the files the program keeps in its installation tree. The
// program's folder (bin/) is the working directory and the data folders are
// its siblings, so every name starts with "../". Names are case-sensitive and
// installed trees rely on their exact bytes: change none of them.
// Folders end in "Folder", fixed names in "File"; names built from a licence kind ("1" demo, "2"
// shareware, "3" freeware), a category code or a day end in "Path", or in
// "Name" when they leave the folder to the caller.
#include <cstdint>
#include <string>
#include <string_view>

namespace veltod {

// The folders, each with its slash so that a file name can follow.
// The program and its key; packages unpack here.
inline const std::string kBinFolder = "../bin/";
// The catalogue's lists and the skin's pictures.
inline const std::string kResourcesFolder = "../Resources/";
// What the update run fetched, and its settings.
inline const std::string kReceivedFolder = "../Recibi/";
// The sponsor banner lists and their pictures.
inline const std::string kDefFolder = "../Def/";

// bin/
// The program itself, as an update restarts it.
inline const std::string kInstalledProgramFile = "../bin/VeltoD.exe";
// The key the lists and packages are signed with.
inline const std::string kPublicKeyFile = "../bin/veltod.pub";
// The day index: days a package unpacked, waiting to be applied.
inline const std::string kDayIndexFile = "../bin/dias.lst";
// Files a package unpacked in bin/ that belong under "../".
inline const std::string kMoveListFile = "../bin/mover.new";
// Text files a package delivered in one bundle.
inline const std::string kTextBundleFile = "../bin/nuevo.lst";
// A new program a package delivered, to be swapped in at the next start.
inline const std::string kProgramForNextStartFile = "../bin/VeltoD.upd";
// A new program a package delivered, to be swapped in at once, with a restart.
inline const std::string kProgramForRestartFile = "../bin/Veltodactualiz.upd";
// A new program waiting for the swap at the next start.
inline const std::string kWaitingProgramFile = "../bin/Veltodactualiz.exe";

// What a package of day (YYYYMMDD) unpacks in bin/, named without the folder
// (a package's members and the script runner take the bare names): the day
// list of a kind, and the update script.
inline std::string DayListName(std::string_view day, std::string_view kind) {
    return std::string(day) + "." + std::string(kind) + "cat";
}
inline std::string DayScriptName(std::string_view day) { return std::string(day) + ".cam"; }

// Recibi/
// The mirror list as last fetched.
inline const std::string kMirrorListFile = "../Recibi/espejos.txt";
// The mirror list in use: the last fetched list that held a mirror.
inline const std::string kMirrorListInUseFile = "../Recibi/espejos.fij";
// The server's package listing: a day and a package name a record.
inline const std::string kListingFile = "../Recibi/listado.txt";
// The packages the last update run received, waiting to be applied.
inline const std::string kReceivedPackagesFile = "../Recibi/archivos.new";
// The connection settings: proxy, user, notification address.
inline const std::string kConnectionSettingsFile = "../Recibi/proxy.con";
// Held (flock) by the one update run in progress on this installation.
inline const std::string kUpdateLockFile = "../Recibi/update.lock";
// Failed runs of the update command on consecutive days: their count, the
// last such day and the last error.
inline const std::string kFailedRunsFile = "../Recibi/update.failed";

// A fetched package waiting to be applied.
inline std::string ReceivedPackagePath(std::string_view name) { return kReceivedFolder + std::string(name) + ".exe"; }

// Resources/
// The last day applied to the catalogue.
inline const std::string kLastAppliedFile = "../Resources/actualizado.fij";
// The category list: code, parent code, level and name of every category.
inline const std::string kCategoryListFile = "../Resources/Categ.txt";
// Its first line starts a new category list without licence kind.
inline const std::string kCategoryHeaderFile = "../Resources/0.cat";
// An update script's changes, kept until its day is applied.
inline const std::string kScriptJournalFile = "../Resources/script.jnl";
// The links memory book: links kept until the user is on line.
inline const std::string kLinksMemoryFile = "../Resources/Remember.cat";

// Today's list of kind, which the day news shows first.
inline std::string TodayListPath(std::string_view kind) {
    return kResourcesFolder + "today." + std::string(kind) + "cat";
}

// Day file n of kind: 1 to 7 the last seven day lists, 7 the newest; 0 only
// while a rotation moves the oldest out.
inline std::string DayFilePath(std::string_view kind, int n) {
    return kResourcesFolder + "today." + std::string(kind) + std::to_string(n);
}

// Present while the week list of kind may not match its day files.
inline std::string StaleWeekMarkPath(std::string_view kind) {
    return kResourcesFolder + "today." + std::string(kind) + "sem";
}

// The day the last rotation of kind's day files was made for.
inline std::string RotationMarkPath(std::string_view kind) {
    return kResourcesFolder + "today." + std::string(kind) + "rot";
}

// The week list of kind: its seven day files joined, oldest day first.
inline std::string WeekListPath(std::string_view kind) {
    return kResourcesFolder + "S0100000." + std::string(kind) + "txt";
}

// The history list of a category and kind: every entry ever received for it.
inline std::string HistoryListPath(std::string_view code, std::string_view kind) {
    return kResourcesFolder + std::string(code) + "." + std::string(kind) + "cat";
}
inline std::string HistoryListPath(int32_t code, std::string_view kind) {
    return HistoryListPath(std::to_string(code), kind);
}

// The header source of kind: its first line is the field count that starts a
// new history list or results list.
inline std::string HeaderSourcePath(std::string_view kind) {
    return kResourcesFolder + "0." + std::string(kind) + "cat";
}

// The results list of the last search, kind.
inline std::string SearchResultsPath(std::string_view kind) {
    return kResourcesFolder + "Encontro." + std::string(kind) + "cat";
}

// Def/
// The first sponsor banner window's list.
inline const std::string kFirstBannerListFile = "../Def/Ban1.ban";
// The second sponsor banner window's list.
inline const std::string kSecondBannerListFile = "../Def/Ban5.ban";

}  // namespace veltod
