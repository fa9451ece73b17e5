#pragma once
// A progress line on a terminal, updated in place:
//   IAMB1: 412/1000 targets, 13m05s | X17: pass 153, 148 members, 12m40s | X902: pass 12, 9 members, 48s
// with the run's time so far and the targets still running, longest first,
// each with its own time so far (from a second on). Shown only where whoever
// runs the learners names (learner_setting::progress: the program names
// standard error when that is a terminal, a library caller its observer, which
// is handed the line and its counts), and only once the run has taken more
// than a couple of seconds; redrawn several times a second by a thread of its
// own, so that it moves while one target grows for minutes. Never on standard
// output or in "res.txt".

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

#include "gaussnet/progress.h"
#include "learners/learner.h"

namespace gaussnet {

// What one learning thread is doing; written by that thread, read by the
// line's own thread (each field on its own, which is enough for a display).
struct progress_slot {
    std::atomic<int> target{-1};  // -1: between targets
    std::atomic<int> pass{0};
    std::atomic<int> members{0};
    std::atomic<std::chrono::steady_clock::rep> since{0};  // when the target's first pass began

    void working(int on_target, int at_pass, int member_count) {
        if (at_pass == 1)
            since.store(std::chrono::steady_clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        pass.store(at_pass, std::memory_order_relaxed);
        members.store(member_count, std::memory_order_relaxed);
        target.store(on_target, std::memory_order_relaxed);
    }
    void idle() { target.store(-1, std::memory_order_relaxed); }
};

// Standard error when it is a terminal, else null: where the program shows the line.
std::FILE* progress_terminal();

class progress_line {
public:
    // names: the variable names, for showing the running targets. On progress_terminal().
    progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names);
    // On a terminal or to an observer (after its own quiet period), when to shows.
    progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names,
                  progress_display to);
    // Shows on to (regardless of terminals) after quiet_period.
    progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names,
                  progress_display to, std::chrono::milliseconds quiet_period);
    ~progress_line();
    progress_line(const progress_line&) = delete;
    progress_line& operator=(const progress_line&) = delete;

    // Counts one finished item; thread-safe.
    void advance(long long items = 1);

    // Names what is counted ("targets" unless told) and adds an estimate of
    // the time left from the pace so far (items of similar cost, such as resamples).
    void count_as(std::string unit, bool estimate_time_left);

    progress_slot& slot(int index) { return slots_[static_cast<std::size_t>(index)]; }

    // The line as it would be shown at now (default: now), at most width characters.
    std::string text(std::size_t width) const { return text(width, std::chrono::steady_clock::now()); }
    std::string text(std::size_t width, std::chrono::steady_clock::time_point now) const;
    // The counts and the whole line at now, as an observer is handed them.
    api::progress_report report(std::chrono::steady_clock::time_point now) const;

private:
    void draw();
    void clear();
    double seconds_left(long long done, std::chrono::steady_clock::time_point now) const;
    void redraw_until_stopped();

    std::string label_;
    std::string unit_ = "targets";  // guarded by mutex_, as the line's own thread reads it
    bool estimate_time_left_ = false;
    long long total_;
    std::span<const std::string> names_;
    std::unique_ptr<progress_slot[]> slots_;
    int n_slots_;
    progress_display to_;
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
