#pragma once

#include <cstdint>
#include <vector>

#include "common/matrix.h"
#include "driver/run_state.h"

namespace gaussnet {

// With true_net 1: scores learned_graph against the moral graph per variable
// and per edge, writes both triples of rates to the console and "res.txt", and
// leaves learned_graph symmetrised. Otherwise appends the symmetrised matrix
// block to "res.txt" only and leaves learned_graph as it was.
void report_structure(const run_state& state, ByteMatrix& learned_graph);

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
