// The parallel loop must do every item once and, when items fail, report the
// failure that a loop in index order would have met first.
#include "common/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
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
