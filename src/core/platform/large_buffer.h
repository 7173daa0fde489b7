#pragma once
// Memory for large lists. Blocks of several megabytes are mapped on 2 MiB
// boundaries and offered to the kernel as huge pages: filling a fresh 60 MB
// buffer page by page costs more than reading the file into it.
#include <cstddef>
#include <memory>
#include <new>

namespace veltod {

inline constexpr size_t kLargeBlock = size_t{4} << 20;

void* AllocateLarge(size_t bytes);
void FreeLarge(void* block, size_t bytes);

// A std::allocator that takes large blocks from AllocateLarge.
template <typename T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* block, size_t n) { FreeLarge(block, n * sizeof(T)); }
    template <typename U>
    bool operator==(const LargeAllocator<U>&) const { return true; }
};

}  // namespace veltod
