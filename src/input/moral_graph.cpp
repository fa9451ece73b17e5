// The moral graph of the true network: each pair joined by an arc, in either
// direction, or sharing a child, becomes one undirected edge.

#include <cstdint>

#include "input/read_input.h"

namespace gaussnet {

namespace {

bool married(const ByteMatrix& net, int n, int i, int j) {
    if (net(i, j) == 1 || net(j, i) == 1) return true;
    const std::uint8_t* children_i = net.row(i);
    const std::uint8_t* children_j = net.row(j);
    for (int k = 0; k < n; ++k) {
        if (k != i && k != j && children_i[k] == 1 && children_j[k] == 1) return true;
    }
    return false;
}

}  // namespace

void derive_moral_graph(run_state& state) {
    const int n = state.n_vars;
    state.moral_graph = ByteMatrix(n, n, 0);
    state.n_edges = 0;
    for (int i = 1; i < n; ++i) {
        for (int j = 0; j < i; ++j) {
            if (!married(state.true_network, n, i, j)) continue;
            state.moral_graph(i, j) = 1;
            state.moral_graph(j, i) = 1;
            ++state.n_edges;
        }
    }
}

}  // namespace gaussnet
