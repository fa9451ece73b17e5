#pragma once
// What a local run looked at: the edges of its neighbourhood.

#include <vector>

#include "scoring/report_structure.h"

namespace gaussnet {

// The neighbourhood a local run learned, by ring number: 0 for a variable
// never reached, 1 for the target, i + 1 for one first found in a blanket of
// ring i. The blankets of rings 1 to radius were learned.
struct local_scope {
    int target;
    int radius;
    std::vector<int> ring;

    bool learned(int v) const { return ring[v] >= 1 && ring[v] <= radius; }
};

// A local run's missed edges where it learned a blanket at one end: the
// edges it looked for. Found and false edges always have such an end.
// Without a local scope, all the edges.
std::vector<scored_edge> within_scope(const std::vector<scored_edge>& edges, const local_scope* local);

}  // namespace gaussnet
