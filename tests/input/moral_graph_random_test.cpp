// The moral graph of random networks (arcs both ways, self-arcs, dense and
// sparse) against the definition itself: married when joined by an arc in
// either direction or when both are parents of some third variable.
#include <gtest/gtest.h>

#include <random>

#include "input/read_input.h"

namespace gaussnet {
namespace {

TEST(MoralGraphRandom, MatchesTheDefinition) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 60; ++trial) {
        const int n = 1 + static_cast<int>(rng() % 25);
        const double density = (trial % 3 + 1) * 0.1;
        run_state state;
        state.n_vars = n;
        state.true_network = ByteMatrix(n, n, 0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) state.true_network(i, j) = std::bernoulli_distribution(density)(rng);
        derive_moral_graph(state);
        const ByteMatrix& net = state.true_network;
        int edges = 0;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(state.moral_graph(i, i), 0);
            for (int j = 0; j < n; ++j) {
                if (i == j) continue;
                bool married = net(i, j) == 1 || net(j, i) == 1;
                for (int k = 0; k < n && !married; ++k) married = k != i && k != j && net(i, k) == 1 && net(j, k) == 1;
                EXPECT_EQ(state.moral_graph(i, j), married ? 1 : 0) << "trial " << trial << " pair " << i << "," << j;
                if (married && j < i) ++edges;
            }
        }
        EXPECT_EQ(state.n_edges, edges);
    }
}

}  // namespace
}  // namespace gaussnet
