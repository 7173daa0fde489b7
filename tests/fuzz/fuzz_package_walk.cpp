// Walks any package listing as the update run does, with any server date and
// recorded last applied day, split from the input at its first two '|':
//   server date | actualizado.fij bytes | listing content
// The listing arrives as the content of a fetched text copy, is put in place
// by the fetch check and read as the run reads it; the last update date is
// read from actualizado.fij. Each package "fetch" only writes the package
// file. The walk must end within one fetch per listed package, fetch only
// listed names, list exactly what it fetched in archivos.new, let only the
// system's own errors escape and write nothing outside the installation.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "../support/fake_seams.h"
#include "../support/transmit_view_double.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/records/record_file.h"
#include "core/update/file_fetch.h"
#include "core/update/update_run.h"
#include "core/update/update_state.h"
#include "scratch_tree.h"

namespace {

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

void Walk(const std::string& server) {
    veltod::UpdateState& state = veltod::TheUpdateState();
    if (veltod::CheckFetchedFile("../Recibi/listado.txt", veltod::kTextMode) != "bien") return;
    veltod::ReadRecordFile("../Recibi/listado.txt", state.PackageList);
    state.LastUpdateDate = veltod::ReadLastUpdateDate();

    std::set<std::string> listed;
    const veltod::RecordTable& list = state.PackageList;
    for (size_t row = 0; row < list.RowCount(); ++row) listed.insert(list.FieldString(row, 1));
    veltod::test::RecordingTransmitView view;
    std::vector<std::string> fetched;
    std::string received = "1\r\n";
    try {
        veltod::WalkPackages(view, server, state.LastUpdateDate, [&](const std::string& name) {
            if (listed.count(name) == 0) Broken("the walk fetched an unlisted name '" + name + "'");
            if (fetched.size() >= list.RowCount())
                Broken("the walk went on past " + std::to_string(list.RowCount()) + " listed packages");
            fetched.push_back(name);
            veltod::ReplaceFileAtomically("../Recibi/" + name + ".exe", "MZP");
            received += name + ".exe\r\n";
            return true;
        });
    } catch (const veltod::Error&) {
        if (veltod::FileExists("../Recibi/archivos.new") &&
            veltod::ReadWholeFile("../Recibi/archivos.new") != received)
            Broken("archivos.new does not list what was fetched");
        throw;
    }
    if (veltod::ReadWholeFile("../Recibi/archivos.new") != received)
        Broken("archivos.new does not list what was fetched");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const veltod::fuzz::ScratchTree tree;
    static veltod::test::SeamsGuard seams;
    const std::vector<std::string> parts = veltod::fuzz::SplitInput(std::string(reinterpret_cast<const char*>(data), size), 3);
    if (parts.size() < 3) return 0;
    tree.Reset();
    seams.dialogs.shown.clear();
    veltod::TheUpdateState() = veltod::UpdateState{};
    tree.Write("Resources/actualizado.fij", parts[1]);
    tree.Write("Recibi/listado.txtQ", "comensando\r\n" + parts[2] + "\r\nterminando\r\n");
    try {
        Walk(parts[0]);
    } catch (const veltod::Error&) {
    }
    tree.CheckNothingEscaped();
    return 0;
}
