// Reads a line-heavy record file (64 MiB of one- and two-byte lines, as a
// hostile list might be) with the record reader and with `wc -l`, in the
// same run, and reports the reader's peak memory beside the file's size.
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "record_reading.h"

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/veltod-bench-lines.cat";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return 1;
    std::fputs("2\r\n", out);
    const size_t target_bytes = size_t{64} << 20;
    std::string block;
    for (int i = 0; i < 4096; ++i) block += i % 3 == 0 ? "\n" : "x\n";
    size_t written = 3;
    for (; written < target_bytes; written += block.size()) std::fwrite(block.data(), 1, block.size(), out);
    std::fclose(out);
    const double file_mb = static_cast<double>(written) / 1048576.0;

    const double ref = bench::TimeCommand("wc -l " + path, 3);
    size_t rows = 0;
    const double ours = bench::BestRecordRead(path, 3, rows);
    if (rows == 0) return 1;
    const double peak = bench::PeakMiB();
    bench::Report("read_record_lines", ours, ref, 3.0, peak);
    std::printf("# file %.1f MiB, %zu records; peak %.2f x file (target 2.5)\n", file_mb, rows, peak / file_mb);
    if (argc < 3) std::remove(path.c_str());
    return 0;
}
