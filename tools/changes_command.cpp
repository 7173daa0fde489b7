#include "tools/changes_command.h"

#include <cstdio>
#include <string>

#include "core/apply/package_format.h"
#include "core/platform/convert.h"
#include "server/day_publish.h"

namespace veltod {

int RunChangesCommand(const PublishOptions& arguments) {
    ChangesOptions options;
    options.state_folder = arguments.One("--state");
    options.mirror_folder = arguments.One("--out");
    options.day = arguments.One("--day");
    options.valid_until = arguments.One("--valid-until");
    options.mirrors = arguments.All("--mirror");
    options.indices = arguments.Operands();
    if (!TryStrToInt(arguments.One("--keep-days", "30"), options.keep_days) || options.keep_days < 1)
        throw UsageError("--keep-days needs at least one day");
    options.secret_key = ReadKeyFile(arguments.One("--key"), kSecretKeySize);

    const ChangesReport report = PublishChanges(options);
    if (report.first_run)
        std::printf("first run: recorded %zu packages; the next run publishes what changes from here\n", report.packages);
    else if (report.day.empty())
        std::printf("no package changed since the previous run (%zu packages); no day published\n", report.packages);
    else
        std::printf("published %s: %zu changed packages (%zu security updates) of %zu, %zu bytes\n", report.day.c_str(),
                    report.entries, report.security, report.packages, report.package_bytes);
    for (const auto& day : report.dropped) std::printf("removed %s from the mirror\n", day.c_str());
    std::printf("lists good through %s\n", report.valid_until.c_str());
    return 0;
}

}  // namespace veltod
