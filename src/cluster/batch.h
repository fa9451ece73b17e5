#pragma once
// Runs of list positions handed to the threads of the ranks: the lead's
// counter that hands them out, and the order in which a thread learns one.

#include <algorithm>
#include <atomic>

#include "common/parallel.h"

namespace gaussnet::cluster {

inline constexpr int NO_TARGET = -1;

// List positions first .. first + count - 1; a count of 0 means no more.
struct batch {
    int first;
    int count;
};

// Learns the batch's positions in order, as a loop in list order would: every
// position up to the lowest failure known on this rank, whichever of its
// threads met it; learn(position) may record a new one in failures.
// Returns how many positions were learned.
template <typename Failures, typename Learn>
int learn_batch(batch run, const Failures& failures, Learn&& learn) {
    int learned = 0;
    for (int position = run.first; position < run.first + run.count; ++position) {
        if (failures.skips(position)) break;
        learn(position);
        ++learned;
    }
    return learned;
}

// The lead's counter: positions in list order, none above a known failure.
class position_counter {
public:
    explicit position_counter(int count) : count_(count) {}
    batch take(int wanted) {
        const int first = next_.fetch_add(wanted);
        const int limit = static_cast<int>(failures_.end(count_));
        return first >= limit ? batch{NO_TARGET, 0} : batch{first, std::min(wanted, limit - first)};
    }
    int take() { return take(1).first; }
    // A remote thread's batch: a quarter of an even share of what is left
    // over all_threads (it holds the next batch while it learns one), down
    // to single targets at the end, so that requests stay few.
    batch take_share(int all_threads) { return take(std::max(1, left() / (4 * all_threads))); }
    int left() const { return std::max(0, count_ - next_.load()); }
    void failed_at(int position) { failures_.record(position); }

private:
    const int count_;
    std::atomic<int> next_{0};
    lowest_failure<> failures_;
};

}  // namespace gaussnet::cluster
