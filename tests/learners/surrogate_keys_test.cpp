// Surrogate keys must rank a pass exactly as its p-values do: the same
// permutation from heap_sort3, ties and all. The passes here are made to
// break them: correlations one unit in the last place apart, r and -r, equal
// r, zeros, entries at the band's cut, and computed values at the floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <span>
#include <vector>

#include "learners/adjustment.h"
#include "learners/pass_decision.h"
#include "learners/surrogate_keys.h"
#include "numerics/numerics.h"
#include "stats/ci_test.h"
#include "stats/heap_sort.h"

namespace gaussnet {
namespace {

// A pass as ci_engine returns it: its keys (+infinity where deferred), its
// index and its deferred tests, with their p-values.
struct fake_pass {
    std::vector<double> pvalues;
    std::vector<int> index;
    double variance = 0, scale = 0;
    std::vector<int> entries;
    std::vector<double> correlations;
    int completed = 0;  // p-values computed, over all calls

    double pvalue_of(double r) const {
        const double statistic = std::fabs(statistic_from_correlation(test_setting{}, r, 0));
        return 1 - normalp(statistic, 0.0, variance);
    }
    deferred_tests deferred() const {
        return {entries.data(), correlations.data(), static_cast<int>(entries.size()), variance, scale};
    }
    void complete_all() {
        for (std::size_t i = 0; i < entries.size(); ++i) pvalues[entries[i]] = pvalue_of(correlations[i]);
        completed += static_cast<int>(entries.size());
    }
    void complete(std::span<const int> which) {
        for (const int place : which) pvalues[entries[place]] = pvalue_of(correlations[place]);
        completed += static_cast<int>(which.size());
    }
};

enum class shape { spread, close_pairs, mirrored, duplicated, zeros, at_the_cut, tiny, crowded };

struct made_pass {
    fake_pass tests;
    std::vector<double> deferred_keys;  // +infinity where deferred
    std::vector<double> full;           // every p-value
    std::vector<int> index;
};

// m entries: computed values below the floor (ties and zeros among them),
// the rest deferred with correlations of the given shape.
made_pass make_pass(shape kind, int m, int d, std::mt19937_64& rng) {
    made_pass pass;
    pass.tests.variance = 1.0 / d;
    pass.tests.scale = std::sqrt(pass.tests.variance + pass.tests.variance);
    const double deferrable = fisher_deferrable_correlation(pass.tests.variance, pass.tests.scale);
    const double band_cut =
        fisher_correlation_below_cut(pass.tests.variance, pass.tests.scale, NORMAL_UPPER_TAIL_RANKING_CUT);
    const double gap = 1e-7 * pass.tests.scale + 1e-14;
    std::uniform_real_distribution<double> unit(0, 1);
    const std::vector<double> small = {0.0, 0.0, 1e-300, 0.01, 0.025, 0.04, 0.0471, std::nextafter(0.053, 0.0)};
    std::vector<double> made;
    for (int k = 0; k < m; ++k) {
        if (rng() % 5 == 0) {
            pass.deferred_keys.push_back(small[rng() % small.size()]);
            pass.full.push_back(pass.deferred_keys.back());
            continue;
        }
        double r = (2 * unit(rng) - 1) * deferrable;
        if (!made.empty()) {
            const double earlier = made[rng() % made.size()];
            const int pick = static_cast<int>(rng() % 3);
            switch (kind) {
                case shape::close_pairs:
                    if (rng() % 4 == 0)
                        r = pick == 0 ? std::nextafter(earlier, 1.0) : earlier + (unit(rng) * 2 - 1) * 2 * gap;
                    break;
                case shape::mirrored:
                    if (pick == 0) r = -earlier;
                    break;
                case shape::duplicated:
                    if (pick == 0) r = earlier;
                    break;
                case shape::zeros:
                    if (pick == 0) r = rng() % 2 ? 0.0 : -0.0;
                    break;
                case shape::at_the_cut: {
                    // Both sides of the first two cuts tried, and the deferrable end.
                    const double offsets[] = {-1.5, -0.5, 0.5, 1.5, 2.5};
                    if (pick == 0) r = std::copysign(band_cut + offsets[rng() % 5] * gap, earlier);
                    if (pick == 1) r = std::copysign(deferrable, earlier);
                    break;
                }
                case shape::tiny:
                    if (pick == 0) r = 1e-9 * unit(rng);
                    break;
                case shape::crowded:
                    r = 0.01 + unit(rng) * 12 * gap;
                    break;
                case shape::spread:
                    break;
            }
        }
        r = std::clamp(r, -deferrable, deferrable);
        made.push_back(r);
        pass.tests.entries.push_back(k);
        pass.tests.correlations.push_back(r);
        pass.deferred_keys.push_back(INFINITY);
        pass.full.push_back(pass.tests.pvalue_of(r));
    }
    for (int k = 0; k < m; ++k) pass.index.push_back(k);
    return pass;
}

TEST(SurrogateKeys, RankEveryPassAsItsPValues) {
    std::mt19937_64 rng(13);
    struct expectation {
        shape kind;
        double keyed_share;  // at least; the others compute everything
    };
    const expectation cases[] = {
        {shape::spread, 1.0}, {shape::close_pairs, 0.5}, {shape::mirrored, 1.0}, {shape::duplicated, 1.0},
        {shape::zeros, 1.0},  {shape::at_the_cut, 1.0},  {shape::tiny, 0.0},     {shape::crowded, 0.0},
    };
    for (const expectation& c : cases) {
        int keyed = 0, trials = 0;
        long long computed = 0, deferred = 0;
        for (int trial = 0; trial < 300; ++trial) {
            const int m = 2 + static_cast<int>(rng() % 400);
            const int d = 1 + static_cast<int>(rng() % 2000);
            made_pass pass = make_pass(c.kind, m, d, rng);
            std::vector<double> expected_keys = pass.full;
            std::vector<int> expected_index = pass.index;
            heap_sort3(expected_keys.size(), expected_keys.data(), expected_index.data(), expected_index.data());

            pass.tests.pvalues = pass.deferred_keys;
            pass.tests.index = pass.index;
            const std::vector<int>& index = pass.tests.index;
            surrogate_scratch scratch;
            int computed_here = 0;
            const bool ok = rank_by_surrogate_keys(pass.tests, scratch, computed_here);
            ++trials;
            deferred += static_cast<long long>(pass.tests.entries.size());
            if (!ok) {
                // Handed back as it came, for the full ranking.
                ASSERT_EQ(index, pass.index);
                continue;
            }
            ++keyed;
            computed += computed_here;
            ASSERT_EQ(index, expected_index) << "shape " << static_cast<int>(c.kind) << " trial " << trial;
        }
        EXPECT_GE(keyed, c.keyed_share * trials) << "shape " << static_cast<int>(c.kind);
        if (c.kind == shape::spread) {
            EXPECT_LT(computed, deferred / 10);
        }
    }
}

// A pass whose computed values reach the floor, or hold a NaN, computes everything.
TEST(SurrogateKeys, ComputedValuesAtTheFloorTakeTheFullRanking) {
    std::mt19937_64 rng(5);
    for (const double computed : {NORMAL_UPPER_TAIL_RANKING_FLOOR, 0.3, static_cast<double>(NAN)}) {
        made_pass pass = make_pass(shape::spread, 50, 200, rng);
        pass.deferred_keys.push_back(computed);
        surrogate_scratch scratch;
        EXPECT_FALSE(plan_surrogate_keys(pass.deferred_keys.data(), static_cast<int>(pass.deferred_keys.size()),
                                         pass.tests.deferred(), scratch));
    }
}

// Through decide_pass, members and non-members: the full ranking's decision.
TEST(SurrogateKeys, DecidePassAsTheFullRanking) {
    std::mt19937_64 rng(21);
    int surrogate_passes = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const int m = 3 + static_cast<int>(rng() % 200);
        made_pass pass = make_pass(static_cast<shape>(trial % 6), m, 1 + static_cast<int>(rng() % 600), rng);
        std::vector<std::uint8_t> flags(static_cast<std::size_t>(m), 0);
        std::vector<bool> deferred(static_cast<std::size_t>(m), false);
        for (const int e : pass.tests.entries) deferred[e] = true;
        for (int k = 0; k < m; ++k)
            if (!deferred[k] && rng() % 2 == 0) flags[k] = 1;
        for (const iamb_variant variant : {iamb_variant::plain, iamb_variant::adjusted}) {
            const decision_rule rule{variant, harmonic_number(m), 0.025};
            std::vector<double> full = pass.full;
            std::vector<int> full_index = pass.index;
            pass_decision expected = decide_unsorted(full.data(), full_index.data(), m, flags.data(), rule);
            if (expected.change == pass_change::undecided) {
                heap_sort3(full.size(), full.data(), full_index.data(), full_index.data());
                expected = decide_sorted(full.data(), full_index.data(), m, flags.data(), rule);
            }
            pass.tests.pvalues = pass.deferred_keys;
            pass.tests.index = pass.index;
            surrogate_scratch scratch;
            pass_route route;
            const pass_decision got = decide_pass(pass.tests, flags.data(), rule, scratch, route);
            ASSERT_EQ(static_cast<int>(got.change), static_cast<int>(expected.change)) << "trial " << trial;
            ASSERT_EQ(got.variable, expected.variable) << "trial " << trial;
            surrogate_passes += route.sorted && !route.completed && !pass.tests.entries.empty();
        }
    }
    EXPECT_GT(surrogate_passes, 500);
}

// The proof's constants: the tails below the series cut stay within the
// stated error of the true ones, and those below the ranking cut above its floor.
TEST(SurrogateKeys, SeriesTailsAreWithinTheirErrorBound) {
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> unit(0, 1);
    double worst = 0;
    for (const int d : {1, 3, 40, 500, 20000}) {
        const double variance = 1.0 / d;
        const double scale = std::sqrt(variance + variance);
        for (int k = 0; k < 20000; ++k) {
            const double y = NORMAL_UPPER_TAIL_SERIES_CUT * unit(rng);
            const double x = std::sqrt(y) * scale;
            if (x <= NUMERICS_EPS) continue;
            const double z = x / scale;
            const double tail = 1 - normalp_with_scale(x, 0.0, variance, scale);
            const double truth = 0.5 * std::erfc(std::sqrt(z * z));
            worst = std::max(worst, std::fabs(tail - truth));
            if (z * z < NORMAL_UPPER_TAIL_RANKING_CUT) {
                ASSERT_GT(tail, NORMAL_UPPER_TAIL_RANKING_FLOOR);
            }
        }
    }
    EXPECT_LT(worst, NORMAL_UPPER_TAIL_SERIES_ERROR);
    EXPECT_GT(0.5 * std::erfc(std::sqrt(NORMAL_UPPER_TAIL_RANKING_CUT)) - 1e-4, NORMAL_UPPER_TAIL_RANKING_FLOOR);
}

}  // namespace
}  // namespace gaussnet
