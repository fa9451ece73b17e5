#pragma once
// A parallel loop over independent items with dynamic scheduling. Items that
// differ widely in cost balance themselves: each thread takes the next index.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace gaussnet {

// Calls body(index, thread) for every index in [0, count) on up to n_threads
// threads. If items throw, the exception of the lowest throwing index is
// rethrown after all threads have stopped, as a loop in index order would
// have thrown it first; items above a known failure are skipped.
template <typename Body>
void parallel_for(int n_threads, std::int64_t count, Body&& body) {
    const int threads = static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(n_threads, count)));
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> first_failure{count};
    std::exception_ptr failure;
    std::mutex failure_mutex;

    auto worker = [&](int thread) {
        for (;;) {
            const std::int64_t index = next.fetch_add(1, std::memory_order_relaxed);
            if (index >= count || index > first_failure.load(std::memory_order_relaxed)) return;
            try {
                body(index, thread);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failure_mutex);
                if (index < first_failure.load()) {
                    first_failure.store(index);
                    failure = std::current_exception();
                }
            }
        }
    };

    if (threads == 1) {
        worker(0);
    } else {
        std::vector<std::thread> pool;
        pool.reserve(static_cast<std::size_t>(threads - 1));
        for (int t = 1; t < threads; ++t) pool.emplace_back(worker, t);
        worker(0);
        for (auto& thread : pool) thread.join();
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace gaussnet
