#include "scoring/local_scope.h"

namespace gaussnet {

std::vector<scored_edge> within_scope(const std::vector<scored_edge>& edges, const local_scope* local) {
    if (local == nullptr) return edges;
    std::vector<scored_edge> kept;
    for (const scored_edge& edge : edges)
        if (edge.status != edge_status::fn || local->learned(edge.source) || local->learned(edge.target))
            kept.push_back(edge);
    return kept;
}

}  // namespace gaussnet
