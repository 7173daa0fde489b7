#pragma once
// Building the tree a mirror serves: "espejos.txt" (the mirror list) and
// "listado.txt" (the package listing), both wrapped in the "comensando" and
// "terminando" marker lines, and one signed package per day, "dos/" + day +
// ".gif". Any static web server can serve the tree as it is.
#include <string>
#include <vector>

#include "core/apply/package_format.h"
#include "server/debian_catalogue.h"

namespace veltod {

struct DayPackage {
    std::string day;  // YYYYMMDD, also the package's name
    std::vector<PackageFile> files;
};

// Lists are good, unless the publisher says otherwise, for this many days
// after the newest day they list: a mirror that stops renewing them is then
// refused by every client within a week.
inline constexpr int kListValidDays = 7;

// The day a mirror's lists stop being good by default: newest_day plus
// kListValidDays.
std::string DefaultValidUntil(const std::string& newest_day);

// Writes the tree into folder (created when missing); days oldest first.
// Its lists are good through valid_until (YYYYMMDD, not before the newest
// day; empty for DefaultValidUntil of the newest day). Every mirror address
// and day is checked before anything is written.
void WriteMirror(const std::string& folder, const std::vector<DayPackage>& days, const std::vector<std::string>& mirrors,
                 const std::string& secret_key, const std::string& valid_until = {});

// The packages of a folder of ready files: every file whose name begins with
// a day YYYYMMDD followed by "." goes into that day's package, and so does
// every file of a subfolder named by a day (dias.lst, mover.new, nuevo.lst,
// VeltoD.upd, ... and files to move into place, kept with their relative
// path). Oldest day first.
std::vector<DayPackage> ReadDayFolder(const std::string& folder);

// The packages of a catalogue made from a Debian index: each day's lists,
// and on the first day an update script that adds every category.
std::vector<DayPackage> PackagesOf(const DebianCatalogue& catalogue);

// The body of a text file as a mirror serves it: the content lines between
// the marker lines, then the signature line over that content and the
// expiry line, signed over valid_until (YYYYMMDD) and the content. Every
// list a publisher writes goes through here.
std::string WrapInMarkers(const std::string& content, const std::string& secret_key, const std::string& valid_until);

// A record file's bytes: the field count line, then the records.
std::string RecordsBytes(int fields, const std::vector<std::vector<std::string>>& records);

// The mirror list as served, from the mirrors' addresses (each "http://...
// /"; an Error otherwise), and the listing from its rows (day, package name),
// oldest first; both good through valid_until.
std::string MirrorListBody(const std::vector<std::string>& mirrors, const std::string& secret_key,
                           const std::string& valid_until);
std::string ListingBody(const std::vector<std::vector<std::string>>& rows, const std::string& secret_key,
                        const std::string& valid_until);

// The content lines of a body wrapped in the marker lines.
std::string UnwrapMarkers(const std::string& body);

}  // namespace veltod
