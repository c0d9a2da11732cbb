#include "progress_line.h"

#include <cstdio>

namespace vgxtool {

ProgressLine::ProgressLine(std::string what) : what_(std::move(what)), start_(std::chrono::steady_clock::now()) {
    watcher_ = std::thread([this] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_.wait_for(lock, std::chrono::milliseconds(500), [this] { return done_; })) return;
        std::fprintf(stderr, "vgx: %s ...", what_.c_str());
        std::fflush(stderr);
        shown_ = true;
    });
}

ProgressLine::~ProgressLine() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    finished_.notify_one();
    watcher_.join();
    if (shown_) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::fprintf(stderr, " done in %.1f s\n", seconds);
    }
}

}  // namespace vgxtool
