#pragma once
// A progress line on standard error, updated in place:
//   IAMB1: 412/1000 targets | X17: pass 153, 148 members | X902: pass 12, 9 members
// with the targets still running, longest first. Shown only when standard
// error is a terminal and the run has taken more than a couple of seconds;
// redrawn several times a second by a thread of its own, so that it moves
// while one target grows for minutes. Never on standard output or in "res.txt".

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace gaussnet {

// What one learning thread is doing; written by that thread, read by the
// line's own thread (each field on its own, which is enough for a display).
struct progress_slot {
    std::atomic<int> target{-1};  // -1: between targets
    std::atomic<int> pass{0};
    std::atomic<int> members{0};

    void working(int on_target, int at_pass, int member_count) {
        pass.store(at_pass, std::memory_order_relaxed);
        members.store(member_count, std::memory_order_relaxed);
        target.store(on_target, std::memory_order_relaxed);
    }
    void idle() { target.store(-1, std::memory_order_relaxed); }
};

class progress_line {
public:
    // names: the variable names, for showing the running targets.
    progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names);
    // shown false: nothing is ever drawn (a run inside a larger one with its own line).
    progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names, bool shown);
    // Writes to out (when not null) regardless of terminals, after quiet_period.
    progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names, std::FILE* out,
                  std::chrono::milliseconds quiet_period);
    ~progress_line();
    progress_line(const progress_line&) = delete;
    progress_line& operator=(const progress_line&) = delete;

    // Counts one finished item; thread-safe.
    void advance(long long items = 1);

    // Names what is counted ("targets" unless told) and adds an estimate of
    // the time left from the pace so far (items of similar cost, such as resamples).
    void count_as(std::string unit, bool estimate_time_left) {
        unit_ = std::move(unit);
        estimate_time_left_ = estimate_time_left;
    }

    progress_slot& slot(int index) { return slots_[static_cast<std::size_t>(index)]; }

    // The line as it would be shown now, at most width characters.
    std::string text(std::size_t width) const;

private:
    void draw();
    std::string time_left(long long done) const;
    void redraw_until_stopped();

    std::string label_;
    std::string unit_ = "targets";
    bool estimate_time_left_ = false;
    long long total_;
    std::span<const std::string> names_;
    std::unique_ptr<progress_slot[]> slots_;
    int n_slots_;
    std::FILE* out_;
    std::chrono::milliseconds quiet_period_;
    std::atomic<long long> done_{0};
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_shown_;
    std::mutex mutex_;  // guards drawing and the fields below
    bool shown_ = false;
    std::size_t shown_width_ = 0;
    bool stopping_ = false;
    std::condition_variable wake_;
    std::thread redrawer_;
};

}  // namespace gaussnet
