#include "base/large_blocks.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace vgx::blocks {
namespace {

using Clock = std::chrono::steady_clock;

// Smaller blocks come and go through the ordinary heap, which keeps them itself.
constexpr size_t kSmallestLargeBlock = size_t{256} << 10;
// A kept block serves a request it exceeds by at most a quarter.
constexpr size_t kMostWasteQuarters = 5;
// Within one long call, blocks kept longer than this go back to the system at the
// next large request.
constexpr auto kLongestKept = std::chrono::seconds(10);
// Once no call has run for this long, every kept block goes back to the system.
constexpr auto kIdleBeforeRelease = std::chrono::seconds(1);

bool IsLarge(size_t bytes) { return bytes >= kSmallestLargeBlock; }

size_t PageSize() {
    static const auto size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// Large blocks are whole pages mapped for them alone, so that freeing one gives
// its pages straight back to the system, whatever the heap around it holds.
size_t MappedBytes(size_t bytes) { return (bytes + PageSize() - 1) / PageSize() * PageSize(); }

std::atomic<size_t> mappedBytes{0};
std::atomic<size_t> idleReleases{0};

void* Map(size_t mapped) {
    void* block = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    mappedBytes.fetch_add(mapped, std::memory_order_relaxed);
    // Huge pages where the system grants them: a fresh block then costs one fault
    // per 2 MiB instead of one per page.
    madvise(block, mapped, MADV_HUGEPAGE);
    return block;
}

void Unmap(void* block, size_t mapped) noexcept {
    munmap(block, mapped);
    mappedBytes.fetch_sub(mapped, std::memory_order_relaxed);
}

// At most an eighth of the machine's memory, and never above 1 GiB, is kept.
size_t KeepingLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const size_t physical = pages > 0 ? static_cast<size_t>(pages) * PageSize() : 0;
    return std::min(physical / 8, size_t{1} << 30);
}

class BlockCache {
public:
    // A kept block of `mapped` bytes up to a quarter more, or null. A larger one is
    // noted as lent, so that its free gives it back whole.
    void* Take(size_t mapped) {
        std::lock_guard lock(mutex_);
        DropStale(Clock::now());
        auto best = kept_.end();
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->mapped >= mapped && it->mapped * 4 <= mapped * kMostWasteQuarters &&
                (best == kept_.end() || it->mapped < best->mapped)) {
                best = it;
            }
        }
        if (best == kept_.end()) return nullptr;
        const Kept taken = *best;
        keptBytes_ -= taken.mapped;
        kept_.erase(best);
        if (taken.mapped > mapped) {
            try {
                lentLarger_.push_back({taken.block, taken.mapped});
            } catch (const std::bad_alloc&) {
                Unmap(static_cast<char*>(taken.block) + mapped, taken.mapped - mapped);
            }
        }
        return taken.block;
    }

    // Keeps a freed block, dropping the oldest ones beyond the limit. True when it is
    // the only one kept.
    bool Keep(void* block, size_t mapped) noexcept {
        std::lock_guard lock(mutex_);
        const auto lent = std::find_if(lentLarger_.begin(), lentLarger_.end(),
                                       [&](const Lent& entry) { return entry.block == block; });
        if (lent != lentLarger_.end()) {
            mapped = lent->mapped;
            *lent = lentLarger_.back();
            lentLarger_.pop_back();
        }
        const Clock::time_point now = Clock::now();
        DropStale(now);
        if (mapped > limit_) {
            Unmap(block, mapped);
            return false;
        }
        try {
            kept_.push_back({block, mapped, now});
        } catch (const std::bad_alloc&) {
            Unmap(block, mapped);
            return false;
        }
        keptBytes_ += mapped;
        while (keptBytes_ > limit_) DropAt(kept_.begin());
        return kept_.size() == 1;
    }

    // Whether any block was kept.
    bool ReleaseAll() noexcept {
        std::lock_guard lock(mutex_);
        const bool any = !kept_.empty();
        while (!kept_.empty()) DropAt(kept_.end() - 1);
        return any;
    }

    // Read without the lock: every call's end asks.
    size_t Bytes() const noexcept { return keptBytes_.load(std::memory_order_relaxed); }

private:
    struct Kept {
        void* block;
        size_t mapped;
        Clock::time_point since;
    };

    void DropAt(std::vector<Kept>::iterator it) noexcept {
        Unmap(it->block, it->mapped);
        keptBytes_ -= it->mapped;
        kept_.erase(it);
    }

    // Blocks are kept in the order they came, so the stale ones lead.
    void DropStale(Clock::time_point now) noexcept {
        while (!kept_.empty() && now - kept_.front().since > kLongestKept) DropAt(kept_.begin());
    }

    // Blocks handed out for a smaller request than their size: few at a time.
    struct Lent {
        void* block;
        size_t mapped;
    };

    std::mutex mutex_;
    std::vector<Kept> kept_;
    std::vector<Lent> lentLarger_;
    std::atomic<size_t> keptBytes_{0};  // changed under the lock
    const size_t limit_ = KeepingLimit();
};

// Never destroyed: arrays in other static objects may be freed after it would be.
BlockCache& Cache() {
    static auto* cache = new BlockCache;
    return *cache;
}

// Public calls running on all threads, and nested on this one; calls ended.
std::atomic<int> callsRunning{0};
std::atomic<uint64_t> callsEnded{0};
thread_local int callDepth = 0;

// A thread of its own gives the kept blocks back once no call has ended for a
// second and none runs: a host that stops calling keeps no freed memory. It sleeps
// while nothing is kept, and costs a call no more than one count.
class IdleRelease {
public:
    // The store, empty until now, holds a block: the thread starts or wakes.
    void Wake() noexcept {
        std::lock_guard lock(mutex_);
        if (!started_) {
            try {
                std::thread([this] { Run(); }).detach();
                started_ = true;
            } catch (const std::system_error&) {
                return;  // without the thread, stale blocks go at the next large request
            }
        }
        wake_.notify_one();
    }

    // A forked child has no such thread; it starts its own.
    void ForgetThread() noexcept { started_ = false; }

private:
    [[noreturn]] void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [] { return Cache().Bytes() > 0; });
            const uint64_t seen = callsEnded.load(std::memory_order_acquire);
            const Clock::time_point quietUntil = Clock::now() + kIdleBeforeRelease;
            while (wake_.wait_until(lock, quietUntil) == std::cv_status::no_timeout) {
            }
            const bool quiet = callsEnded.load(std::memory_order_acquire) == seen &&
                               callsRunning.load(std::memory_order_acquire) == 0;
            if (!quiet) continue;
            lock.unlock();
            if (Cache().ReleaseAll()) malloc_trim(0);  // and the pages the heap holds free
            idleReleases.fetch_add(1, std::memory_order_release);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool started_ = false;
};

IdleRelease& Idle() {
    static auto* idle = [] {
        auto* made = new IdleRelease;
        pthread_atfork(nullptr, nullptr, [] { Idle().ForgetThread(); });
        return made;
    }();
    return *idle;
}

}  // namespace

CallInProgress::CallInProgress() noexcept {
    if (callDepth++ == 0) callsRunning.fetch_add(1, std::memory_order_acq_rel);
}

CallInProgress::~CallInProgress() {
    if (--callDepth == 0) {
        callsEnded.fetch_add(1, std::memory_order_release);
        callsRunning.fetch_sub(1, std::memory_order_acq_rel);
    }
}

void* AllocateBlock(size_t bytes) {
    if (!IsLarge(bytes)) return ::operator new(bytes);
    const size_t mapped = MappedBytes(bytes);
    if (void* kept = Cache().Take(mapped)) return kept;
    return Map(mapped);
}

void FreeBlock(void* block, size_t bytes) noexcept {
    if (block == nullptr) return;
    if (!IsLarge(bytes)) {
        ::operator delete(block);
    } else if (Cache().Keep(block, MappedBytes(bytes))) {
        Idle().Wake();
    }
}

void ReleaseKeptBlocks() noexcept { Cache().ReleaseAll(); }

size_t KeptBlockBytes() noexcept { return Cache().Bytes(); }

size_t MappedBlockBytes() noexcept { return mappedBytes.load(std::memory_order_relaxed); }

size_t IdleReleaseCount() noexcept { return idleReleases.load(std::memory_order_acquire); }

}  // namespace vgx::blocks
