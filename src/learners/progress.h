#pragma once
// A progress line on standard error ("IAMB1: 412/1000 targets"), updated in
// place, shown only when standard error is a terminal and the run has taken
// more than a couple of seconds. Never on standard output or in "res.txt".

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

namespace gaussnet {

class progress_line {
public:
    progress_line(std::string label, long long total);
    ~progress_line();
    progress_line(const progress_line&) = delete;
    progress_line& operator=(const progress_line&) = delete;

    // Counts one finished item; thread-safe.
    void advance();

private:
    std::string label_;
    long long total_;
    bool enabled_;
    std::atomic<long long> done_{0};
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_shown_;
    std::mutex mutex_;
    bool shown_ = false;
};

}  // namespace gaussnet
