// The heap sort's order of equal keys decides which of two equally
// significant variables a learner takes first, so it is pinned down here.
#include "stats/heap_sort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace gaussnet {
namespace {

struct sort_case {
    const char* name;
    std::vector<double> keys;
    std::vector<int> a;
    std::vector<int> b;
    std::vector<double> sorted_keys;
    std::vector<int> sorted_a;
    std::vector<int> sorted_b;
};

class HeapSort3 : public ::testing::TestWithParam<sort_case> {};

TEST_P(HeapSort3, EndsInTheFixedOrder) {
    sort_case c = GetParam();
    heap_sort3(c.keys.size(), c.keys.data(), c.a.data(), c.b.data());
    EXPECT_EQ(c.keys, c.sorted_keys);
    EXPECT_EQ(c.a, c.sorted_a);
    EXPECT_EQ(c.b, c.sorted_b);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, HeapSort3,
    ::testing::Values(
        sort_case{"empty", {}, {}, {}, {}, {}, {}},
        sort_case{"one", {0.7}, {3}, {4}, {0.7}, {3}, {4}},
        sort_case{"two_equal_swap", {0.2, 0.2}, {1, 2}, {1, 2}, {0.2, 0.2}, {2, 1}, {2, 1}},
        sort_case{"equal_pair_reversed", {0.5, 0.5, 0.1}, {10, 20, 30}, {10, 20, 30}, {0.1, 0.5, 0.5}, {30, 20, 10},
                  {30, 20, 10}},
        sort_case{"four_equal", {1, 1, 1, 1}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 1, 1, 1}, {2, 3, 4, 1}, {2, 3, 4, 1}},
        sort_case{"five_equal", {1, 1, 1, 1, 1}, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}, {1, 1, 1, 1, 1}, {2, 3, 4, 5, 1},
                  {2, 3, 4, 5, 1}},
        sort_case{"distinct_companions", {0.3, 0.1, 0.2}, {0, 1, 2}, {5, 6, 7}, {0.1, 0.2, 0.3}, {1, 2, 0}, {6, 7, 5}}),
    [](const ::testing::TestParamInfo<sort_case>& info) { return std::string(info.param.name); });

// The learners pass one index array as both companions: the result must be
// that of a separate copy.
TEST(HeapSort3Aliasing, OneArrayAsBothCompanionsActsAsTwoCopies) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t n = trial < 180 ? 1 + rng() % 40 : 200 + rng() % 400;  // short and deep heaps
        std::vector<double> keys(n);
        std::vector<int> index(n);
        for (std::size_t i = 0; i < n; ++i) {
            keys[i] = static_cast<double>(rng() % 5) / 4;  // many ties
            if (rng() % 17 == 0) keys[i] = NAN;
            index[i] = static_cast<int>(i);
        }
        std::vector<double> keys_copy = keys;
        std::vector<int> a = index, b = index;
        heap_sort3(n, keys.data(), index.data(), index.data());
        heap_sort3(n, keys_copy.data(), a.data(), b.data());
        EXPECT_EQ(index, a);
        EXPECT_EQ(a, b);
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_TRUE(keys[i] == keys_copy[i] || (std::isnan(keys[i]) && std::isnan(keys_copy[i])));
    }
}

TEST(HeapSort3Order, SortsAscendingWithoutNaN) {
    std::mt19937 rng(9);
    std::vector<double> keys(1000);
    std::vector<int> index(1000);
    for (int i = 0; i < 1000; ++i) {
        keys[i] = std::uniform_real_distribution<double>(0, 1)(rng);
        index[i] = i;
    }
    const std::vector<double> original = keys;
    heap_sort3(keys.size(), keys.data(), index.data(), index.data());
    for (int i = 1; i < 1000; ++i) EXPECT_LE(keys[i - 1], keys[i]);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(keys[i], original[index[i]]);
}

}  // namespace
}  // namespace gaussnet
