// Pairs known beforehand, through the library: every learner, the local run
// and the bootstrap leave a forbidden pair unjoined and join a required one,
// at every thread count; bad lists are input errors naming the pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "gaussnet/gaussnet.h"

namespace gaussnet::api {
namespace {

constexpr int n_vars = 20, n_cases = 300;

struct sample {
    simulation sim = simulate({n_vars, n_cases, 2.0, 0.5, 1.0, 1.0, 5});
    data_view view() const { return {{sim.data.data(), element_type::float32, n_cases, n_vars, n_vars, 1}, sim.names}; }
};

bool joined(const std::vector<edge>& edges, int a, int b) {
    return std::any_of(edges.begin(), edges.end(), [&](const edge& e) {
        return e.status != edge_status::fn && std::minmax(a, b) == std::minmax(e.source, e.target);
    });
}

bool lists(const run_result& run, int a, int b) {
    const auto& blanket = run.blankets[static_cast<std::size_t>(a)];
    return std::find(blanket.begin(), blanket.end(), b) != blanket.end();
}

// A pair every learner joins without knowledge (to forbid) and one none joins (to require).
struct known_pairs {
    std::pair<int, int> forbidden{-1, -1}, required{-1, -1};
};

known_pairs pick_pairs(const sample& s) {
    const std::vector<run_result> plain = learn(s.view(), {});
    known_pairs picked;
    for (int a = 0; a < n_vars; ++a)
        for (int b = a + 1; b < n_vars; ++b) {
            const bool all =
                std::all_of(plain.begin(), plain.end(), [&](const auto& r) { return joined(r.edges, a, b); });
            const bool none =
                std::none_of(plain.begin(), plain.end(), [&](const auto& r) { return joined(r.edges, a, b); });
            if (all && picked.forbidden.first < 0) picked.forbidden = {a, b};
            if (none && picked.required.first < 0) picked.required = {a, b};
        }
    return picked;
}

settings with_pairs(const sample& s, const known_pairs& pairs, int threads) {
    settings options;
    options.threads = threads;
    const auto named = [&](std::pair<int, int> p) {
        return std::make_pair(s.sim.names[p.first], s.sim.names[p.second]);
    };
    options.forbid = {named(pairs.forbidden)};
    options.require = {named(pairs.required)};
    return options;
}

TEST(PairKnowledge, EveryLearnerAndTheBootstrapKeepTheLists) {
    const sample s;
    const known_pairs pairs = pick_pairs(s);
    ASSERT_GE(pairs.forbidden.first, 0);
    ASSERT_GE(pairs.required.first, 0);
    const auto [fa, fb] = pairs.forbidden;
    const auto [ra, rb] = pairs.required;
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        settings options = with_pairs(s, pairs, threads);
        std::vector<run_result> runs = learn(s.view(), options);
        options.local_target = s.sim.names[ra];
        options.local_radius = 2;
        runs.push_back(local(s.view(), options));
        for (const run_result& run : runs) {
            SCOPED_TRACE(run.learner);
            EXPECT_FALSE(joined(run.edges, fa, fb));
            EXPECT_TRUE(joined(run.edges, ra, rb));
            EXPECT_TRUE(lists(run, ra, rb) && lists(run, rb, ra));
            EXPECT_FALSE(lists(run, fa, fb) || lists(run, fb, fa));
        }
        const bootstrap_result boot = bootstrap(s.view(), options, {6, 3, 0.5, learner_kind::iamb1, false});
        for (const edge_strength& e : boot.strength) {
            EXPECT_NE(std::minmax(e.source, e.target), std::minmax(fa, fb));
            if (std::minmax(e.source, e.target) == std::minmax(ra, rb)) {
                EXPECT_EQ(e.frequency, 1.0);
            }
        }
        EXPECT_TRUE(joined(boot.consensus.edges, ra, rb));
    }
}

TEST(PairKnowledge, BadListsAreInputErrorsNamingThePair) {
    const sample s;
    const std::string a = s.sim.names[0], b = s.sim.names[1];
    struct bad_case {
        std::vector<std::pair<std::string, std::string>> forbid, require;
        std::string message;
    };
    const std::vector<bad_case> cases = {
        {{{a, b}, {a, "nope"}}, {}, "forbid, pair 2: no variable named \"nope\"."},
        {{}, {{b, b}}, "require, pair 1: variable \"" + b + "\" is paired with itself."},
        {{{a, b}},
         {{b, a}},
         "The pair " + b + ", " + a + " is both forbidden (forbid, pair 1) and required (require, pair 1)."},
    };
    for (const bad_case& c : cases) {
        settings options;
        options.forbid = c.forbid;
        options.require = c.require;
        try {
            learn(s.view(), options);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const input_error& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
    // More required partners than the cases can test: the error names the variable.
    const std::vector<double> few(6 * 5, 0.0);
    settings crowded;
    for (int v = 1; v < 5; ++v) crowded.require.push_back({"X1", "X" + std::to_string(v + 1)});
    try {
        learn({{few.data(), element_type::float64, 6, 5, 5, 1}, {}}, crowded);
        ADD_FAILURE() << "no error";
    } catch (const input_error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Variable X1 has 4 required neighbours, too many for 6 cases:", 0),
                  0u)
            << error.what();
    }
}

}  // namespace
}  // namespace gaussnet::api
