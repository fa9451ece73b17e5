#pragma once
// The moral graph of a directed graph, the truth every learned structure is
// scored against.

#include "common/matrix.h"

namespace gaussnet {

struct moralized {
    ByteMatrix graph;  // symmetric, zero diagonal
    int n_edges = 0;
};

// arcs: row = parent, column = child, 1 an arc (other values and the
// diagonal are none). Each pair joined by an arc, in either direction, or
// sharing a child, becomes one undirected edge.
moralized moralize(const ByteMatrix& arcs);

}  // namespace gaussnet
