// Reads a 100,000-entry catalogue record file (14 fields, about 60 MB) with
// the record reader and with `wc -l`, in the same run.
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "record_reading.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/veltod-bench-records.cat";
    // Written record by record so that the generator adds nothing to the peak.
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 1;
    std::fputs("14\r\n", out);
    const std::string description(520, 'd');
    double file_bytes = 4;
    for (int i = 0; i < 100000; ++i) {
        const std::string id = std::to_string(i);
        const std::string record = "Program " + id + "\r\nhttp://www.example.org/download/program" + id + ".zip\r\n1.0\r\n1234\r\n"
                 "Released today\r\nhttp://www.example.org/info/program" + id + ".html\r\nSample\r\n" +
                 description + "\r\n3\r\n" + std::to_string(i % 300 + 1) + "\r\n" + id +
                 "\r\n\r\nxxxxxx--\r\nA short note about the program\r\n";
        std::fwrite(record.data(), 1, record.size(), out);
        file_bytes += record.size();
    }
    std::fclose(out);
    const double file_mb = file_bytes / 1048576.0;

    const double ref = bench::TimeCommand("wc -l " + path, 5);
    size_t rows = 0;
    const double ours = bench::BestRecordRead(path, 5, rows);
    if (rows != 100000) {
        std::fprintf(stderr, "read %zu rows, expected 100000\n", rows);
        return 1;
    }
    bench::Report("read_record_file", ours, ref, 3.0, bench::PeakMiB());
    std::printf("# file %.1f MiB; peak memory target %.1f MiB (2.5 x file)\n", file_mb, 2.5 * file_mb);
    if (argc < 3) std::remove(path.c_str());
    return 0;
}
