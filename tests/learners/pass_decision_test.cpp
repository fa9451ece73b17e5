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
        for (const iamb_variant variant : {iamb_variant::plain, iamb_variant::adjusted}) {
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
    const decision_rule rule{iamb_variant::plain, 0.0, 0.025};
    EXPECT_EQ(decide_unsorted(p.data(), index.data(), 3, flags.data(), rule).change, pass_change::undecided);
    const pass_decision sorted = sorted_decision(p, index, flags, rule);
    EXPECT_EQ(sorted.change, pass_change::addition);
    // Traced by hand through the heap sort: (0, 0.5, 0) with (0, 1, 3) ends as
    // (0, 0, 0.5) with (0, 3, 1), so variable 0 ranks first.
    EXPECT_EQ(sorted.variable, 0);
}

// Both ways of deciding: removal needs a value strictly above alpha/2,
// addition one at or below it (entries given in ascending order).
TEST(PassDecision, ThresholdsAreStrictForRemovalAndInclusiveForAddition) {
    struct threshold_case {
        std::vector<std::uint8_t> flags;
        pass_change expected;
        int variable;
    };
    const decision_rule rule{iamb_variant::plain, 0.0, 0.025};
    const std::vector<int> index = {0, 1};
    const std::vector<threshold_case> cases = {
        {{1, 0, 0}, pass_change::none, -1},     // member 0 exactly at alpha/2 stays; non-member 1 is too weak
        {{0, 0, 0}, pass_change::addition, 0},  // non-member 0 exactly at alpha/2 is added
        {{1, 1, 0}, pass_change::removal, 1},   // member 1 above alpha/2 is removed
    };
    for (const threshold_case& c : cases) {
        std::vector<double> p = {0.025, 0.9};
        const pass_decision unsorted = decide_unsorted(p.data(), index.data(), 2, c.flags.data(), rule);
        const pass_decision sorted = decide_sorted(p.data(), index.data(), 2, c.flags.data(), rule);
        for (const pass_decision& d : {unsorted, sorted}) {
            EXPECT_EQ(d.change, c.expected);
            if (c.expected != pass_change::none) {
                EXPECT_EQ(d.variable, c.variable);
            }
        }
    }
}

}  // namespace
}  // namespace gaussnet
