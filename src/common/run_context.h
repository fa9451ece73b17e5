#pragma once
// What one call of the learners runs in, apart from what it computes: where
// its diagnostics go, its cancel flag, and how many threads it really had.
// Every library call and the program's run make one; two calls at once never
// share one, so neither sees the other's diagnostics or thread shortfall.
//
// The special functions and the thread starter sit under every p-value and
// every parallel loop, below a dozen layers of plain numeric signatures, so
// they reach the context of the thread they run on (current_context()): a
// call installs its context on its own thread (context_scope) and the threads
// of its parallel loops inherit it. Everything else is handed its context.

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

#include "common/diagnostics.h"

namespace gaussnet {

// What a diagnostic is about.
enum class event_kind {
    note,              // a run's note (EE skipped, a target that names no variable)
    cycle_kept,        // an IAMB target whose passes returned to an earlier member set
    threads_short,     // fewer threads started than asked for
    special_function,  // a special function's report ("Numerics Error in routine ...")
};
inline constexpr std::size_t event_kinds = 4;

class run_context {
public:
    explicit run_context(diagnostic_sink& sink = standard_error_sink(), const std::atomic<bool>* cancel = nullptr)
        : sink_(&sink), cancel_(cancel) {}
    run_context(const run_context&) = delete;
    run_context& operator=(const run_context&) = delete;

    // One whole message of kind, line ends included, to the sink; counted.
    void report(event_kind kind, std::string_view text);
    long long count(event_kind kind) const { return counts_[index(kind)].load(std::memory_order_relaxed); }

    // A loop of this call could start only started of wanted threads: the
    // fewest it went on with is kept, and said once per context.
    void threads_short(int started, int wanted, const char* reason);
    // The threads the call asked for (n_threads) that it had.
    int threads_that_ran(int n_threads) const;

    bool cancel_requested() const { return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed); }
    const std::atomic<bool>* cancel_flag() const { return cancel_; }

private:
    static std::size_t index(event_kind kind);

    diagnostic_sink* sink_;
    const std::atomic<bool>* cancel_;
    std::array<std::atomic<long long>, event_kinds> counts_{};
    std::atomic<int> fewest_threads_{0};
};

// The context of the calling thread: the one installed on it (or inherited
// by a loop's thread), else a context of its own that writes to standard error.
run_context& current_context();
run_context* installed_context();

// Installs a context on this thread for a scope and puts the previous one back.
class context_scope {
public:
    explicit context_scope(run_context* context);
    ~context_scope();
    context_scope(const context_scope&) = delete;
    context_scope& operator=(const context_scope&) = delete;

private:
    run_context* previous_;
};

}  // namespace gaussnet
