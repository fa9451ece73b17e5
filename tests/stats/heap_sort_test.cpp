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
        sort_case{"empty", {}, {}, {}, {}, {}, {}}, sort_case{"one", {0.7}, {3}, {4}, {0.7}, {3}, {4}},
        sort_case{"two_equal_swap", {0.2, 0.2}, {1, 2}, {1, 2}, {0.2, 0.2}, {2, 1}, {2, 1}},
        sort_case{"equal_pair_reversed",
                  {0.5, 0.5, 0.1},
                  {10, 20, 30},
                  {10, 20, 30},
                  {0.1, 0.5, 0.5},
                  {30, 20, 10},
                  {30, 20, 10}},
        sort_case{"four_equal", {1, 1, 1, 1}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 1, 1, 1}, {2, 3, 4, 1}, {2, 3, 4, 1}},
        sort_case{"five_equal",
                  {1, 1, 1, 1, 1},
                  {1, 2, 3, 4, 5},
                  {1, 2, 3, 4, 5},
                  {1, 1, 1, 1, 1},
                  {2, 3, 4, 5, 1},
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

// The sift as it is usually written, one step at a time, stopping at the
// first child that is not greater than the held entry.
void textbook_heap_sort(std::vector<double>& keys, std::vector<int>& index) {
    const std::size_t n = keys.size();
    if (n < 2) return;
    auto k = [&](std::size_t p) -> double& { return keys[p - 1]; };  // positions 1..n
    auto a = [&](std::size_t p) -> int& { return index[p - 1]; };
    std::size_t l = n / 2 + 1, ir = n;
    for (;;) {
        double held_key;
        int held_index;
        if (l > 1) {
            --l;
            held_key = k(l);
            held_index = a(l);
        } else {
            held_key = k(ir);
            held_index = a(ir);
            k(ir) = k(1);
            a(ir) = a(1);
            if (--ir == 1) {
                k(1) = held_key;
                a(1) = held_index;
                return;
            }
        }
        std::size_t i = l, j = l + l;
        while (j <= ir) {
            if (j < ir && k(j) < k(j + 1)) ++j;
            if (held_key < k(j)) {
                k(i) = k(j);
                a(i) = a(j);
                i = j;
                j += j;
            } else {
                break;
            }
        }
        k(i) = held_key;
        a(i) = held_index;
    }
}

// heap_sort3's permutation of keys, with the companion starting as 0, 1, ...
std::vector<int> sorted_index(std::vector<double> keys, bool textbook) {
    std::vector<int> index(keys.size());
    for (std::size_t i = 0; i < index.size(); ++i) index[i] = static_cast<int>(i);
    if (textbook) {
        textbook_heap_sort(keys, index);
    } else {
        heap_sort3(keys.size(), keys.data(), index.data(), index.data());
    }
    return index;
}

TEST(HeapSort3Order, SamePermutationAsTheTextbookSift) {
    std::mt19937 rng(12);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t n = 1 + rng() % (trial < 200 ? 30 : 700);
        std::vector<double> keys(n);
        for (double& key : keys) {
            key = static_cast<double>(rng() % 7) / 8;  // many ties
            if (rng() % 23 == 0) key = NAN;
        }
        ASSERT_EQ(sorted_index(keys, false), sorted_index(keys, true)) << "trial " << trial;
    }
}

// Large arrays, few or many distinct keys, mostly without NaN: the
// textbook's permutation, ties included.
TEST(HeapSort3Order, SamePermutationAsTheTextbookSiftOnLargeArrays) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 400; ++trial) {
        const std::size_t n = 1 + rng() % (trial < 200 ? 40 : 5000);
        const unsigned distinct = 1 + rng() % (trial % 2 ? 6 : 100000);
        std::vector<double> keys(n);
        for (double& key : keys) key = static_cast<double>(rng() % distinct) / 8;
        if (trial % 5 == 0) keys[rng() % n] = NAN;
        ASSERT_EQ(sorted_index(keys, false), sorted_index(keys, true)) << "trial " << trial << ", n " << n;
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
