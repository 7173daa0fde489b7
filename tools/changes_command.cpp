#include "tools/changes_command.h"

#include <cstdio>
#include <string>

#include "core/apply/package_format.h"
#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "server/day_publish.h"

namespace veltod {
namespace {

const char kUsage[] =
    "usage: veltod-publish changes --state DIR --out MIRROR --key SECRET [--day YYYYMMDD] [--keep-days N]\n"
    "                              [--mirror URL]... INDEX...\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "veltod-publish changes: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

}  // namespace

int RunChangesCommand(int argc, char** argv, int first) {
    ChangesOptions options;
    std::string key_file;
    for (int i = first; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--", 0) != 0) {
            options.indices.push_back(argument);
            continue;
        }
        const bool known = argument == "--state" || argument == "--out" || argument == "--key" || argument == "--day" ||
                           argument == "--keep-days" || argument == "--mirror";
        if (!known) return Usage("unknown option " + argument);
        if (i + 1 >= argc) return Usage("option " + argument + " needs a value");
        const std::string value = argv[++i];
        if (argument == "--state") options.state_folder = value;
        else if (argument == "--out") options.mirror_folder = value;
        else if (argument == "--key") key_file = value;
        else if (argument == "--day") options.day = value;
        else if (argument == "--mirror") options.mirrors.push_back(value);
        else if (!TryStrToInt(value, options.keep_days) || options.keep_days < 1)
            return Usage("--keep-days needs a number of days, not '" + value + "'");
    }
    if (options.state_folder.empty() || options.mirror_folder.empty() || key_file.empty())
        return Usage("--state, --out and --key are required");
    if (options.indices.empty()) return Usage("name at least one Packages index");
    options.secret_key = ReadKeyFile(key_file, kSecretKeySize);

    const ChangesReport report = PublishChanges(options);
    if (report.first_run)
        std::printf("first run: recorded %zu packages; the next run publishes what changes from here\n", report.packages);
    else if (report.day.empty())
        std::printf("no package changed since the previous run (%zu packages); no day published\n", report.packages);
    else
        std::printf("published %s: %zu changed packages (%zu security updates) of %zu, %zu bytes\n", report.day.c_str(),
                    report.entries, report.security, report.packages, report.package_bytes);
    for (const auto& day : report.dropped) std::printf("removed %s from the mirror\n", day.c_str());
    return 0;
}

}  // namespace veltod
