// The moral graph of random networks (arcs both ways, self-arcs, dense and
// sparse) against the definition itself: married when joined by an arc in
// either direction or when both are parents of some third variable.
#include <gtest/gtest.h>

#include <random>

#include "scoring/moral_graph.h"

namespace gaussnet {
namespace {

TEST(MoralGraphRandom, MatchesTheDefinition) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 60; ++trial) {
        const int n = 1 + static_cast<int>(rng() % 25);
        const double density = (trial % 3 + 1) * 0.1;
        ByteMatrix net(n, n, 0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) net(i, j) = std::bernoulli_distribution(density)(rng);
        const moralized moral = moralize(net);
        int edges = 0;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(moral.graph(i, i), 0);
            for (int j = 0; j < n; ++j) {
                if (i == j) continue;
                bool married = net(i, j) == 1 || net(j, i) == 1;
                for (int k = 0; k < n && !married; ++k) married = k != i && k != j && net(i, k) == 1 && net(j, k) == 1;
                EXPECT_EQ(moral.graph(i, j), married ? 1 : 0) << "trial " << trial << " pair " << i << "," << j;
                if (married && j < i) ++edges;
            }
        }
        EXPECT_EQ(moral.n_edges, edges);
    }
}

}  // namespace
}  // namespace gaussnet
