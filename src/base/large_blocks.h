#pragma once
// Storage for the big flat arrays of meshes. A modelling step on a big mesh frees
// hundreds of megabytes and asks for as much again at once; memory fresh from the
// system costs a page fault and a zeroing per page, which on a million faces takes
// longer than the step's own work and serialises the threads that fill the arrays.
// So large blocks, once freed, are kept for the next large request while calls run,
// and given back once the library has been idle a second.
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace vgx::blocks {

// Memory for `bytes`; raises std::bad_alloc when there is none.
void* AllocateBlock(size_t bytes);
// Frees a block from AllocateBlock of the same size.
void FreeBlock(void* block, size_t bytes) noexcept;
// Returns every kept block to the system.
void ReleaseKeptBlocks() noexcept;
// The bytes of the blocks kept for reuse.
size_t KeptBlockBytes() noexcept;
// The bytes of every large block, in use or kept (the heap's count leaves them out).
size_t MappedBlockBytes() noexcept;
// How many times the library, idle, gave its kept blocks back: for measurements
// that wait for it.
size_t IdleReleaseCount() noexcept;

// Marks a public call in progress on this thread: kept blocks go back to the
// system only once no call has run for a second.
class CallInProgress {
public:
    CallInProgress() noexcept;
    ~CallInProgress();
    CallInProgress(const CallInProgress&) = delete;
    CallInProgress& operator=(const CallInProgress&) = delete;
};

// Set on a thread while an array grows with elements its caller makes itself.
inline thread_local bool leaveNewElementsUnmade = false;

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

    template <class U, class... Args>
    void construct(U* place, Args&&... args) noexcept(std::is_nothrow_constructible_v<U, Args...>) {
        if constexpr (sizeof...(Args) == 0) {
            if (leaveNewElementsUnmade) return;
        }
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const LargeBlockAllocator&, const LargeBlockAllocator&) { return true; }
};

}  // namespace vgx::blocks

namespace vgx {

// A flat array that may grow to many megabytes.
template <class T>
using BlockArray = std::vector<T, blocks::LargeBlockAllocator<T>>;

// Grows `array` to `count` elements without making the new ones: for plain records
// the caller writes whole right after, so the memory is not written twice.
template <class T>
void GrowForOverwrite(BlockArray<T>& array, size_t count) {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    // The standard library asks for each new element in turn; the test of the flag
    // leaves the loop only when the compiler knows an element's store cannot change
    // it, which a byte's store can. Bytes are grown as wider words.
    static_assert(sizeof(T) > 1, "a byte array would be walked byte by byte");
    struct Unmade {
        Unmade() { blocks::leaveNewElementsUnmade = true; }
        ~Unmade() { blocks::leaveNewElementsUnmade = false; }
    } unmade;
    array.resize(count);
}

}  // namespace vgx
