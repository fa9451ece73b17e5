#include "evaluation/report_structure.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/parallel.h"
#include "common/text.h"
#include "evaluation/result_log.h"

namespace gaussnet {

namespace {

// The union of the learned matrix and its transpose, as digit lines.
void write_matrix_block(const run_state& state, const ByteMatrix& learned_graph) {
    const int n = state.n_vars;
    std::string block = "\n\n\n";
    block.reserve(block.size() + static_cast<std::size_t>(n) * (static_cast<std::size_t>(n) + 1));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) block += (learned_graph(i, j) == 1 || learned_graph(j, i) == 1) ? '1' : '0';
        block += '\n';
    }
    append_to_log(block);
}

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
void reach_avoiding_learned(int from, const std::uint8_t* learned_row, const adjacency& moral, search_scratch& scratch) {
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

struct rates {
    double tpr;
    double fdr;
    double fdr2;
};

void write_rates(const char* format, const rates& r) {
    const std::string text = strprintf(format, r.tpr, r.fdr, r.fdr2);
    print_console(text);
    append_to_log(text);
}

// True, false-but-linked and false-and-separated members of one variable.
struct member_counts {
    int tp = 0, fp = 0, fl = 0, fs = 0, degree = 0;
};

member_counts count_members(const run_state& state, const ByteMatrix& learned, const adjacency& moral, int i,
                            search_scratch& scratch) {
    const int n = state.n_vars;
    member_counts c;
    const std::uint8_t* row = learned.row(i);
    bool searched = false;
    for (int l = 0; l < n; ++l) {
        if (row[l] != 1) continue;
        if (state.moral_graph(i, l) == 1) {
            ++c.tp;
            continue;
        }
        ++c.fp;
        if (!searched) reach_avoiding_learned(i, row, moral, scratch);
        searched = true;
        if (reached_next_to(l, moral, scratch.visited)) ++c.fl; else ++c.fs;
    }
    for (int l = 0; l < n; ++l) c.degree += state.moral_graph(i, l);
    return c;
}

// The variables are counted in parallel; their terms are summed in variable order.
rates per_variable_rates(const run_state& state, const ByteMatrix& learned, const adjacency& moral,
                         std::vector<search_scratch>& scratch) {
    const int n = state.n_vars;
    std::vector<member_counts> counts(static_cast<std::size_t>(n));
    parallel_for(state.n_threads, n, [&](std::int64_t i, int thread) {
        counts[i] = count_members(state, learned, moral, static_cast<int>(i), scratch[thread]);
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

void symmetrise(ByteMatrix& learned, int n) {
    for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
            if (learned(j, k) == 1) learned(k, j) = 1;
}

struct edge_counts {
    long long tp = 0, fp = 0, fl = 0, fs = 0;
};

// Edges {j, m} with m < j. A false edge is linked when a path from j to m
// avoids j's other learned neighbours, or else one that avoids m's; the
// second search is the same as one from m to j. `unsettled` receives the
// false edges the first search leaves open, as the m of each.
edge_counts count_edges_from(const run_state& state, const ByteMatrix& learned, const adjacency& moral, int j,
                             search_scratch& scratch, std::vector<int>& unsettled) {
    edge_counts c;
    bool searched = false;
    for (int m = 0; m < j; ++m) {
        if (learned(j, m) != 1) continue;
        if (state.moral_graph(j, m) == 1) {
            ++c.tp;
            continue;
        }
        ++c.fp;
        if (!searched) reach_avoiding_learned(j, learned.row(j), moral, scratch);
        searched = true;
        if (reached_next_to(m, moral, scratch.visited)) ++c.fl; else unsettled.push_back(m);
    }
    return c;
}

// The second search of the edges {j, m} that the first left open, for one m:
// from m, avoiding m's learned neighbours, towards each j.
edge_counts settle_edges_to(const ByteMatrix& learned, const adjacency& moral, int m, const std::vector<int>& ends,
                            search_scratch& scratch) {
    edge_counts c;
    if (ends.empty()) return c;
    reach_avoiding_learned(m, learned.row(m), moral, scratch);
    for (const int j : ends)
        if (reached_next_to(j, moral, scratch.visited)) ++c.fl; else ++c.fs;
    return c;
}

rates per_edge_rates(const run_state& state, const ByteMatrix& learned, const adjacency& moral,
                     std::vector<search_scratch>& scratch) {
    const int n = state.n_vars;
    std::vector<edge_counts> counts(static_cast<std::size_t>(n));
    std::vector<std::vector<int>> unsettled(static_cast<std::size_t>(n));
    parallel_for(state.n_threads, n, [&](std::int64_t j, int thread) {
        counts[j] = count_edges_from(state, learned, moral, static_cast<int>(j), scratch[thread], unsettled[j]);
    });
    std::vector<std::vector<int>> ends(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j)
        for (const int m : unsettled[j]) ends[m].push_back(j);
    std::vector<edge_counts> settled(static_cast<std::size_t>(n));
    parallel_for(state.n_threads, n, [&](std::int64_t m, int thread) {
        settled[m] = settle_edges_to(learned, moral, static_cast<int>(m), ends[m], scratch[thread]);
    });
    counts.insert(counts.end(), settled.begin(), settled.end());
    edge_counts total;
    for (const edge_counts& c : counts) {
        total.tp += c.tp;
        total.fp += c.fp;
        total.fl += c.fl;
        total.fs += c.fs;
    }
    rates r{0, 0, 0};
    if (state.n_edges != 0) r.tpr = static_cast<double>(total.tp) / state.n_edges;
    if (total.fp != 0) r.fdr = static_cast<double>(total.fp) / static_cast<double>(total.fp + total.tp);
    if (total.fs != 0) r.fdr2 = static_cast<double>(total.fs) / static_cast<double>(total.fs + total.fl + total.tp);
    return r;
}

}  // namespace

void report_structure(const run_state& state, ByteMatrix& learned_graph) {
    if (state.true_net != 1) {
        write_matrix_block(state, learned_graph);
        return;
    }
    const int n = state.n_vars;
    const adjacency moral(state.moral_graph);
    std::vector<search_scratch> scratch(static_cast<std::size_t>(std::max(1, state.n_threads)), search_scratch(n));
    write_rates(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", per_variable_rates(state, learned_graph, moral, scratch));
    symmetrise(learned_graph, n);
    write_rates(", tpr= %.2f, fdr= %.2f, fdr2= %.2f", per_edge_rates(state, learned_graph, moral, scratch));
}

}  // namespace gaussnet
