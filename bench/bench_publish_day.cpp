// Publishing a day from what changed in an archive: the machine's Debian 12
// main, updates and security indices (about 66,000 packages) against a state
// recorded from main alone, beside a shell pipeline that only finds the
// packages whose version text differs (decompress, extract name and version,
// sort, join). Target: at most the pipeline's time, peak memory under three
// times the decompressed indices. Needs apt's lists of those three suites.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/apply/package_format.h"
#include "server/archive_index.h"
#include "server/day_publish.h"

namespace fs = std::filesystem;

int main() {
    std::vector<std::string> main_index, all_indices;
    const fs::path apt = "/var/lib/apt/lists";
    if (fs::exists(apt))
        for (const auto& entry : fs::directory_iterator(apt)) {
            const std::string name = entry.path().filename().string();
            if (name.find("_main_binary-") == std::string::npos || name.find("_Packages") == std::string::npos) continue;
            all_indices.push_back(entry.path().string());
            if (name.find("_dists_bookworm_") != std::string::npos) main_index.push_back(entry.path().string());
        }
    if (main_index.empty() || all_indices.size() < 2) {
        std::fprintf(stderr, "bench_publish_day: needs the machine's apt lists of bookworm main, updates and security\n");
        return 1;
    }
    size_t decompressed = 0;
    for (const auto& index : all_indices) decompressed += veltod::ReadDecompressed(index).size();

    const fs::path scratch = fs::temp_directory_path() / ("veltod-bench-publish-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    std::string public_key, secret_key;
    veltod::MakeKeyPair(public_key, secret_key);
    veltod::ChangesOptions options;
    options.state_folder = (scratch / "yesterday-state").string();
    options.mirror_folder = (scratch / "yesterday-mirror").string();
    options.secret_key = secret_key;
    options.mirrors = {"http://mirror.example/"};
    options.indices = main_index;
    veltod::PublishChanges(options);

    double best = 1e30;
    veltod::ChangesReport report;
    for (int run = 0; run < 3; ++run) {
        for (const char* folder : {"state", "mirror"}) {
            fs::remove_all(scratch / folder);
            fs::copy(scratch / (std::string("yesterday-") + folder), scratch / folder, fs::copy_options::recursive);
        }
        options.state_folder = (scratch / "state").string();
        options.mirror_folder = (scratch / "mirror").string();
        options.indices = all_indices;
        const double start = bench::Seconds();
        report = veltod::PublishChanges(options);
        best = std::min(best, bench::Seconds() - start);
    }

    const auto extract = [](const std::vector<std::string>& indices) {
        std::string command = "{";
        for (const auto& index : indices) command += " lz4cat -f '" + index + "';";
        return command + " } | awk '/^Package:/ { p = $2 } /^Version:/ { print p, $2 }' | LC_ALL=C sort -u";
    };
    const fs::path pipeline = scratch / "pipeline.sh";
    std::FILE* script = std::fopen(pipeline.c_str(), "w");
    std::fprintf(script, "d=$(mktemp -d)\n%s >\"$d/y\"\n%s >\"$d/t\"\n"
                         "LC_ALL=C join -a 1 \"$d/t\" \"$d/y\" | awk 'NF == 2 || $2 != $3' | wc -l\nrm -rf \"$d\"\n",
                 extract(main_index).c_str(), extract(all_indices).c_str());
    std::fclose(script);
    const double reference = bench::TimeCommand("bash " + pipeline.string());
    fs::remove_all(scratch);

    std::printf("publish_day: %zu packages, %zu changed (%zu from the security suite), day package %zu bytes, "
                "decompressed indices %.1f MiB\n",
                report.packages, report.entries, report.security, report.package_bytes, decompressed / 1048576.0);
    bench::Report("publish_day", best, reference, 1.0, bench::PeakMiB());
    std::printf("BENCH publish_day_memory peak_mb=%.1f limit_mb=%.1f\n", bench::PeakMiB(), 3 * decompressed / 1048576.0);
    return 0;
}
