#pragma once
// Progress of a long library call, as the program's progress line shows it
// on a terminal: what is being learned, how far it is, and the line itself.
// Plain C++20, standard types only; every room and every binding may include it.

#include <chrono>
#include <mutex>
#include <optional>
#include <string>

namespace gaussnet::api {

// One look at a running learner's progress.
struct progress_report {
    std::string learner;  // the line's label: "IAMB2", "IAMB(local)", "IAMB2 bootstrap"
    long long done = 0;
    long long total = 0;
    std::string unit;                    // "targets" or "resamples"
    double elapsed = 0;                  // seconds since the learner began
    std::optional<double> seconds_left;  // resamples only: at the pace so far
    // The program's line, not cut to any width: the counts, the time so far
    // and the targets still running, longest first.
    std::string text;
    // The learner's last report: whatever showed its progress should be cleared.
    bool finished = false;
};

// Handed to a call in settings::progress. update() is called from a thread
// of the library's own, one call at a time: a few times a second once a
// learner has run longer than quiet_period(), then once with finished set
// (only when a report went before). It must be quick and must not throw.
class progress_observer {
public:
    virtual ~progress_observer() = default;
    virtual void update(const progress_report& report) = 0;
    // How long a learner runs before its first report.
    virtual std::chrono::milliseconds quiet_period() const { return std::chrono::seconds(2); }
};

// An observer for a front-end that shows progress from a thread of its own
// (an interpreter that may be touched from one thread only): it keeps the
// latest report until that thread takes it.
class latest_progress final : public progress_observer {
public:
    explicit latest_progress(std::chrono::milliseconds quiet = std::chrono::seconds(2)) : quiet_(quiet) {}
    void update(const progress_report& report) override;
    std::chrono::milliseconds quiet_period() const override { return quiet_; }
    // The report not taken yet, if any (a newer one replaces it).
    std::optional<progress_report> take();

private:
    std::chrono::milliseconds quiet_;
    std::mutex mutex_;
    std::optional<progress_report> latest_;
};

}  // namespace gaussnet::api
