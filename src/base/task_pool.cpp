#include "base/task_pool.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"

namespace vgx::tasks {
namespace {

// Whether this thread is running a chunk: a nested call then runs serially, so a
// chunk never waits for workers that may all be waiting for it.
thread_local bool runningChunk = false;

int32_t InitialThreadCount() {
    const char* variable = std::getenv("VGX_THREADS");
    const std::string setting = variable ? variable : "";
    char* end = nullptr;
    const long asked = std::strtol(setting.c_str(), &end, 10);
    if (!setting.empty() && *end == '\0' && asked >= 1 && asked <= kMaxThreads) return static_cast<int32_t>(asked);
    const unsigned hardware = std::thread::hardware_concurrency();
    return static_cast<int32_t>(std::clamp<unsigned>(hardware, 1, kMaxThreads));
}

std::atomic<int32_t>& Setting() {
    static std::atomic<int32_t> count{InitialThreadCount()};
    return count;
}

struct Job {
    Job(const std::function<void(size_t)>& body, size_t count, int32_t helpers)
        : chunk(body), chunks(count), helpersWanted(helpers) {}

    const std::function<void(size_t)>& chunk;
    const size_t chunks;
    int32_t helpersWanted;
    int32_t helpersInside = 0;  // guarded by the pool's mutex
    std::atomic<size_t> next{0};
    std::atomic<size_t> finished{0};
    std::mutex failure;
    size_t failedChunk = std::numeric_limits<size_t>::max();
    std::exception_ptr error;

    // Runs chunks until none is left to start.
    void Work() {
        runningChunk = true;
        for (size_t at; (at = next.fetch_add(1)) < chunks; finished.fetch_add(1)) {
            try {
                chunk(at);
            } catch (...) {
                const std::lock_guard lock(failure);
                if (at < failedChunk) failedChunk = at, error = std::current_exception();
            }
        }
        runningChunk = false;
    }
    bool Done() const { return finished.load() == chunks && helpersInside == 0; }
};

class Pool {
public:
    ~Pool() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    void Run(Job& job) {
        {
            std::unique_lock lock(mutex_);
            while (workers_.size() < static_cast<size_t>(job.helpersWanted)) workers_.emplace_back([this] { Serve(); });
            jobs_.push_back(&job);
        }
        wake_.notify_all();
        job.Work();
        std::unique_lock lock(mutex_);
        std::erase(jobs_, &job);
        ended_.wait(lock, [&] { return job.Done(); });
    }

private:
    void Serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            Job& job = *jobs_.front();
            // A job leaves the queue once it has all its helpers.
            if (++job.helpersInside == job.helpersWanted) jobs_.pop_front();
            lock.unlock();
            job.Work();
            lock.lock();
            --job.helpersInside;
            if (job.Done()) ended_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, ended_;
    std::deque<Job*> jobs_;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

Pool& SharedPool() {
    static Pool pool;
    return pool;
}

}  // namespace

int32_t ThreadCount() { return Setting().load(); }

void SetThreadCount(int32_t count) {
    if (count < 1 || count > kMaxThreads) Raise(VgxErrInvalidCall);
    Setting().store(count);
}

void RunChunks(size_t chunks, const std::function<void(size_t)>& chunk) {
    const int32_t threads = ThreadCount();
    if (threads == 1 || chunks < 2 || runningChunk) {
        for (size_t at = 0; at < chunks; ++at) chunk(at);
        return;
    }
    Job job(chunk, chunks, static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(threads) - 1, chunks - 1)));
    SharedPool().Run(job);
    if (job.error) std::rethrow_exception(job.error);
}

}  // namespace vgx::tasks
