// GET of a 100 MB file from a local nginx: our client writing the body to
// /dev/null as it arrives against `curl -o /dev/null`, alternating, five runs
// each; medians, their ratio and our peak memory (which should stay far
// below the body size: the body is never held whole).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "../tests/support/local_servers.h"
#include "bench_support.h"
#include "core/net/http_client.h"
#include "core/platform/file_io.h"

extern char** environ;

namespace {

constexpr size_t kBodyBytes = 100'000'000;
constexpr int kRuns = 5;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeCurl(const std::string& url) {
    const char* argv[] = {"curl", "-s", "-S", "-f", "-o", "/dev/null", url.c_str(), nullptr};
    const double start = bench::Seconds();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::fprintf(stderr, "curl cannot be started\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double took = bench::Seconds() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return took;
}

// Writes every block to a file descriptor, as `curl -o` does.
class DescriptorSink : public veltod::BodySink {
public:
    explicit DescriptorSink(int fd) : fd_(fd) {}
    void Take(std::string_view block) override {
        veltod::WriteAllBytes(fd_, block);
        bytes_ += block.size();
    }
    size_t Bytes() const { return bytes_; }

private:
    int fd_;
    size_t bytes_ = 0;
};

double TimeOurs(const std::string& url) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) throw std::runtime_error("cannot open /dev/null");
    veltod::HttpClient client;
    client.Limits().max_body_bytes = 2 * kBodyBytes;
    DescriptorSink sink(null);
    const double start = bench::Seconds();
    client.Get(url, sink);
    const double took = bench::Seconds() - start;
    ::close(null);
    if (sink.Bytes() != kBodyBytes) {
        std::fprintf(stderr, "our client got %zu bytes\n", sink.Bytes());
        std::exit(1);
    }
    return took;
}

}  // namespace

int main() {
    try {
        veltod::test::NginxServer web;
        {
            // Written in pieces, so that making the file adds nothing to our peak.
            web.Put("big.bin", "");
            std::FILE* out = std::fopen((web.Root() / "big.bin").c_str(), "wb");
            std::string piece(1 << 20, '\0');
            for (size_t done = 0; out && done < kBodyBytes; done += piece.size()) {
                for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>((done + i) * 2654435761u >> 24);
                std::fwrite(piece.data(), 1, std::min(piece.size(), kBodyBytes - done), out);
            }
            if (!out || std::fclose(out) != 0) throw std::runtime_error("cannot write the test file");
        }
        const std::string url = web.Url("/big.bin");
        // One of each first, so both meet a warm page cache.
        TimeCurl(url);
        TimeOurs(url);
        std::vector<double> ours, curl;
        for (int run = 0; run < kRuns; ++run) {
            ours.push_back(TimeOurs(url));
            curl.push_back(TimeCurl(url));
        }
        bench::Report("http_get_100mb", Median(ours), Median(curl), 1.1, bench::PeakMiB());
        std::printf("body %.1f MiB, streamed to /dev/null, peak target 32 MiB\n", kBodyBytes / 1048576.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_http_get: %s\n", error.what());
        return 1;
    }
    return 0;
}
