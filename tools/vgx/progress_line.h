#pragma once
// "vgx: loading ship.x ..." on stderr, but only for steps that take longer than
// half a second, finished with the time taken; quick steps stay silent.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace vgxtool {

class ProgressLine {
public:
    explicit ProgressLine(std::string what);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    std::string what_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    bool shown_ = false;
    std::thread watcher_;
};

}  // namespace vgxtool
