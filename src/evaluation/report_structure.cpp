#include "evaluation/report_structure.h"

#include <string>
#include <vector>

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

// Fills blocked with the variables h != except whose row_of_learned[h] is 1.
void block_learned_neighbours(const std::uint8_t* learned_row, int except, int n, std::vector<std::uint8_t>& blocked) {
    for (int h = 0; h < n; ++h) blocked[h] = (h != except && learned_row[h] == 1) ? 1 : 0;
}

bool linked(int from, int to, const std::vector<std::uint8_t>& blocked, const ByteMatrix& graph,
            std::vector<std::uint8_t>& visited) {
    std::fill(visited.begin(), visited.end(), 0);
    return path_exists(from, to, blocked.data(), visited.data(), graph);
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

rates per_variable_rates(const run_state& state, const ByteMatrix& learned, std::vector<std::uint8_t>& blocked,
                         std::vector<std::uint8_t>& visited) {
    const int n = state.n_vars;
    const ByteMatrix& moral = state.moral_graph;
    double tpr_sum = 0;
    double fdr_sum = 0;
    double fdr2_sum = 0;
    for (int i = 0; i < n; ++i) {
        int tp = 0, fp = 0, fl = 0, fs = 0;
        const std::uint8_t* row = learned.row(i);
        for (int l = 0; l < n; ++l) {
            if (row[l] != 1) continue;
            if (moral(i, l) == 1) {
                ++tp;
                continue;
            }
            ++fp;
            block_learned_neighbours(row, l, n, blocked);
            if (linked(i, l, blocked, moral, visited)) ++fl; else ++fs;
        }
        int degree = 0;
        for (int l = 0; l < n; ++l) degree += moral(i, l);
        if (degree > 0) tpr_sum += static_cast<double>(tp) / degree;
        if (fp > 0) fdr_sum += static_cast<double>(fp) / (fp + tp);
        if (fs > 0) fdr2_sum += static_cast<double>(fs) / (fs + fl + tp);
    }
    return {tpr_sum / n, fdr_sum / n, fdr2_sum / n};
}

void symmetrise(ByteMatrix& learned, int n) {
    for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
            if (learned(j, k) == 1) learned(k, j) = 1;
}

rates per_edge_rates(const run_state& state, const ByteMatrix& learned, std::vector<std::uint8_t>& first_blocked,
                     std::vector<std::uint8_t>& second_blocked, std::vector<std::uint8_t>& visited) {
    const int n = state.n_vars;
    const ByteMatrix& moral = state.moral_graph;
    long long tp = 0, fp = 0, fl = 0, fs = 0;
    for (int j = 1; j < n; ++j) {
        for (int m = 0; m < j; ++m) {
            if (learned(j, m) != 1) continue;
            if (moral(j, m) == 1) {
                ++tp;
                continue;
            }
            ++fp;
            block_learned_neighbours(learned.row(j), m, n, first_blocked);
            block_learned_neighbours(learned.row(m), j, n, second_blocked);
            if (linked(j, m, first_blocked, moral, visited) || linked(j, m, second_blocked, moral, visited)) ++fl;
            else ++fs;
        }
    }
    rates r{0, 0, 0};
    if (state.n_edges != 0) r.tpr = static_cast<double>(tp) / state.n_edges;
    if (fp != 0) r.fdr = static_cast<double>(fp) / static_cast<double>(fp + tp);
    if (fs != 0) r.fdr2 = static_cast<double>(fs) / static_cast<double>(fs + fl + tp);
    return r;
}

}  // namespace

void report_structure(const run_state& state, ByteMatrix& learned_graph) {
    if (state.true_net != 1) {
        write_matrix_block(state, learned_graph);
        return;
    }
    const int n = state.n_vars;
    std::vector<std::uint8_t> first_blocked(static_cast<std::size_t>(n));
    std::vector<std::uint8_t> second_blocked(static_cast<std::size_t>(n));
    std::vector<std::uint8_t> visited(static_cast<std::size_t>(n));
    write_rates(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", per_variable_rates(state, learned_graph, first_blocked, visited));
    symmetrise(learned_graph, n);
    write_rates(", tpr= %.2f, fdr= %.2f, fdr2= %.2f",
                per_edge_rates(state, learned_graph, first_blocked, second_blocked, visited));
}

}  // namespace gaussnet
