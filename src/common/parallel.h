#pragma once
// A parallel loop over independent items with dynamic scheduling. Items that
// differ widely in cost balance themselves: each thread takes the next index.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "common/run_context.h"

namespace gaussnet {

namespace detail {

// Threads never change a result, so a thread that cannot be started (a
// process limit, too little address space for its stack) only costs speed:
// the run's context records it and says it once.
inline void report_threads_not_started(int started, int wanted, const char* reason) {
    current_context().threads_short(started, wanted, reason);
}

}  // namespace detail

// The threads the calling thread's run asked to learn with (n_threads) that it had.
inline int threads_that_ran(int n_threads) { return current_context().threads_that_ran(n_threads); }

// Joins every started thread on every way out of the scope.
class thread_pool_guard {
public:
    explicit thread_pool_guard(std::vector<std::thread>& pool) : pool_(pool) {}
    ~thread_pool_guard() {
        for (auto& thread : pool_)
            if (thread.joinable()) thread.join();
    }
    thread_pool_guard(const thread_pool_guard&) = delete;
    thread_pool_guard& operator=(const thread_pool_guard&) = delete;

private:
    std::vector<std::thread>& pool_;
};

struct std_thread_starter {
    template <typename Function>
    std::thread operator()(Function&& function) const {
        return std::thread(std::forward<Function>(function));
    }
};

// Starts threads running work(t) for t = first .. end - 1 into pool, as many
// as can be started: threads never change a result, so one that cannot be
// started (a process limit, too little address space for its stack) only
// costs speed, and the rest are not tried. Returns how many started; the
// caller joins them (thread_pool_guard) and does the work left over.
template <typename Work, typename StartThread = std_thread_starter>
int start_threads(std::vector<std::thread>& pool, int first, int end, Work& work, StartThread&& start_thread = {}) {
    // The threads work for the caller's run: its diagnostics, its thread count.
    run_context* const context = &current_context();
    for (int t = first; t < end; ++t) {
        try {
            pool.push_back(start_thread([&work, t, context] {
                const context_scope scope(context);
                work(t);
            }));
        } catch (const std::system_error& error) {
            detail::report_threads_not_started(t, end, error.what());
            return t - first;
        }
    }
    return end - first;
}

// The failure of the lowest index of a loop whose items run out of order, on
// any number of threads: a loop in index order would have met that failure
// first and stopped there, so it is the one to report, and an index above it
// need not run. what is kept beside the index (an exception, a message).
struct no_detail {};

template <typename What = no_detail>
class lowest_failure {
public:
    static constexpr std::int64_t none = INT64_MAX;

    // Keeps what as the failure when index lies below every failure known.
    void record(std::int64_t index, What what = {}) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (index >= index_.load(std::memory_order_relaxed)) return;
        what_ = std::move(what);
        index_.store(index, std::memory_order_release);
    }
    // The lowest failing index known so far, or none.
    std::int64_t index() const { return index_.load(std::memory_order_acquire); }
    bool failed() const { return index() != none; }
    // Whether index lies above a known failure, so that it need not run.
    bool skips(std::int64_t index) const { return index > index_.load(std::memory_order_relaxed); }
    // The indices below end that must still run: those up to the lowest failure.
    std::int64_t end(std::int64_t end) const {
        const std::int64_t lowest = index();
        return lowest == none ? end : std::min(end, lowest + 1);
    }
    // The lowest failure's detail; read once the threads have stopped.
    const What& what() const { return what_; }

private:
    std::atomic<std::int64_t> index_{none};
    std::mutex mutex_;
    What what_{};
};

// Calls body(index, thread) for every index in [0, count) on up to n_threads
// threads. If items throw, the exception of the lowest throwing index is
// rethrown after all threads have stopped (lowest_failure); items above a
// known failure are skipped.
// start_thread(function) starts one thread running function; when it throws
// std::system_error, the loop goes on with the threads already started (the
// calling thread at least).
template <typename Body, typename StartThread>
void parallel_for_with(int n_threads, std::int64_t count, Body&& body, StartThread&& start_thread) {
    const int threads = static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(n_threads, count)));
    std::atomic<std::int64_t> next{0};
    lowest_failure<std::exception_ptr> failure;

    auto worker = [&](int thread) {
        for (;;) {
            const std::int64_t index = next.fetch_add(1, std::memory_order_relaxed);
            if (index >= count || failure.skips(index)) return;
            try {
                body(index, thread);
            } catch (...) {
                failure.record(index, std::current_exception());
            }
        }
    };

    if (threads == 1) {
        worker(0);
    } else {
        std::vector<std::thread> pool;
        pool.reserve(static_cast<std::size_t>(threads - 1));
        const thread_pool_guard joins(pool);
        start_threads(pool, 1, threads, worker, start_thread);
        worker(0);
    }
    if (failure.failed()) std::rethrow_exception(failure.what());
}

template <typename Body>
void parallel_for(int n_threads, std::int64_t count, Body&& body) {
    parallel_for_with(n_threads, count, std::forward<Body>(body), std_thread_starter{});
}

}  // namespace gaussnet
