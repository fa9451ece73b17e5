#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/matrix.h"
#include "gaussnet/vocabulary.h"

namespace gaussnet {

struct rate_triple {
    double tpr = 0;   // share of the truth found
    double fdr = 0;   // share of learned items that are false
    double fdr2 = 0;  // share that are false and separated by the other learned neighbours
};

using api::edge_status;
using api::status_text;

// An undirected edge, source < target in variable order. `separated` only
// for an fp edge: the moral graph separates its ends given the other learned
// neighbours of either end.
struct scored_edge {
    int source;
    int target;
    edge_status status;
    bool separated;
};

struct structure_scores {
    rate_triple per_variable;  // each learned blanket (row) against the moral neighbours
    rate_triple per_edge;      // the learned undirected graph against the moral graph
    // tp and fp edges (the learned ones) and fn edges, in (source, target) order.
    std::vector<scored_edge> edges;
};

// Scores the learned rows against the moral graph per variable and per edge
// (a pair is a learned edge when either row lists the other).
structure_scores score_structure(const ByteMatrix& learned_rows, const ByteMatrix& moral_graph, int n_edges,
                                 int n_threads);

// The learned undirected edges without a truth to score them by (status learned).
std::vector<scored_edge> learned_edges(const ByteMatrix& learned_rows);

// The union of the learned matrix and its transpose as the result log's
// block: three line feeds, then one line of digits per variable.
std::string matrix_block(const ByteMatrix& learned_rows);

// A graph's neighbours in ascending index order (cells that are exactly 1).
struct adjacency {
    std::vector<std::int64_t> first;  // neighbours of v: neighbours[first[v] .. first[v + 1])
    std::vector<int> neighbours;

    explicit adjacency(const ByteMatrix& graph);
};

// Depth-first search in graph from `from` to `to` that never enters a blocked
// vertex; marks every vertex it enters in visited. Expands neighbours in
// ascending index order with an explicit stack (no recursion depth limit).
bool path_exists(int from, int to, const std::uint8_t* blocked, std::uint8_t* visited, const adjacency& graph);
bool path_exists(int from, int to, const std::uint8_t* blocked, std::uint8_t* visited, const ByteMatrix& graph);

}  // namespace gaussnet
