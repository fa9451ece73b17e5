// The moral graph of a directed graph: each pair joined by an arc, in either
// direction, or sharing a child, becomes one undirected edge.

#include <cstdint>
#include <vector>

#include "scoring/moral_graph.h"

namespace gaussnet {

namespace {

void marry(ByteMatrix& moral, int i, int j) {
    moral(i, j) = 1;
    moral(j, i) = 1;
}

}  // namespace

// Arcs first, then every two parents of each child (a variable's arc to
// itself makes it no parent): the work grows with the parents, not with n^3.
moralized moralize(const ByteMatrix& net) {
    const int n = static_cast<int>(net.rows());
    moralized moral{ByteMatrix(n, n, 0), 0};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && net(i, j) == 1) marry(moral.graph, i, j);
    std::vector<int> parents;
    for (int child = 0; child < n; ++child) {
        parents.clear();
        for (int i = 0; i < n; ++i)
            if (i != child && net(i, child) == 1) parents.push_back(i);
        for (std::size_t a = 0; a < parents.size(); ++a)
            for (std::size_t b = a + 1; b < parents.size(); ++b) marry(moral.graph, parents[a], parents[b]);
    }
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) moral.n_edges += moral.graph(i, j);
    return moral;
}

}  // namespace gaussnet
