// The bootstrap's tally against a slow path that learns each resample alone,
// one thread, in order: for every learner, both ways of running resamples in
// parallel, and data on which some resamples cannot be learned.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bootstrap/bootstrap.h"
#include "bootstrap/resample.h"
#include "common/random.h"
#include "learners/edge_exclusion.h"
#include "learners/iamb.h"
#include "stats/cholesky.h"
#include "stats/covariance.h"

namespace gaussnet {
namespace {

// A chain: each variable is 0.6 times the one before plus unit noise.
FloatMatrix chain_data(int n_cases, int n_vars) {
    splitmix64 seeder(17);
    xoshiro256ss rng(seeder);
    normal_sampler normal;
    FloatMatrix data(n_cases, n_vars);
    for (int k = 0; k < n_cases; ++k)
        for (int j = 0; j < n_vars; ++j)
            data(k, j) = static_cast<float>((j > 0 ? 0.6 * data(k, j - 1) : 0.0) + normal.next(rng));
    return data;
}

learner_setting quiet_setting(int n_cases, int threads) {
    learner_setting setting;
    setting.test = test_setting{test_kind::fisher_z, n_cases, 0.05};
    setting.n_threads = threads;
    return setting;
}

resample_learner learner_named(const std::string& name) {
    if (name == "EE") return edge_exclusion;
    const iamb_variant variant = name == "IAMB2" ? iamb_variant::adjusted : iamb_variant::plain;
    return [variant](const learner_setting& s, const DoubleMatrix& c) { return run_iamb(s, variant, c); };
}

// Each resample on its own: drawn, estimated and learned on one thread, its
// pairs counted straight from the rows.
edge_tally slow_tally(const bootstrap_request& request, const FloatMatrix& data, const resample_learner& learn) {
    const int n = static_cast<int>(data.cols());
    edge_tally tally;
    tally.n_vars = n;
    const learner_setting setting = quiet_setting(static_cast<int>(data.rows()), 1);
    for (int i = 0; i < request.resamples; ++i) {
        FloatMatrix cases;
        draw_resample(data, request.seed, i, cases);
        DoubleMatrix cov(n, n);
        estimate_covariance(cases, 1, cov);
        try {
            const learned_structure learned = learn(setting, cov);
            for (int j = 0; j < n; ++j)
                for (int k = j + 1; k < n; ++k)
                    if (learned.graph(j, k) == 1 || learned.graph(k, j) == 1) ++tally.counts[j * n + k];
            ++tally.finished;
        } catch (const singular_matrix_error&) {
            ++tally.failed;
        }
    }
    return tally;
}

struct bootstrap_case {
    std::string learner;
    int n_cases;
    int n_vars;
    bool some_fail;  // too few distinct cases in many resamples
};

class BootstrapTally : public ::testing::TestWithParam<bootstrap_case> {};

TEST_P(BootstrapTally, MatchesEachResampleLearnedAlone) {
    const bootstrap_case& c = GetParam();
    const FloatMatrix data = chain_data(c.n_cases, c.n_vars);
    const bootstrap_request request{30, 4, 0.5};
    const resample_learner learn = learner_named(c.learner);
    const edge_tally expected = slow_tally(request, data, learn);
    EXPECT_EQ(expected.finished + expected.failed, request.resamples);
    EXPECT_EQ(expected.failed > 0, c.some_fail);
    EXPECT_GT(expected.finished, 0);
    // Plenty of memory: resamples side by side; none: one at a time, targets in parallel.
    for (const std::int64_t memory : {std::int64_t{1} << 40, std::int64_t{0}})
        for (const int threads : {1, 3}) {
            SCOPED_TRACE("threads " + std::to_string(threads) + ", memory " + std::to_string(memory));
            const learner_setting setting = quiet_setting(c.n_cases, threads);
            const edge_tally tally = run_bootstrap(request, data, setting, learn, nullptr, "test", memory);
            EXPECT_EQ(tally.counts, expected.counts);
            EXPECT_EQ(tally.finished, expected.finished);
            EXPECT_EQ(tally.failed, expected.failed);
        }
    // Most frequent first, then in variable order; the consensus is what reaches the threshold.
    const std::vector<edge_frequency> frequencies = edge_frequencies(expected);
    for (std::size_t e = 1; e < frequencies.size(); ++e) {
        const edge_frequency& a = frequencies[e - 1];
        const edge_frequency& b = frequencies[e];
        EXPECT_TRUE(a.count > b.count ||
                    (a.count == b.count && (a.source < b.source || (a.source == b.source && a.target < b.target))));
    }
    const ByteMatrix consensus = consensus_graph(frequencies, c.n_vars, request.threshold);
    for (const edge_frequency& e : frequencies)
        EXPECT_EQ(consensus(e.source, e.target) == 1, 2 * e.count >= expected.finished);
}

INSTANTIATE_TEST_SUITE_P(Learners, BootstrapTally,
                         ::testing::Values(bootstrap_case{"EE", 60, 8, false}, bootstrap_case{"IAMB2", 60, 8, false},
                                           bootstrap_case{"IAMB1", 60, 8, false}, bootstrap_case{"EE", 7, 5, true}),
                         [](const ::testing::TestParamInfo<bootstrap_case>& info) {
                             return info.param.learner + "_" + std::to_string(info.param.n_cases) + "cases";
                         });

// The draws docs/bootstrap.md gives for seed 1 and 10 cases: they may never change.
TEST(Resample, DrawsTheDocumentedCases) {
    FloatMatrix data(10, 1);
    for (int k = 0; k < 10; ++k) data(k, 0) = static_cast<float>(k);
    const std::vector<std::vector<float>> documented = {{5, 2, 9, 3, 4, 9, 0, 3, 2, 9}, {1, 9, 3, 3, 0, 8, 2, 3, 3, 3}};
    for (int i = 0; i < 2; ++i) {
        FloatMatrix cases;
        draw_resample(data, 1, i, cases);
        EXPECT_EQ(std::vector<float>(cases.data(), cases.data() + 10), documented[static_cast<std::size_t>(i)]);
    }
}

}  // namespace
}  // namespace gaussnet
