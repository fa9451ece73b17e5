// Deciding a pass from unsorted p-values must agree with sorting them first,
// whenever it decides at all; ties and NaNs are where the sort order matters.
#include "learners/pass_decision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "stats/heap_sort.h"

namespace gaussnet {
namespace {

pass_decision sorted_decision(std::vector<double> p, std::vector<int> index, const std::vector<std::uint8_t>& flags,
                              const decision_rule& rule) {
    const int m = static_cast<int>(p.size());
    heap_sort3(p.size(), p.data(), index.data(), index.data());
    return decide_sorted(p.data(), index.data(), m, flags.data(), rule);
}

TEST(PassDecision, UnsortedAgreesWithSortedWheneverItDecides) {
    std::mt19937 rng(5);
    // Few distinct values make ties frequent; thresholds sit on some of them.
    const std::vector<double> values = {0.0, 0.0, 1e-9, 0.01, 0.025, 0.025, 0.03, 0.2, 0.5, 1.0, NAN};
    int decided = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const int n_vars = 2 + static_cast<int>(rng() % 9);
        const int target = static_cast<int>(rng() % n_vars);
        std::vector<std::uint8_t> flags(n_vars, 0);
        std::vector<double> p;
        std::vector<int> index;
        const bool allow_nan = trial % 7 == 0;
        for (int v = 0; v < n_vars; ++v) {
            if (v == target) continue;
            flags[v] = rng() % 3 == 0;
            double value = values[rng() % (values.size() - (allow_nan ? 0 : 1))];
            if (rng() % 2) value = std::uniform_real_distribution<double>(0, 0.1)(rng);
            p.push_back(value);
            index.push_back(v);
        }
        const int m = static_cast<int>(p.size());
        for (int variant : {1, 2}) {
            double h = 0;
            for (int k = 1; k <= m; ++k) h = h + 1.0 / k;
            const decision_rule rule{variant, h, 0.025};
            const pass_decision fast = decide_unsorted(p.data(), index.data(), m, flags.data(), rule);
            if (fast.change == pass_change::undecided) continue;
            ++decided;
            const pass_decision slow = sorted_decision(p, index, flags, rule);
            ASSERT_EQ(static_cast<int>(fast.change), static_cast<int>(slow.change)) << "trial " << trial;
            ASSERT_EQ(fast.variable, slow.variable) << "trial " << trial;
        }
    }
    EXPECT_GT(decided, 10000);  // the shortcut must actually apply most of the time
}

TEST(PassDecision, TiesThatMatterAreLeftToTheSort) {
    // Two non-members tied at p = 0: which one is added depends on the sort.
    const std::vector<double> p = {0.0, 0.5, 0.0};
    const std::vector<int> index = {0, 1, 3};
    const std::vector<std::uint8_t> flags = {0, 0, 0, 0};
    const decision_rule rule{1, 0.0, 0.025};
    EXPECT_EQ(decide_unsorted(p.data(), index.data(), 3, flags.data(), rule).change, pass_change::undecided);
    const pass_decision sorted = sorted_decision(p, index, flags, rule);
    EXPECT_EQ(sorted.change, pass_change::addition);
    // Traced by hand through the heap sort: (0, 0.5, 0) with (0, 1, 3) ends as
    // (0, 0, 0.5) with (0, 3, 1), so variable 0 ranks first.
    EXPECT_EQ(sorted.variable, 0);
}

TEST(PassDecision, ThresholdsAreStrictForRemovalAndInclusiveForAddition) {
    const decision_rule rule{1, 0.0, 0.025};
    const std::vector<int> index = {0, 1};
    {
        const std::vector<double> p = {0.025, 0.9};  // member 0 exactly at alpha/2 stays
        const std::vector<std::uint8_t> flags = {1, 0, 0};
        const pass_decision d = decide_unsorted(p.data(), index.data(), 2, flags.data(), rule);
        EXPECT_EQ(d.change, pass_change::none);
    }
    {
        const std::vector<double> p = {0.025, 0.9};  // non-member 0 exactly at alpha/2 is added
        const std::vector<std::uint8_t> flags = {0, 0, 0};
        const pass_decision d = decide_unsorted(p.data(), index.data(), 2, flags.data(), rule);
        EXPECT_EQ(d.change, pass_change::addition);
        EXPECT_EQ(d.variable, 0);
    }
}

}  // namespace
}  // namespace gaussnet
