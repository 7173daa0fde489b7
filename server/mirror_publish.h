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

// Writes the tree into folder (created when missing); days oldest first.
void WriteMirror(const std::string& folder, const std::vector<DayPackage>& days, const std::vector<std::string>& mirrors,
                 const std::string& secret_key);

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
// the marker lines, then the signature line over that content.
std::string WrapInMarkers(const std::string& content, const std::string& secret_key);

// A record file's bytes: the field count line, then the records.
std::string RecordsBytes(int fields, const std::vector<std::vector<std::string>>& records);

// The mirror list as served, from the mirrors' addresses (each "http://...
// /"; an Error otherwise), and the listing from its rows (day, package name),
// oldest first.
std::string MirrorListBody(const std::vector<std::string>& mirrors, const std::string& secret_key);
std::string ListingBody(const std::vector<std::vector<std::string>>& rows, const std::string& secret_key);

// The content lines of a body wrapped in the marker lines.
std::string UnwrapMarkers(const std::string& body);

}  // namespace veltod
