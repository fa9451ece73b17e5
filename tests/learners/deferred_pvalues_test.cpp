// Passes decided with deferred p-values must match passes decided on all of
// them: the same change of the same variable, and the same p-values wherever
// one is computed. The data make ties, p-values of 0 and collinear columns;
// the thresholds sit on the passes' own values, plain and adjusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "learners/adjustment.h"
#include "learners/pass_decision.h"
#include "numerics/numerics.h"
#include "stats/ci_engine.h"
#include "stats/ci_test.h"
#include "stats/covariance.h"
#include "stats/heap_sort.h"

namespace gaussnet {
namespace {

enum class data_kind { chain, integers, duplicated };

FloatMatrix random_data(data_kind kind, int n_cases, int n_vars, std::mt19937_64& rng) {
    std::normal_distribution<double> normal;
    const double strength = std::uniform_real_distribution<double>(0.2, 1.5)(rng);
    FloatMatrix data(n_cases, n_vars);
    for (int k = 0; k < n_cases; ++k) {
        double previous = 0;
        for (int v = 0; v < n_vars; ++v) {
            double x = normal(rng) + (v % 4 != 0 ? strength * previous : 0.0);
            if (kind == data_kind::integers) x = std::round(x * 1.5);
            if (kind == data_kind::duplicated && v % 5 == 3) x = data(k, v - 1);
            data(k, v) = static_cast<float>(x);
            previous = x;
        }
    }
    return data;
}

// Decides on all p-values; when that needs the sort, p and index are left sorted.
pass_decision full_decision(std::vector<double>& p, std::vector<int>& index, const std::vector<std::uint8_t>& flags,
                            const decision_rule& rule) {
    const int m = static_cast<int>(p.size());
    pass_decision decision = decide_unsorted(p.data(), index.data(), m, flags.data(), rule);
    if (decision.change != pass_change::undecided) return decision;
    heap_sort3(p.size(), p.data(), index.data(), index.data());
    return decide_sorted(p.data(), index.data(), m, flags.data(), rule);
}

// Thresholds on the pass's own values: plain, and adjusted at ranks near the
// value's place, where the lazy decision must be exact.
std::vector<double> thresholds_of(const std::vector<double>& p, double harmonic, std::mt19937_64& rng) {
    std::vector<double> thresholds = {0.025, 0.005, 0.0, NORMAL_UPPER_TAIL_FLOOR};
    const int m = static_cast<int>(p.size());
    for (int k = 0; k < 3; ++k) {
        const double value = p[rng() % p.size()];
        const int rank = static_cast<int>(rng() % static_cast<unsigned>(m));
        thresholds.push_back(value);
        thresholds.push_back(value * m * harmonic / (rank + 1));
    }
    return thresholds;
}

struct tallies {
    long long passes = 0;
    long long deferred_entries = 0;
    long long decisions = 0;
    long long decided_without_completing = 0;
    long long tied_at_zero = 0;  // passes with two p-values or more of exactly 0
    long long ranked_by_surrogates = 0;
};

// One pass on both engines; returns the full p-values for the next step.
void compare_pass(ci_engine& full, ci_engine& lazy, int target, const std::vector<std::uint8_t>& flags,
                  int member_count, std::mt19937_64& rng, tallies& t, std::vector<double>& p_full,
                  std::vector<int>& index, surrogate_scratch& surrogates) {
    const int m = static_cast<int>(flags.size()) - 1;
    p_full.assign(m, 0);
    index.assign(m, 0);
    full.test_pass(target, flags.data(), member_count, p_full.data(), index.data());
    const pass_pvalues lazy_pass = lazy.test_pass_deferring(target, flags.data(), member_count);
    const std::vector<double>& p_lazy = lazy_pass.pvalues;
    const int deferred = lazy_pass.deferred().count;
    ASSERT_EQ(lazy_pass.index, index);
    int infinities = 0;
    for (int e = 0; e < m; ++e) {
        if (std::isinf(p_lazy[e])) {
            ++infinities;
            ASSERT_EQ(flags[index[e]], 0) << "a member was deferred";
            ASSERT_GT(p_full[e], NORMAL_UPPER_TAIL_FLOOR) << "deferred p-value below the floor";
        } else {
            ASSERT_EQ(std::memcmp(&p_lazy[e], &p_full[e], sizeof(double)), 0) << "entry " << e;
        }
    }
    ASSERT_EQ(infinities, deferred);
    pass_pvalues completed = lazy_pass;
    completed.complete_all();
    ASSERT_EQ(completed.deferred().count, deferred);
    ASSERT_EQ(std::memcmp(completed.pvalues.data(), p_full.data(), sizeof(double) * static_cast<std::size_t>(m)), 0);
    ++t.passes;
    t.deferred_entries += deferred;
    t.tied_at_zero += std::count(p_full.begin(), p_full.end(), 0.0) >= 2;

    const double harmonic = harmonic_number(m);
    for (const double threshold : thresholds_of(p_full, harmonic, rng))
        for (const iamb_variant variant : {iamb_variant::plain, iamb_variant::adjusted}) {
            const decision_rule rule{variant, harmonic, threshold};
            const test_setting fisher{test_kind::fisher_z, 0};
            if (!may_defer_pvalues(fisher, rule.threshold)) continue;
            pass_pvalues pass = lazy_pass;
            const std::vector<int>& idx = pass.index;
            pass_route route;
            const pass_decision lazy_decision = decide_pass(pass, flags.data(), rule, surrogates, route);
            std::vector<double> p_sorted = p_full;
            std::vector<int> idx_sorted = index;
            const pass_decision expected = full_decision(p_sorted, idx_sorted, flags, rule);
            ASSERT_EQ(static_cast<int>(lazy_decision.change), static_cast<int>(expected.change))
                << "threshold " << threshold << " variant " << static_cast<int>(variant);
            ASSERT_EQ(lazy_decision.variable, expected.variable);
            ++t.decisions;
            if (deferred > 0 && !route.completed) ++t.decided_without_completing;
            if (deferred > 0 && route.sorted && !route.completed) {
                // Ranked on surrogate keys: the very permutation of the full sort.
                ASSERT_EQ(idx, idx_sorted) << "threshold " << threshold << " variant " << static_cast<int>(variant);
                ++t.ranked_by_surrogates;
            }
        }
}

TEST(DeferredPvalues, DecideEveryPassAsTheFullRanking) {
    std::mt19937_64 rng(2026);
    tallies t;
    long long failures = 0;
    for (int set = 0; set < 60; ++set) {
        const data_kind kind = static_cast<data_kind>(set % 3);
        const int n_vars = 4 + static_cast<int>(rng() % 60);
        const int n_cases = n_vars + 6 + static_cast<int>(rng() % 150);
        const FloatMatrix data = random_data(kind, n_cases, n_vars, rng);
        DoubleMatrix cov(n_vars, n_vars);
        estimate_covariance(data, 1, cov);
        const test_setting test{test_kind::fisher_z, n_cases};
        ci_engine full(test, cov);
        ci_engine lazy(test, cov);
        surrogate_scratch surrogates;
        for (int target = 0; target < n_vars; ++target) {
            std::vector<std::uint8_t> flags(static_cast<std::size_t>(n_vars), 0);
            int member_count = 0;
            for (int pass = 0; pass < 12; ++pass) {
                std::vector<double> p;
                std::vector<int> index;
                std::string full_error, lazy_error;
                try {
                    compare_pass(full, lazy, target, flags, member_count, rng, t, p, index, surrogates);
                } catch (const fatal_error& error) {
                    // Both engines meet the same failing test first.
                    try {
                        lazy.test_pass_deferring(target, flags.data(), member_count);
                    } catch (const fatal_error& lazy_failure) {
                        lazy_error = lazy_failure.what();
                    }
                    EXPECT_EQ(lazy_error, error.what());
                    ++failures;
                    break;
                }
                if (HasFatalFailure()) return;
                // Walk on as IAMB2 at 0.05 would, with a random member now and then.
                const decision_rule rule{iamb_variant::adjusted, harmonic_number(n_vars - 1), 0.025};
                std::vector<double> p_sorted = p;
                std::vector<int> index_sorted = index;
                const pass_decision d = full_decision(p_sorted, index_sorted, flags, rule);
                int changed = d.variable;
                if (d.change == pass_change::none || rng() % 4 == 0) changed = index[rng() % index.size()];
                flags[changed] ^= 1;
                member_count += flags[changed] == 1 ? 1 : -1;
            }
        }
    }
    // The comparison must have met the lazy path often, and its failures.
    EXPECT_GT(t.passes, 10000);
    EXPECT_GT(t.deferred_entries, t.passes * 5);
    EXPECT_GT(t.decided_without_completing, t.decisions / 4);
    EXPECT_GT(t.tied_at_zero, 1000);
    EXPECT_GT(t.ranked_by_surrogates, t.decisions / 20);
    EXPECT_GT(failures, 0);
}

// The inputs the floor's bound covers: the tie band, or x >= 0 whose
// error-function argument squared, formed as normal_upper_tails forms it, is
// below the cut. False for a NaN and wherever the bound says nothing.
bool covered_by_the_floor(double x, double variance, double scale) {
    if (!(variance > 0)) return false;
    if (x >= 0.0 - NUMERICS_EPS && x <= 0.0 + NUMERICS_EPS) return true;
    const double z = (x - 0.0) / scale;
    return z >= 0 && z * z < NORMAL_UPPER_TAIL_SERIES_CUT;
}

// Just inside and outside the cut, and the tie band: covered means above the floor.
TEST(DeferredPvalues, TailsAboveTheFloorAreAboveIt) {
    for (const int d : {1, 2, 7, 100, 5000}) {
        const double variance = 1.0 / d;
        const double scale = std::sqrt(variance + variance);
        const double edge = std::sqrt(NORMAL_UPPER_TAIL_SERIES_CUT) * scale;
        for (double x : {0.0, NUMERICS_EPS, 0.5 * edge, std::nextafter(edge, 0.0), edge, 1.01 * edge, 3 * edge}) {
            const double tail = 1 - normalp_with_scale(x, 0.0, variance, scale);
            if (covered_by_the_floor(x, variance, scale)) {
                EXPECT_GT(tail, NORMAL_UPPER_TAIL_FLOOR) << "x " << x;
            }
        }
        // Every correlation up to the deferrable one gives such a statistic.
        const double cut = fisher_deferrable_correlation(variance, scale);
        ASSERT_GT(cut, 0);
        const test_setting fisher{test_kind::fisher_z, d + 3};
        for (double r : {cut, -cut, std::nextafter(cut, 0.0), 0.5 * cut, 1e-300, 0.0}) {
            const double statistic = std::fabs(statistic_from_correlation(fisher, r, 0));
            EXPECT_TRUE(covered_by_the_floor(statistic, variance, scale)) << "r " << r;
        }
        EXPECT_FALSE(covered_by_the_floor(NAN, variance, scale));
        EXPECT_FALSE(covered_by_the_floor(2 * edge, variance, scale));
        EXPECT_TRUE(covered_by_the_floor(0.9 * edge, variance, scale));
    }
    EXPECT_FALSE(covered_by_the_floor(0.0, -1.0, 1.0));  // that path reports
    EXPECT_LT(fisher_deferrable_correlation(-1.0, NAN), 0);
    // The series' front factor rests on ln Gamma(1/2) = ln sqrt(pi).
    EXPECT_NEAR(log_gamma_half(), 0.57236494292470008707, 1e-13);
}

}  // namespace
}  // namespace gaussnet
