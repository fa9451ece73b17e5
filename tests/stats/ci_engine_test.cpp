// The shared-work test engine must give exactly the bits of one plain
// ci_statistic call per test, on any data and member set (and so must the
// members' partial correlations it gives apart from a pass).
#include "stats/ci_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "common/fatal_error.h"
#include "input/run_state.h"
#include "stats/ci_test.h"
#include "stats/covariance.h"

namespace gaussnet {
namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

test_setting setting_of(const run_state& state, int exact) {
    return {exact != 0 ? test_kind::student_t : test_kind::fisher_z, state.n_cases};
}

// Data with dependences: each variable mixes a few earlier ones plus noise.
run_state random_state(int n_vars, int n_cases, unsigned seed) {
    run_state state;
    state.n_vars = n_vars;
    state.n_cases = n_cases;
    state.data_matrix = FloatMatrix(n_cases, n_vars);
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    for (int k = 0; k < n_cases; ++k) {
        for (int v = 0; v < n_vars; ++v) {
            double x = normal(rng);
            if (v > 0) x += 0.8 * state.data_matrix(k, v - 1);
            if (v > 2) x -= 0.5 * state.data_matrix(k, v - 3);
            state.data_matrix(k, v) = static_cast<float>(x);
        }
    }
    for (int v = 0; v < n_vars; ++v) state.var_names.push_back("V" + std::to_string(v));
    return state;
}

struct engine_case {
    int n_vars;
    int n_cases;
    int exact;
    double member_share;
};

class CiEngineMatchesPlain : public ::testing::TestWithParam<engine_case> {};

TEST_P(CiEngineMatchesPlain, EveryPvalueBitForBit) {
    const engine_case param = GetParam();
    const run_state state = random_state(param.n_vars, param.n_cases, 7u + param.n_vars);
    const test_setting test = setting_of(state, param.exact);
    DoubleMatrix cov(param.n_vars, param.n_vars);
    estimate_covariance(state.data_matrix, 1, cov);
    for (const auto mode : {ci_engine::grouping::automatic, ci_engine::grouping::always, ci_engine::grouping::never}) {
        ci_engine fast(test, cov, mode);
        ci_engine plain(test, cov);
        std::mt19937 rng(11);
        std::bernoulli_distribution member(param.member_share);
        const int m = param.n_vars - 1;
        std::vector<double> p_fast(m), p_plain(m);
        std::vector<int> i_fast(m), i_plain(m);
        std::vector<double> members_r;
        for (int trial = 0; trial < 12; ++trial) {
            const int target = static_cast<int>(rng() % param.n_vars);
            std::vector<std::uint8_t> flags(param.n_vars, 0);
            int count = 0;
            for (int v = 0; v < param.n_vars; ++v)
                if (v != target && member(rng)) {
                    flags[v] = 1;
                    ++count;
                }
            fast.test_pass(target, flags.data(), count, p_fast.data(), i_fast.data());
            plain.test_pass_plain(target, flags.data(), count, p_plain.data(), i_plain.data());
            for (int e = 0; e < m; ++e) {
                ASSERT_EQ(i_fast[e], i_plain[e]);
                ASSERT_TRUE(same_bits(p_fast[e], p_plain[e]))
                    << "trial " << trial << " candidate " << i_fast[e] << ": " << p_fast[e] << " vs " << p_plain[e];
            }
            // The members' partial correlations give their tests' p-values.
            fast.member_correlations(target, flags.data(), members_r);
            ASSERT_EQ(static_cast<int>(members_r.size()), count);
            for (int e = 0, next = 0; e < m; ++e) {
                if (flags[i_plain[e]] != 1) continue;
                const double p = evidence_from_correlation(test, members_r[next++], count - 1).p_value;
                ASSERT_TRUE(same_bits(p, p_plain[e])) << "trial " << trial << " member " << i_plain[e];
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CiEngineMatchesPlain,
                         ::testing::Values(engine_case{2, 50, 0, 0.5}, engine_case{3, 40, 1, 0.5},
                                           engine_case{8, 100, 0, 0.3}, engine_case{8, 100, 1, 0.6},
                                           engine_case{25, 200, 1, 0.2}, engine_case{25, 200, 0, 0.9},
                                           engine_case{40, 60, 1, 0.5}, engine_case{40, 45, 0, 0.95},
                                           engine_case{90, 120, 1, 0.7}, engine_case{120, 400, 0, 0.1}),
                         [](const ::testing::TestParamInfo<engine_case>& info) {
                             const engine_case& c = info.param;
                             return "vars" + std::to_string(c.n_vars) + "_cases" + std::to_string(c.n_cases) +
                                    (c.exact ? "_exact" : "_fisher") + "_members" +
                                    std::to_string(static_cast<int>(c.member_share * 100));
                         });

// A constant variable makes every matrix that holds it singular: the engine
// must report the same matrix order as the first plain test that fails.
TEST(CiEngine, ReportsTheFirstFailingTestsOrder) {
    for (int constant : {0, 2, 5}) {
        for (int target : {1, 3, 6}) {
            run_state state = random_state(7, 30, 3);
            const test_setting test = setting_of(state, 1);
            for (int k = 0; k < 30; ++k) state.data_matrix(k, constant) = 1.5f;
            DoubleMatrix cov(7, 7);
            estimate_covariance(state.data_matrix, 1, cov);
            std::vector<std::uint8_t> flags = {0, 0, 1, 0, 1, 0, 0};
            flags[target] = 0;
            int count = 0;
            for (auto f : flags) count += f;
            std::vector<double> p(6);
            std::vector<int> idx(6);
            std::string fast_message, plain_message;
            for (const auto mode : {ci_engine::grouping::always, ci_engine::grouping::never}) {
                std::string message;
                try {
                    ci_engine(test, cov, mode).test_pass(target, flags.data(), count, p.data(), idx.data());
                } catch (const fatal_error& e) {
                    message = e.what();
                }
                if (mode == ci_engine::grouping::never) {
                    EXPECT_EQ(message, fast_message);
                }
                fast_message = message;
            }
            try {
                ci_engine(test, cov).test_pass_plain(target, flags.data(), count, p.data(), idx.data());
            } catch (const fatal_error& e) {
                plain_message = e.what();
            }
            EXPECT_EQ(fast_message, plain_message) << "constant " << constant << " target " << target;
            EXPECT_FALSE(plain_message.empty());
        }
    }
}

// A deferring pass is a value: passes taken one after another each complete,
// in any order and in parts, to the p-values test_pass gives for their own target.
TEST(DeferredPass, EachPassCompletesToItsOwnPvalues) {
    const int n = 60;
    const run_state state = random_state(n, 200, 11u);
    const test_setting test = setting_of(state, 0);
    DoubleMatrix cov(n, n);
    estimate_covariance(state.data_matrix, 1, cov);
    ci_engine engine(test, cov);
    std::vector<std::uint8_t> flags(n, 0);
    flags[3] = flags[20] = 1;
    const int targets[] = {0, 7, 41};
    std::vector<pass_pvalues> passes;
    for (const int target : targets) passes.push_back(engine.test_pass_deferring(target, flags.data(), 2));
    for (int t = 2; t >= 0; --t) {
        pass_pvalues& pass = passes[static_cast<std::size_t>(t)];
        const int count = pass.deferred().count;
        ASSERT_GT(count, 2);
        std::vector<int> even, odd;
        for (int place = 0; place < count; ++place) (place % 2 == 0 ? even : odd).push_back(place);
        pass.complete(odd);
        pass.complete(even);
        std::vector<double> p(n - 1);
        std::vector<int> index(n - 1);
        engine.test_pass(targets[t], flags.data(), 2, p.data(), index.data());
        EXPECT_EQ(pass.index, index);
        for (int e = 0; e < n - 1; ++e) EXPECT_TRUE(same_bits(pass.pvalues[e], p[e])) << "target " << targets[t];
    }
}

}  // namespace
}  // namespace gaussnet
