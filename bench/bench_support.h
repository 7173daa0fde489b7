#pragma once
// Shared by the benchmark programs: timing, peak memory, running a reference
// command, and the one output line every benchmark prints.
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

inline double Seconds() {
    using clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

// Peak resident memory of this process so far, in MiB.
inline double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Wall time of a shell command (its output discarded); the best of runs.
inline double TimeCommand(const std::string& command, int runs = 3) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        const int status = std::system((command + " >/dev/null").c_str());
        const double took = Seconds() - start;
        if (status != 0) {
            std::fprintf(stderr, "reference command failed: %s\n", command.c_str());
            std::exit(1);
        }
        if (took < best) best = took;
    }
    return best;
}

inline void Report(const char* name, double ours, double ref, double target, double peak_mb) {
    std::printf("BENCH %s ours=%.4f ref=%.4f ratio=%.3f target=%.2f peak_mb=%.1f\n", name, ours, ref, ours / ref,
                target, peak_mb);
    std::fflush(stdout);
}

}  // namespace bench
