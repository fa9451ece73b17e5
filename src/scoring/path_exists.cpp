#include <vector>

#include "scoring/report_structure.h"

namespace gaussnet {

adjacency::adjacency(const ByteMatrix& graph) {
    const std::int64_t n = graph.rows();
    first.reserve(static_cast<std::size_t>(n) + 1);
    for (std::int64_t v = 0; v < n; ++v) {
        first.push_back(static_cast<std::int64_t>(neighbours.size()));
        const std::uint8_t* row = graph.row(v);
        for (std::int64_t u = 0; u < graph.cols(); ++u)
            if (row[u] == 1) neighbours.push_back(static_cast<int>(u));
    }
    first.push_back(static_cast<std::int64_t>(neighbours.size()));
}

// An explicit stack of (vertex, next neighbour to look at) keeps the order of
// the recursive search: ascending neighbour index, and a vertex's later
// neighbours only after the earlier neighbour's whole subtree.
bool path_exists(int from, int to, const std::uint8_t* blocked, std::uint8_t* visited, const adjacency& graph) {
    if (from == to) return true;
    struct frame {
        int vertex;
        std::int64_t next;
    };
    std::vector<frame> stack;
    visited[from] = 1;
    stack.push_back({from, graph.first[from]});
    while (!stack.empty()) {
        frame& top = stack.back();
        const std::int64_t end = graph.first[top.vertex + 1];
        std::int64_t at = top.next;
        while (at < end && (blocked[graph.neighbours[at]] != 0 || visited[graph.neighbours[at]] != 0)) ++at;
        if (at == end) {
            stack.pop_back();
            continue;
        }
        top.next = at + 1;
        const int v = graph.neighbours[at];
        if (v == to) return true;
        visited[v] = 1;
        stack.push_back({v, graph.first[v]});
    }
    return false;
}

bool path_exists(int from, int to, const std::uint8_t* blocked, std::uint8_t* visited, const ByteMatrix& graph) {
    return path_exists(from, to, blocked, visited, adjacency(graph));
}

}  // namespace gaussnet
