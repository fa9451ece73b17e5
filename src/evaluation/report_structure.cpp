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
    std::vector<std::uint8_t> first_blocked;
    std::vector<std::uint8_t> second_blocked;
    std::vector<std::uint8_t> visited;
    explicit search_scratch(int n) : first_blocked(n), second_blocked(n), visited(n) {}
};

// Blocks the variables h != except whose learned_row[h] is 1.
void block_learned_neighbours(const std::uint8_t* learned_row, int except, int n, std::vector<std::uint8_t>& blocked) {
    for (int h = 0; h < n; ++h) blocked[h] = (h != except && learned_row[h] == 1) ? 1 : 0;
}

bool linked(int from, int to, const std::vector<std::uint8_t>& blocked, const adjacency& moral,
            std::vector<std::uint8_t>& visited) {
    std::fill(visited.begin(), visited.end(), 0);
    return path_exists(from, to, blocked.data(), visited.data(), moral);
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
    for (int l = 0; l < n; ++l) {
        if (row[l] != 1) continue;
        if (state.moral_graph(i, l) == 1) {
            ++c.tp;
            continue;
        }
        ++c.fp;
        block_learned_neighbours(row, l, n, scratch.first_blocked);
        if (linked(i, l, scratch.first_blocked, moral, scratch.visited)) ++c.fl; else ++c.fs;
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

// Edges {j, m} with m < j; a false edge is linked when either endpoint's
// other learned neighbours leave a path open.
edge_counts count_edges(const run_state& state, const ByteMatrix& learned, const adjacency& moral, int j,
                        search_scratch& scratch) {
    const int n = state.n_vars;
    edge_counts c;
    for (int m = 0; m < j; ++m) {
        if (learned(j, m) != 1) continue;
        if (state.moral_graph(j, m) == 1) {
            ++c.tp;
            continue;
        }
        ++c.fp;
        block_learned_neighbours(learned.row(j), m, n, scratch.first_blocked);
        block_learned_neighbours(learned.row(m), j, n, scratch.second_blocked);
        if (linked(j, m, scratch.first_blocked, moral, scratch.visited) ||
            linked(j, m, scratch.second_blocked, moral, scratch.visited)) {
            ++c.fl;
        } else {
            ++c.fs;
        }
    }
    return c;
}

rates per_edge_rates(const run_state& state, const ByteMatrix& learned, const adjacency& moral,
                     std::vector<search_scratch>& scratch) {
    const int n = state.n_vars;
    std::vector<edge_counts> counts(static_cast<std::size_t>(n));
    parallel_for(state.n_threads, n, [&](std::int64_t j, int thread) {
        counts[j] = count_edges(state, learned, moral, static_cast<int>(j), scratch[thread]);
    });
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
