#pragma once
// Storage for the big flat arrays of meshes. A modelling step on a big mesh frees
// hundreds of megabytes and asks for as much again at once; memory fresh from the
// system costs a page fault and a zeroing per page, which on a million faces takes
// longer than the step's own work and serialises the threads that fill the arrays.
// So large blocks, once freed, are kept a short while for the next large request.
#include <cstddef>
#include <new>
#include <vector>

namespace vgx::platform {

// Memory for `bytes`; raises std::bad_alloc when there is none.
void* AllocateBlock(size_t bytes);
// Frees a block from AllocateBlock of the same size.
void FreeBlock(void* block, size_t bytes) noexcept;
// Returns every kept block to the system.
void ReleaseKeptBlocks() noexcept;
// The bytes of the blocks kept for reuse.
size_t KeptBlockBytes() noexcept;

template <class T>
struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>& /*other*/) noexcept {}  // NOLINT: converts like std::allocator

    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(AllocateBlock(n * sizeof(T)));
    }
    void deallocate(T* block, size_t n) noexcept { FreeBlock(block, n * sizeof(T)); }

    friend bool operator==(const LargeBlockAllocator&, const LargeBlockAllocator&) { return true; }
};

}  // namespace vgx::platform

namespace vgx {

// A flat array that may grow to many megabytes.
template <class T>
using BlockArray = std::vector<T, platform::LargeBlockAllocator<T>>;

}  // namespace vgx
