#include <vector>

#include "evaluation/report_structure.h"

namespace gaussnet {

// Depth first with an explicit stack of (vertex, next neighbour to look at), so
// that the order of expansion is that of the recursive search: ascending
// neighbour index, and a vertex's later neighbours only after the earlier
// neighbour's whole subtree.
bool path_exists(int from, int to, const std::uint8_t* blocked, std::uint8_t* visited, const ByteMatrix& graph) {
    if (from == to) return true;
    const int n = static_cast<int>(graph.rows());
    struct frame {
        int vertex;
        int next;
    };
    std::vector<frame> stack;
    visited[from] = 1;
    stack.push_back({from, 0});
    while (!stack.empty()) {
        frame& top = stack.back();
        const std::uint8_t* row = graph.row(top.vertex);
        int v = top.next;
        while (v < n && !(row[v] == 1 && blocked[v] == 0 && visited[v] == 0)) ++v;
        if (v == n) {
            stack.pop_back();
            continue;
        }
        top.next = v + 1;
        if (v == to) return true;
        visited[v] = 1;
        stack.push_back({v, 0});
    }
    return false;
}

}  // namespace gaussnet
