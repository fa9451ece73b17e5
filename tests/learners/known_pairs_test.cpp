// Known pairs in one target's passes: only candidates are ranked and counted
// by the adjustment, a forbidden variable never enters, a required one is a
// member from the first pass and is never removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "learners/blanket.h"
#include "stats/ci_engine.h"
#include "stats/covariance.h"

namespace gaussnet {
namespace {

using member_set = std::vector<std::uint8_t>;

const std::vector<std::string> names = {"T", "A", "B", "C"};

TEST(KnownPairs, OnlyCandidatesAreRankedAndCounted) {
    // Every pass gives A 0.012, B 0.6, C 0.7. At alpha 0.1 (threshold 0.05)
    // IAMB2 adds A only when it is one of at most two candidates: 0.012 * 3 *
    // H(3) = 0.066, but 0.012 * 2 * H(2) = 0.036.
    struct pair_case {
        const char* name;
        std::vector<variable_pair> forbidden, required;
        member_set learned;
        member_set first_pass;
    };
    const std::vector<pair_case> cases = {
        {"none", {}, {}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"forbidden C leaves two candidates", {{0, 3}}, {}, {0, 1, 0, 0}, {0, 0, 0, 0}},
        {"forbidden A never enters", {{1, 0}}, {}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"required B stays though weak", {}, {{2, 0}}, {0, 1, 1, 0}, {0, 0, 1, 0}},
        {"pairs of other targets change nothing", {{1, 2}}, {{2, 3}}, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const pair_case& c : cases) {
        SCOPED_TRACE(c.name);
        const pair_constraints pairs(4, c.forbidden, c.required);
        learner_setting setting{{test_kind::fisher_z, 100, 0.1}, 1, names};
        setting.pairs = &pairs;
        std::vector<member_set> passes;
        blanket_learner learner(setting, 4, [&](int, const std::uint8_t* flags, int count, double* p, int* index) {
            passes.emplace_back(flags, flags + 4);
            EXPECT_EQ(count, static_cast<int>(std::count(flags, flags + 4, 1)));
            const double values[] = {0.012, 0.6, 0.7};
            for (int k = 0; k < 3; ++k) p[k] = values[k], index[k] = k + 1;
        });
        EXPECT_EQ(learner.learn(iamb_variant::adjusted, 0), c.learned);
        ASSERT_FALSE(passes.empty());
        EXPECT_EQ(passes.front(), c.first_pass);
    }
}

// A pass cut to the candidates may leave p-values deferred (Fisher's z): it
// must decide as the pass that computes every p-value.
TEST(KnownPairs, DeferredPassesCutToTheCandidatesDecideAsFullOnes) {
    constexpr int n_vars = 40, n_cases = 200;
    std::mt19937_64 rng(29);
    std::normal_distribution<double> normal;
    FloatMatrix data(n_cases, n_vars);
    for (int k = 0; k < n_cases; ++k)
        for (int v = 0; v < n_vars; ++v)
            data(k, v) = static_cast<float>(normal(rng) + (v % 3 != 0 ? 0.8 * data(k, v - 1) : 0.0));
    DoubleMatrix cov(n_vars, n_vars);
    estimate_covariance(data, 1, cov);
    std::vector<variable_pair> forbidden, required;
    for (int k = 0; k < 60; ++k) {
        const int a = static_cast<int>(rng() % n_vars), b = static_cast<int>(rng() % n_vars);
        if (a != b) (k % 4 == 0 ? required : forbidden).push_back({a, b});
    }
    std::erase_if(forbidden, [&](const variable_pair& f) {
        return std::any_of(required.begin(), required.end(), [&](const variable_pair& r) {
            return std::minmax(f.first, f.second) == std::minmax(r.first, r.second);
        });
    });
    const pair_constraints pairs(n_vars, forbidden, required);
    const std::vector<std::string> no_names;
    for (const double alpha : {0.05, 0.2}) {
        learner_setting setting{{test_kind::fisher_z, n_cases, alpha}, 1, no_names};
        setting.pairs = &pairs;
        ci_engine full_engine(setting.test, cov);
        blanket_learner deferring(setting, cov);
        blanket_learner full(setting, n_vars,
                             [&](int target, const std::uint8_t* flags, int count, double* p, int* index) {
                                 full_engine.test_pass(target, flags, count, p, index);
                             });
        for (const iamb_variant variant : {iamb_variant::adjusted, iamb_variant::plain})
            for (int target = 0; target < n_vars; ++target) {
                const member_set expected = full.learn(variant, target);
                EXPECT_EQ(deferring.learn(variant, target), expected) << "target " << target;
                for (int v = 0; v < n_vars; ++v) {
                    if (pairs.knowledge(target, v) == pair_knowledge::required) {
                        EXPECT_EQ(expected[v], 1);
                    }
                    if (pairs.knowledge(target, v) == pair_knowledge::forbidden) {
                        EXPECT_EQ(expected[v], 0);
                    }
                }
            }
    }
}

}  // namespace
}  // namespace gaussnet
