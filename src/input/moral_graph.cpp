// The moral graph of the true network: each pair joined by an arc, in either
// direction, or sharing a child, becomes one undirected edge.

#include <cstdint>
#include <vector>

#include "input/read_input.h"

namespace gaussnet {

namespace {

void marry(ByteMatrix& moral, int i, int j) {
    moral(i, j) = 1;
    moral(j, i) = 1;
}

}  // namespace

// Arcs first, then every two parents of each child (a variable's arc to
// itself makes it no parent): the work grows with the parents, not with n^3.
void derive_moral_graph(run_state& state) {
    const int n = state.n_vars;
    const ByteMatrix& net = state.true_network;
    state.moral_graph = ByteMatrix(n, n, 0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && net(i, j) == 1) marry(state.moral_graph, i, j);
    std::vector<int> parents;
    for (int child = 0; child < n; ++child) {
        parents.clear();
        for (int i = 0; i < n; ++i)
            if (i != child && net(i, child) == 1) parents.push_back(i);
        for (std::size_t a = 0; a < parents.size(); ++a)
            for (std::size_t b = a + 1; b < parents.size(); ++b) marry(state.moral_graph, parents[a], parents[b]);
    }
    state.n_edges = 0;
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) state.n_edges += state.moral_graph(i, j);
}

}  // namespace gaussnet
