// Searches a generated historic database of 1,000,000 entries (about 600 MB,
// 300 categories, three licence kinds) for a text held by about 1% of the
// names, beside `LC_ALL=C grep -i -c` over the same files in the same run.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "core/catalogue/catalogue_search.h"
#include "core/platform/stored_files.h"
#include "core/records/record_file.h"

namespace {

constexpr int kEntries = 1000000;
constexpr int kCategories = 300;

// Writes one history list record by record, so the generator adds nothing to
// the peak.
double WriteHistoryList(const std::string& path, int first, int count, int category) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fputs("14\r\n", out);
    double bytes = 4;
    const std::string description(440, 'd');
    for (int i = first; i < first + count; ++i) {
        const std::string id = std::to_string(i);
        // Every hundredth name holds the searched word, in varying case.
        const std::string name = i % 100 == 0 ? (i % 200 == 0 ? "Quokka Editor " : "super qUOKKA ") + id : "Program " + id;
        const std::string record = name + "\r\nhttp://www.example.org/download/p" + id + ".zip\r\n1.0\r\n1234\r\n"
                                   "Released today\r\nhttp://www.example.org/info/p" + id + ".html\r\nSample\r\n" +
                                   description + "\r\n3\r\n" + std::to_string(category) + "\r\n" + id +
                                   "\r\n\r\nxxxxxx--\r\nA short note\r\n";
        std::fwrite(record.data(), 1, record.size(), out);
        bytes += static_cast<double>(record.size());
    }
    std::fclose(out);
    return bytes;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/veltod-bench-search-XXXXXX";
    const std::filesystem::path root = ::mkdtemp(pattern);
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "Resources");
    std::filesystem::current_path(root / "bin");

    std::string categories = "4\r\n";
    for (int code = 1; code <= kCategories; ++code)
        categories += std::to_string(code) + "\r\n0\r\n0\r\nCategory " + std::to_string(code) + "\r\n";
    std::FILE* list = std::fopen("../Resources/Categ.txt", "wb");
    std::fputs(categories.c_str(), list);
    std::fclose(list);

    double total_bytes = 0;
    const int lists = 3 * kCategories;
    int next = 0;
    for (int kind = 1; kind <= 3; ++kind) {
        std::FILE* header = std::fopen(("../Resources/0." + std::to_string(kind) + "cat").c_str(), "wb");
        std::fputs("14\r\n", header);
        std::fclose(header);
        for (int code = 1; code <= kCategories; ++code) {
            const int index = (kind - 1) * kCategories + code - 1;
            const int count = kEntries / lists + (index < kEntries % lists ? 1 : 0);
            total_bytes += WriteHistoryList("../Resources/" + std::to_string(code) + "." + std::to_string(kind) + "cat",
                                            next, count, code);
            next += count;
        }
    }

    const std::string files = "../Resources/[1-9]*.[123]cat";
    // Piped: grep stops at the first match when its output is /dev/null.
    const double ref = bench::TimeCommand("LC_ALL=C grep -i -c quokka " + files + " | cat", 3);

    double ours = 1e30;
    for (int run = 0; run < 3; ++run) {
        const double start = bench::Seconds();
        veltod::SearchCatalogue("quokka");
        const double took = bench::Seconds() - start;
        if (took < ours) ours = took;
    }
    size_t found = 0;
    for (const char* kind : {"1", "2", "3"}) {
        veltod::RecordTable table;
        veltod::ReadRecordFile(veltod::SearchResultsPath(kind), table);
        found += table.RowCount();
    }
    const double peak = bench::PeakMiB();
    std::filesystem::current_path("/tmp");
    std::filesystem::remove_all(root);
    if (found != kEntries / 100) {
        std::fprintf(stderr, "found %zu entries, expected %d\n", found, kEntries / 100);
        return 1;
    }
    bench::Report("search_catalogue", ours, ref, 1.0, peak);
    std::printf("# database %.0f MiB in %d lists, %zu entries found\n", total_bytes / 1048576.0, lists, found);
    return 0;
}
