#pragma once
// The timed part of the record-file benchmarks: the best of several reads of
// one file, each into a fresh table released outside the timing.
#include <string>

#include "bench_support.h"
#include "core/records/record_file.h"

namespace bench {

// rows: how many records the reads found.
inline double BestRecordRead(const std::string& path, int runs, size_t& rows) {
    double best = 1e30;
    for (int run = 0; run < runs; ++run) {
        veltod::RecordTable table;
        const double start = Seconds();
        veltod::ReadRecordFile(path, table);
        const double took = Seconds() - start;
        rows = table.RowCount();
        if (took < best) best = took;
    }
    return best;
}

}  // namespace bench
