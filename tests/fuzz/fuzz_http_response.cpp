// libFuzzer target: any bytes read as a response either give a head and a
// body that keep within the limits, or raise a NetworkError. The bytes arrive
// in pieces whose sizes the input itself chooses, as from a socket.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/net/http_response.h"
#include "core/platform/errors.h"

namespace {

class PiecewiseSource : public veltod::ByteSource {
public:
    PiecewiseSource(const uint8_t* data, size_t size, size_t step) : data_(data), size_(size), step_(step) {}
    size_t Receive(char* into, size_t capacity) override {
        size_t n = std::min(std::min(capacity, step_), size_ - at_);
        for (size_t i = 0; i < n; ++i) into[i] = static_cast<char>(data_[at_ + i]);
        at_ += n;
        return n;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t step_;
    size_t at_ = 0;
};

struct Progress : veltod::BodyObserver {
    uint64_t last = 0;
    int begun = 0;
    void WorkBegin(uint64_t) override {
        ++begun;
        last = 0;
    }
    void Work(uint64_t so_far) override {
        if (so_far < last) std::abort();
        last = so_far;
    }
    void WorkEnd() override { --begun; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = 1 + data[0] % 64;
    const bool head_request = data[0] & 0x80;
    veltod::HttpLimits limits;
    limits.max_line_bytes = 4096;
    limits.max_header_bytes = 16384;
    limits.max_header_lines = 40;
    limits.max_body_bytes = 1 << 16;
    PiecewiseSource source(data + 1, size - 1, step);
    veltod::ResponseReader reader(source);
    Progress progress;
    try {
        // Two answers in a row, as on a kept-alive connection.
        for (int answer = 0; answer < 2; ++answer) {
            const veltod::ResponseHead head = veltod::ReadResponseHead(reader, limits);
            if (head.code < 100 || head.code > 999 || head.status_line.size() > limits.max_line_bytes) std::abort();
            if (head.headers.Items().size() > limits.max_header_lines) std::abort();
            const std::string body = veltod::ReadBody(reader, veltod::PlanBody(head, head_request), limits, progress);
            if (body.size() > limits.max_body_bytes) std::abort();
            if (progress.begun != 0) std::abort();
        }
    } catch (const veltod::NetworkError&) {
    }
    if (progress.begun != 0) std::abort();
    return 0;
}
