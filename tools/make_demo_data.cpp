// Writes the data files a fresh installation needs before its catalogue is
// installed: the empty category list, the header sources, the links memory
// book, the first mirror list, the connection settings and the banner lists. The catalogue itself is
// published and applied afterwards (tools/demo_catalogue.cmake).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/catalogue/catalogue_entry.h"
#include "core/platform/file_io.h"
#include "core/records/record_file.h"

namespace {

using Record = std::vector<std::string>;

void WriteFile(const std::string& path, int field_count, const std::vector<Record>& oldest_first) {
    veltod::WriteRecordFile(path, field_count, oldest_first);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_data INSTALLATION_FOLDER\n");
        return 2;
    }
    const std::string root = std::string(argv[1]) + "/";
    const std::string resources = root + "Resources/";
    try {
        // The catalogue itself (categories, day, week and history lists, the
        // last applied day) comes from publishing a Debian index and applying
        // the packages (tools/demo_catalogue.cmake); these are its empty
        // starting points.
        const int fields = static_cast<int>(veltod::kEntryFieldCount);
        WriteFile(resources + "Categ.txt", 4, {});
        for (int kind = 1; kind <= 3; ++kind) WriteFile(resources + "0." + std::to_string(kind) + "cat", fields, {});
        WriteFile(resources + "0.cat", fields, {});
        WriteFile(resources + "Remember.cat", 2, {{"https://packages.debian.org/", "Debian package search"}});
        // The demo's mirror is a local web server (scripts/run.sh starts it),
        // which also serves as the proxy, so an update needs no internet.
        WriteFile(root + "Recibi/espejos.fij", 1, {{"http://127.0.0.1:8478/"}});
        veltod::ReplaceFileAtomically(root + "Recibi/proxy.con",
                                      "127.0.0.1\r\n8478\r\n\r\ncbChecked\r\nhttp://127.0.0.1:8478/\r\n");
        WriteFile(root + "Def/Ban1.ban", 5,
                  {{"ban1a.gif", "https://www.debian.org/", "Debian, the universal operating system", "", "1"},
                   {"ban1b.gif", "https://packages.debian.org/", "Debian package search", "", "1"},
                   {"ban1c.gif", "https://www.debian.org/security/", "Debian security advisories", "", "1"}});
        WriteFile(root + "Def/Ban5.ban", 5,
                  {{"ban5a.gif", "https://wiki.debian.org/", "The Debian wiki", "", "1"},
                   {"ban5b.gif", "https://www.kernel.org/", "The Linux kernel archives", "", "2"},
                   {"ban5c.gif", "https://www.gnu.org/software/", "The GNU software directory", "", "1"}});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_demo_data: %s\n", error.what());
        return 1;
    }
    return 0;
}
