// The publisher: makes signing keys, builds a mirror tree from a catalogue
// source (a folder of ready day files, or a Debian "Packages" index), and
// installs a mirror's packages into an installation through the program's
// own apply code (the build uses that for the demo catalogue).
//
//   veltod-publish keygen PUBLIC_KEY_FILE SECRET_KEY_FILE
//   veltod-publish folder --source DIR --out MIRROR --key SECRET [--mirror URL]... [--valid-until YYYYMMDD]
//   veltod-publish debian --packages FILE --out MIRROR --key SECRET --last-day YYYYMMDD
//                  [--days N] [--limit N] [--first-id N] [--archive URL] [--mirror URL]... [--valid-until YYYYMMDD]
//   veltod-publish changes --state DIR --out MIRROR --key SECRET [--day YYYYMMDD] [--keep-days N]
//                  [--valid-until YYYYMMDD] [--mirror URL]... INDEX...
//   veltod-publish install --mirror MIRROR --installation ROOT --through YYYYMMDD [--start-after YYYYMMDD]
//
// A command line it does not understand stops it with exit status 2 before
// anything is written; any other failure with status 1.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/apply/package_format.h"
#include "core/apply/received_files.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"
#include "core/platform/program_start.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"
#include "core/records/record_table.h"
#include "server/archive_index.h"
#include "server/debian_catalogue.h"
#include "server/mirror_publish.h"
#include "server/publish_options.h"
#include "tools/changes_command.h"

namespace {

using namespace veltod;

std::vector<std::string> Mirrors(const PublishOptions& arguments) {
    auto mirrors = arguments.All("--mirror");
    if (mirrors.empty()) mirrors.push_back("http://127.0.0.1:8478/");
    return mirrors;
}

class QuietOwner : public ApplyOwner {
public:
    void RequestEnd() override { std::printf("the program would restart itself now\n"); }
};

void Install(const PublishOptions& arguments) {
    namespace fs = std::filesystem;
    const fs::path mirror = fs::absolute(arguments.One("--mirror"));
    const fs::path root = fs::absolute(arguments.One("--installation"));
    const std::string through = arguments.One("--through");
    fs::current_path(root / "bin");
    SetPackageRunnerPath((root / "bin" / "veltod-unpack").string());
    if (!arguments.One("--start-after").empty())
        WriteRecordFile(kLastAppliedFile, 1, {{arguments.One("--start-after")}});
    ReplaceFileAtomically(kListingFile, UnwrapMarkers(ReadWholeFile((mirror / "listado.txt").string())));

    RecordTable last;
    ReadRecordFile(kLastAppliedFile, last);
    RecordTable listing;
    ReadRecordFile(kListingFile, listing);
    std::vector<std::vector<std::string>> received;
    for (size_t row = 0; row < listing.RowCount(); ++row) {
        const std::string day = listing.FieldString(row, 0);
        const std::string name = listing.FieldString(row, 1);
        if (StrToInt(day) <= StrToInt(last.FieldString(0, 0)) || StrToInt(day) > StrToInt(through)) continue;
        ReplaceFileAtomically(ReceivedPackagePath(name), ReadWholeFile((mirror / "dos" / (name + ".gif")).string()) + "\r\n");
        received.push_back({name + ".exe"});
    }
    WriteRecordFile(kReceivedPackagesFile, 1, received);
    QuietOwner owner;
    ApplyReceivedFiles(owner, through);
    std::printf("applied %zu packages through %s\n", received.size(), through.c_str());
}

int Run(int argc, char** argv) {
    if (argc < 2) throw UsageError("usage: veltod-publish keygen|folder|debian|changes|install ... (see the README)");
    const std::string command = argv[1];
    if (command == "keygen") {
        if (argc != 4) throw UsageError("usage: veltod-publish keygen PUBLIC_KEY_FILE SECRET_KEY_FILE");
        std::string public_key, secret_key;
        MakeKeyPair(public_key, secret_key);
        WriteKeyFile(argv[3], secret_key);
        WriteKeyFile(argv[2], public_key);
        return 0;
    }
    const PublishOptions arguments = ParseOptions(RulesOf(command), std::vector<std::string>(argv + 2, argv + argc));
    if (command == "changes") return RunChangesCommand(arguments);
    if (command == "install") {
        Install(arguments);
        return 0;
    }
    std::vector<DayPackage> packages;
    std::string valid_until, secret_key;
    if (command == "folder") {
        packages = ReadDayFolder(arguments.One("--source"));  // oldest day first
        valid_until = ValidUntilOf(arguments, packages.back().day);
        secret_key = ReadKeyFile(arguments.One("--key"), kSecretKeySize);
    } else if (command == "debian") {
        DebianOptions options;
        options.last_day = arguments.One("--last-day");
        // Both checked before the index, which may be large, is read.
        valid_until = ValidUntilOf(arguments, options.last_day);
        secret_key = ReadKeyFile(arguments.One("--key"), kSecretKeySize);
        options.days = StrToInt(arguments.One("--days", "21"));
        options.limit = static_cast<size_t>(StrToInt(arguments.One("--limit", "0")));
        options.first_id = StrToInt(arguments.One("--first-id", "1000"));
        options.archive = arguments.One("--archive", options.archive);
        const auto stanzas = ParsePackagesIndex(ReadDecompressed(arguments.One("--packages")));
        if (stanzas.empty()) throw Error("no package in " + arguments.One("--packages"));
        const DebianCatalogue catalogue = BuildDebianCatalogue(stanzas, options);
        packages = PackagesOf(catalogue);
        std::printf("%zu packages of the index, %zu categories\n", stanzas.size(), catalogue.categories.size());
    } else {
        throw Error("unknown command " + command);
    }
    WriteMirror(arguments.One("--out"), packages, Mirrors(arguments), secret_key, valid_until);
    std::printf("published %zu days, %s to %s, lists good through %s\n", packages.size(), packages.front().day.c_str(),
                packages.back().day.c_str(), valid_until.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "veltod-publish: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "veltod-publish: %s\n", error.what());
        return 1;
    }
}
