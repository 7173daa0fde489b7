// Computes the category presence marks over a list of 32,767 categories (five
// levels, a history list for about one category in five per licence kind),
// beside `find` listing the same Resources folder in the same run.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/catalogue/category_marks.h"

namespace {

constexpr int kCategories = 32767;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/veltod-bench-marks-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(pattern);
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "Resources");
    std::filesystem::current_path(root / "bin");

    // Codes 1 to 7 are top categories; below them code c hangs under c / 8.
    std::vector<int> level(kCategories + 1, 0);
    std::string list = "4\r\n";
    int files = 0;
    for (int code = 1; code <= kCategories; ++code) {
        const int parent = code < 8 ? 0 : code / 8;
        level[code] = code < 8 ? 0 : level[parent] + 1;
        list += std::to_string(code) + "\r\n" + std::to_string(parent) + "\r\n" + std::to_string(level[code]) +
                "\r\nCategory " + std::to_string(code) + "\r\n";
        const int kind = code % 5;
        if (kind >= 1 && kind <= 3) {
            WriteFile("../Resources/" + std::to_string(code) + "." + std::to_string(kind) + "cat", "14\r\n");
            ++files;
        }
    }
    WriteFile("../Resources/Categ.txt", list);

    const double ref = bench::TimeCommand("find " + (root / "Resources").string(), 5);
    double ours = 1e30;
    for (int run = 0; run < 5; ++run) {
        const double start = bench::Seconds();
        veltod::ComputeCategoryMarks();
        const double took = bench::Seconds() - start;
        if (took < ours) ours = took;
    }
    size_t marked = 0;
    for (const auto& marks : veltod::CategoryMarks().marks)
        for (const auto& level_marks : marks)
            for (const int16_t mark : level_marks) marked += mark == veltod::kMarkPresent;
    const double peak = bench::PeakMiB();
    std::filesystem::current_path("/tmp");
    std::filesystem::remove_all(root);
    if (marked < static_cast<size_t>(files)) {
        std::fprintf(stderr, "%zu marks for %d history lists\n", marked, files);
        return 1;
    }
    bench::Report("category_marks", ours, ref, 2.0, peak);
    std::printf("# %d categories, %d history lists, %zu marks set\n", kCategories, files, marked);
    return 0;
}
