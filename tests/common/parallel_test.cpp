// The parallel loop must do every item once and, when items fail, report the
// failure that a loop in index order would have met first.
#include "common/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace gaussnet {
namespace {

TEST(ParallelFor, EveryItemOnceOnAnyThreadCount) {
    for (int threads : {1, 2, 3, 8}) {
        std::vector<std::atomic<int>> done(1000);
        parallel_for(threads, 1000, [&](std::int64_t i, int thread) {
            EXPECT_GE(thread, 0);
            EXPECT_LT(thread, threads);
            done[static_cast<std::size_t>(i)]++;
        });
        for (const auto& count : done) EXPECT_EQ(count.load(), 1);
    }
}

TEST(ParallelFor, NoItemsNoCalls) {
    parallel_for(4, 0, [](std::int64_t, int) { FAIL(); });
}

TEST(ParallelFor, RethrowsTheLowestFailingIndex) {
    for (int threads : {1, 2, 3}) {
        for (int repeat = 0; repeat < 20; ++repeat) {
            try {
                parallel_for(threads, 200, [](std::int64_t i, int) {
                    if (i == 37 || i == 150 || i == 151) throw std::runtime_error(std::to_string(i));
                });
                FAIL() << "no exception";
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "37");
            }
        }
    }
}

}  // namespace
}  // namespace gaussnet

namespace gaussnet {
namespace {

// A thread that cannot be started (ulimit -u, a tight ulimit -v) must not
// end the program: the loop goes on with the threads it has.
TEST(ParallelFor, GoesOnWithTheThreadsThatCouldBeStarted) {
    for (int can_start : {0, 1, 3}) {
        int started = 0;
        auto start_thread = [&](auto&& run) {
            if (started == can_start)
                throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            ++started;
            return std::thread(std::forward<decltype(run)>(run));
        };
        std::vector<std::atomic<int>> done(500);
        std::atomic<int> highest_thread{0};
        parallel_for_with(
            8, 500,
            [&](std::int64_t i, int thread) {
                done[static_cast<std::size_t>(i)]++;
                int seen = highest_thread.load();
                while (thread > seen && !highest_thread.compare_exchange_weak(seen, thread)) {
                }
            },
            start_thread);
        for (const auto& count : done) EXPECT_EQ(count.load(), 1) << can_start;
        EXPECT_LE(highest_thread.load(), can_start);
    }
}

// Items that fail while a later thread cannot be started: the threads that
// run are joined and the lowest failure still comes out.
TEST(ParallelFor, FailureAndThreadShortageTogether) {
    int started = 0;
    auto start_thread = [&](auto&& run) {
        if (started == 1) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        ++started;
        return std::thread(std::forward<decltype(run)>(run));
    };
    try {
        parallel_for_with(
            4, 100,
            [](std::int64_t i, int) {
                if (i == 10) throw std::runtime_error("10");
            },
            start_thread);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "10");
    }
}

}  // namespace
}  // namespace gaussnet
