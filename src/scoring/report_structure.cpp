#include "scoring/report_structure.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/parallel.h"

namespace gaussnet {

namespace {

// Per-thread scratch for the separation searches.
struct search_scratch {
    std::vector<std::uint8_t> blocked;
    std::vector<std::uint8_t> visited;
    explicit search_scratch(int n) : blocked(n), visited(n) {}
};

// Whether a search from `from` to a goal reaches it depends only on the set
// of vertices the search can enter. With every learned neighbour of `from`
// blocked, that set is the same for all of the goals among them: a path to
// goal l that avoids the other learned neighbours enters only vertices of
// that set before its last step. So one search per variable, then a look at
// each goal's moral neighbours, gives every search's answer.
void reach_avoiding_learned(int from, const std::uint8_t* learned_row, const adjacency& moral,
                            search_scratch& scratch) {
    const std::size_t n = scratch.visited.size();
    for (std::size_t h = 0; h < n; ++h) scratch.blocked[h] = learned_row[h] == 1 ? 1 : 0;
    std::fill(scratch.visited.begin(), scratch.visited.end(), 0);
    path_exists(from, -1, scratch.blocked.data(), scratch.visited.data(), moral);  // no goal: marks all
}

// After reach_avoiding_learned: is there a path to goal (a learned neighbour
// of the search's start that is not its moral neighbour) avoiding the others?
bool reached_next_to(int goal, const adjacency& moral, const std::vector<std::uint8_t>& reached) {
    for (std::int64_t at = moral.first[goal]; at < moral.first[goal + 1]; ++at)
        if (reached[moral.neighbours[at]] != 0) return true;
    return false;
}

// True, false-but-linked and false-and-separated members of one variable.
struct member_counts {
    int tp = 0, fp = 0, fl = 0, fs = 0, degree = 0;
};

member_counts count_members(const ByteMatrix& moral_graph, const ByteMatrix& learned, const adjacency& moral, int i,
                            search_scratch& scratch) {
    const int n = static_cast<int>(learned.rows());
    member_counts c;
    const std::uint8_t* row = learned.row(i);
    bool searched = false;
    for (int l = 0; l < n; ++l) {
        if (row[l] != 1) continue;
        if (moral_graph(i, l) == 1) {
            ++c.tp;
            continue;
        }
        ++c.fp;
        if (!searched) reach_avoiding_learned(i, row, moral, scratch);
        searched = true;
        if (reached_next_to(l, moral, scratch.visited)) ++c.fl;
        else ++c.fs;
    }
    for (int l = 0; l < n; ++l) c.degree += moral_graph(i, l);
    return c;
}

// The variables are counted in parallel; their terms are summed in variable order.
rate_triple per_variable_rates(const ByteMatrix& moral_graph, const ByteMatrix& learned, const adjacency& moral,
                               std::vector<search_scratch>& scratch) {
    const int n = static_cast<int>(learned.rows());
    std::vector<member_counts> counts(static_cast<std::size_t>(n));
    parallel_for(static_cast<int>(scratch.size()), n, [&](std::int64_t i, int thread) {
        counts[i] = count_members(moral_graph, learned, moral, static_cast<int>(i), scratch[thread]);
    });
    double tpr_sum = 0;
    double fdr_sum = 0;
    double fdr2_sum = 0;
    for (const member_counts& c : counts) {
        if (c.degree > 0) tpr_sum += static_cast<double>(c.tp) / c.degree;
        if (c.fp > 0) fdr_sum += static_cast<double>(c.fp) / (c.fp + c.tp);
        if (c.fs > 0) fdr2_sum += static_cast<double>(c.fs) / (c.fs + c.fl + c.tp);
    }
    return {tpr_sum / n, fdr_sum / n, fdr2_sum / n};
}

ByteMatrix symmetrised(const ByteMatrix& learned) {
    const std::int64_t n = learned.rows();
    ByteMatrix result = learned;
    for (std::int64_t j = 0; j < n; ++j)
        for (std::int64_t k = 0; k < n; ++k)
            if (learned(j, k) == 1) result(k, j) = 1;
    return result;
}

// The false edges {m, j} (m < j) of row j, as indices into its list, that the
// first search leaves open.
struct row_edges {
    std::vector<scored_edge> edges;
    std::vector<std::size_t> unsettled;
};

// Edges {m, j} with m < j. A false edge is linked when a path from j to m
// avoids j's other learned neighbours, or else one that avoids m's; the
// second search is the same as one from m to j.
row_edges classify_row(const ByteMatrix& moral_graph, const ByteMatrix& learned, const adjacency& moral, int j,
                       search_scratch& scratch) {
    row_edges row;
    bool searched = false;
    for (int m = 0; m < j; ++m) {
        if (learned(j, m) != 1) continue;
        if (moral_graph(j, m) == 1) {
            row.edges.push_back({m, j, edge_status::tp, false});
            continue;
        }
        if (!searched) reach_avoiding_learned(j, learned.row(j), moral, scratch);
        searched = true;
        if (!reached_next_to(m, moral, scratch.visited)) row.unsettled.push_back(row.edges.size());
        row.edges.push_back({m, j, edge_status::fp, false});
    }
    return row;
}

// The second search of the edges {m, j} that the first left open, for one m:
// from m, avoiding m's learned neighbours, towards each j.
void settle_edges_to(const ByteMatrix& learned, const adjacency& moral, int m, std::vector<scored_edge*>& open,
                     search_scratch& scratch) {
    if (open.empty()) return;
    reach_avoiding_learned(m, learned.row(m), moral, scratch);
    for (scored_edge* edge : open) edge->separated = !reached_next_to(edge->target, moral, scratch.visited);
}

// Every learned edge with its verdict, in (source, target) order.
std::vector<scored_edge> classify_learned_edges(const ByteMatrix& moral_graph, const ByteMatrix& learned,
                                                const adjacency& moral, std::vector<search_scratch>& scratch) {
    const int n = static_cast<int>(learned.rows());
    std::vector<row_edges> rows(static_cast<std::size_t>(n));
    parallel_for(static_cast<int>(scratch.size()), n, [&](std::int64_t j, int thread) {
        rows[j] = classify_row(moral_graph, learned, moral, static_cast<int>(j), scratch[thread]);
    });
    std::vector<std::vector<scored_edge*>> open(static_cast<std::size_t>(n));
    for (row_edges& row : rows)
        for (const std::size_t at : row.unsettled) open[row.edges[at].source].push_back(&row.edges[at]);
    parallel_for(static_cast<int>(scratch.size()), n, [&](std::int64_t m, int thread) {
        settle_edges_to(learned, moral, static_cast<int>(m), open[m], scratch[thread]);
    });
    std::vector<scored_edge> edges;
    for (const row_edges& row : rows) edges.insert(edges.end(), row.edges.begin(), row.edges.end());
    return edges;
}

rate_triple per_edge_rates(const std::vector<scored_edge>& edges, int n_edges) {
    long long tp = 0, fp = 0, fs = 0;
    for (const scored_edge& edge : edges) {
        if (edge.status == edge_status::tp) ++tp;
        if (edge.status == edge_status::fp) ++fp;
        if (edge.status == edge_status::fp && edge.separated) ++fs;
    }
    // Both false rates are shares of the learned edges (separated + linked + true).
    rate_triple r;
    if (n_edges != 0) r.tpr = static_cast<double>(tp) / n_edges;
    if (fp != 0) r.fdr = static_cast<double>(fp) / static_cast<double>(fp + tp);
    if (fs != 0) r.fdr2 = static_cast<double>(fs) / static_cast<double>(fp + tp);
    return r;
}

bool by_ends(const scored_edge& a, const scored_edge& b) {
    return a.source != b.source ? a.source < b.source : a.target < b.target;
}

// The moral graph's edges that were not learned.
void add_missed_edges(const ByteMatrix& moral_graph, const ByteMatrix& learned, std::vector<scored_edge>& edges) {
    const int n = static_cast<int>(learned.rows());
    for (int s = 0; s < n; ++s)
        for (int t = s + 1; t < n; ++t)
            if (moral_graph(s, t) == 1 && learned(s, t) != 1) edges.push_back({s, t, edge_status::fn, false});
}

}  // namespace

structure_scores score_structure(const ByteMatrix& learned_rows, const ByteMatrix& moral_graph, int n_edges,
                                 int n_threads) {
    const int n = static_cast<int>(learned_rows.rows());
    const adjacency moral(moral_graph);
    std::vector<search_scratch> scratch(static_cast<std::size_t>(std::max(1, n_threads)), search_scratch(n));
    structure_scores scores;
    scores.per_variable = per_variable_rates(moral_graph, learned_rows, moral, scratch);
    const ByteMatrix learned = symmetrised(learned_rows);
    scores.edges = classify_learned_edges(moral_graph, learned, moral, scratch);
    scores.per_edge = per_edge_rates(scores.edges, n_edges);
    add_missed_edges(moral_graph, learned, scores.edges);
    std::sort(scores.edges.begin(), scores.edges.end(), by_ends);
    return scores;
}

std::vector<scored_edge> learned_edges(const ByteMatrix& learned_rows) {
    const std::int64_t n = learned_rows.rows();
    std::vector<scored_edge> edges;
    for (std::int64_t s = 0; s < n; ++s)
        for (std::int64_t t = s + 1; t < n; ++t)
            if (learned_rows(s, t) == 1 || learned_rows(t, s) == 1)
                edges.push_back({static_cast<int>(s), static_cast<int>(t), edge_status::learned, false});
    return edges;
}

std::string matrix_block(const ByteMatrix& learned_rows) {
    const std::int64_t n = learned_rows.rows();
    std::string block = "\n\n\n";
    block.reserve(block.size() + static_cast<std::size_t>(n) * (static_cast<std::size_t>(n) + 1));
    for (std::int64_t i = 0; i < n; ++i) {
        for (std::int64_t j = 0; j < n; ++j) block += (learned_rows(i, j) == 1 || learned_rows(j, i) == 1) ? '1' : '0';
        block += '\n';
    }
    return block;
}

}  // namespace gaussnet
