#include "core/platform/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace veltod {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

// The mapping is one huge page larger than asked, so that an aligned start
// can be chosen; the header before the start remembers where the mapping began.
struct Header {
    void* mapping;
    size_t length;
};

}  // namespace

void* AllocateLarge(size_t bytes) {
    if (bytes < kLargeBlock) {
        void* block = std::malloc(bytes == 0 ? 1 : bytes);
        if (!block) throw std::bad_alloc();
        return block;
    }
    const size_t length = bytes + 2 * kHugePage;
    void* mapping = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<uintptr_t>(mapping);
    const uintptr_t start = (base + sizeof(Header) + kHugePage - 1) / kHugePage * kHugePage;
    ::madvise(reinterpret_cast<void*>(start), (bytes + kHugePage - 1) / kHugePage * kHugePage, MADV_HUGEPAGE);
    auto* header = reinterpret_cast<Header*>(start - sizeof(Header));
    header->mapping = mapping;
    header->length = length;
    return reinterpret_cast<void*>(start);
}

void FreeLarge(void* block, size_t bytes) {
    if (!block) return;
    if (bytes < kLargeBlock) {
        std::free(block);
        return;
    }
    const auto* header = reinterpret_cast<const Header*>(static_cast<char*>(block) - sizeof(Header));
    ::munmap(header->mapping, header->length);
}

}  // namespace veltod
