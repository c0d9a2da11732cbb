#include "base/large_blocks.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>

namespace vgx::blocks {
namespace {

using Clock = std::chrono::steady_clock;

// Smaller blocks come and go through the ordinary heap, which keeps them itself.
constexpr size_t kSmallestLargeBlock = size_t{4} << 20;
// A kept block serves a request it exceeds by at most a quarter.
constexpr size_t kMostWasteQuarters = 5;
// Blocks kept longer than this go back to the system at the next large request
// (about as long as general-purpose allocators keep freed pages).
constexpr auto kLongestKept = std::chrono::seconds(10);

bool IsLarge(size_t bytes) { return bytes >= kSmallestLargeBlock; }

// At most an eighth of the machine's memory, and never above 1 GiB, is kept.
size_t KeepingLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    const size_t physical = pages > 0 && pageSize > 0 ? static_cast<size_t>(pages) * static_cast<size_t>(pageSize) : 0;
    return std::min(physical / 8, size_t{1} << 30);
}

class BlockCache {
public:
    void* Take(size_t bytes) {
        std::lock_guard lock(mutex_);
        DropStale(Clock::now());
        auto best = kept_.end();
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->bytes >= bytes && it->bytes * 4 <= bytes * kMostWasteQuarters &&
                (best == kept_.end() || it->bytes < best->bytes)) {
                best = it;
            }
        }
        if (best == kept_.end()) return nullptr;
        void* block = best->block;
        keptBytes_ -= best->bytes;
        kept_.erase(best);
        return block;
    }

    // Keeps a freed block, dropping the oldest ones beyond the limit.
    void Keep(void* block) noexcept {
        // A reused block may be larger than the array that last held it.
        const size_t bytes = malloc_usable_size(block);
        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        DropStale(now);
        if (bytes > limit_) {
            std::free(block);
            return;
        }
        try {
            kept_.push_back({block, bytes, now});
        } catch (const std::bad_alloc&) {
            std::free(block);
            return;
        }
        keptBytes_ += bytes;
        while (keptBytes_ > limit_) DropAt(kept_.begin());
    }

    void ReleaseAll() noexcept {
        std::lock_guard lock(mutex_);
        while (!kept_.empty()) DropAt(kept_.begin());
    }

    size_t Bytes() noexcept {
        std::lock_guard lock(mutex_);
        return keptBytes_;
    }

private:
    struct Kept {
        void* block;
        size_t bytes;
        Clock::time_point since;
    };

    void DropAt(std::vector<Kept>::iterator it) noexcept {
        std::free(it->block);
        keptBytes_ -= it->bytes;
        kept_.erase(it);
    }

    // Blocks are kept in the order they came, so the stale ones lead.
    void DropStale(Clock::time_point now) noexcept {
        while (!kept_.empty() && now - kept_.front().since > kLongestKept) DropAt(kept_.begin());
    }

    std::mutex mutex_;
    std::vector<Kept> kept_;
    size_t keptBytes_ = 0;
    const size_t limit_ = KeepingLimit();
};

// Never destroyed: arrays in other static objects may be freed after it would be.
BlockCache& Cache() {
    static auto* cache = new BlockCache;
    return *cache;
}

}  // namespace

void* AllocateBlock(size_t bytes) {
    if (!IsLarge(bytes)) return ::operator new(bytes);
    if (void* kept = Cache().Take(bytes)) return kept;
    void* block = std::malloc(bytes);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void FreeBlock(void* block, size_t bytes) noexcept {
    if (block == nullptr) return;
    if (IsLarge(bytes)) {
        Cache().Keep(block);
    } else {
        ::operator delete(block);
    }
}

void ReleaseKeptBlocks() noexcept { Cache().ReleaseAll(); }

size_t KeptBlockBytes() noexcept { return Cache().Bytes(); }

}  // namespace vgx::blocks
