#include "scoring/edge_tally.h"

#include <algorithm>

#include "scoring/report_structure.h"

namespace gaussnet {

void edge_tally::add_learned(const ByteMatrix& learned_rows, long long resample_tests) {
    for (const scored_edge& edge : learned_edges(learned_rows))
        ++counts[static_cast<std::int64_t>(edge.source) * n_vars + edge.target];
    ++finished;
    tests += resample_tests;
}

void edge_tally::merge(const edge_tally& other) {
    for (const auto& [key, count] : other.counts) counts[key] += count;
    finished += other.finished;
    failed += other.failed;
    tests += other.tests;
    notes += other.notes;
}

// Layout: finished, failed, tests, notes, pair count, then key and count per pair.
std::vector<std::int64_t> edge_tally::pack() const {
    std::vector<std::int64_t> words = {finished, failed, tests, notes, static_cast<std::int64_t>(counts.size())};
    for (const auto& [key, count] : counts) {
        words.push_back(key);
        words.push_back(count);
    }
    return words;
}

std::size_t edge_tally::merge_packed(const std::int64_t* words) {
    finished += static_cast<int>(words[0]);
    failed += static_cast<int>(words[1]);
    tests += words[2];
    notes += words[3];
    const std::int64_t pairs = words[4];
    for (std::int64_t p = 0; p < pairs; ++p) counts[words[5 + 2 * p]] += static_cast<int>(words[6 + 2 * p]);
    return static_cast<std::size_t>(5 + 2 * pairs);
}

std::vector<edge_frequency> edge_frequencies(const edge_tally& tally) {
    std::vector<edge_frequency> result;
    result.reserve(tally.counts.size());
    for (const auto& [key, count] : tally.counts) {
        const double frequency = tally.finished > 0 ? static_cast<double>(count) / tally.finished : 0.0;
        result.push_back(
            {static_cast<int>(key / tally.n_vars), static_cast<int>(key % tally.n_vars), count, frequency});
    }
    std::sort(result.begin(), result.end(), [](const edge_frequency& a, const edge_frequency& b) {
        if (a.count != b.count) return a.count > b.count;
        if (a.source != b.source) return a.source < b.source;
        return a.target < b.target;
    });
    return result;
}

ByteMatrix consensus_graph(const std::vector<edge_frequency>& frequencies, int n_vars, double threshold) {
    ByteMatrix graph(n_vars, n_vars, 0);
    for (const edge_frequency& edge : frequencies) {
        if (!(edge.frequency >= threshold)) continue;
        graph(edge.source, edge.target) = 1;
        graph(edge.target, edge.source) = 1;
    }
    return graph;
}

double frequency_of(const edge_tally& tally, int source, int target) {
    const auto found = tally.counts.find(static_cast<std::int64_t>(source) * tally.n_vars + target);
    if (found == tally.counts.end() || tally.finished == 0) return 0.0;
    return static_cast<double>(found->second) / tally.finished;
}

namespace {

std::optional<edge_status> consensus_status(double frequency, double threshold, bool true_edge) {
    if (frequency >= threshold) return true_edge ? edge_status::tp : edge_status::fp;
    if (true_edge) return edge_status::fn;
    return std::nullopt;
}

}  // namespace

std::vector<strength_row> strength_rows(const edge_tally& tally, const std::vector<edge_frequency>& frequencies,
                                        double threshold, const ByteMatrix* moral_graph, const local_scope* scope) {
    std::vector<strength_row> rows;
    const auto add_row = [&](int source, int target, double frequency) {
        const std::optional<edge_status> status =
            moral_graph ? consensus_status(frequency, threshold, (*moral_graph)(source, target) == 1) : std::nullopt;
        rows.push_back({source, target, frequency, status});
    };
    for (const edge_frequency& edge : frequencies) add_row(edge.source, edge.target, edge.frequency);
    // With no resample finished, a true edge's frequency was never measured.
    if (moral_graph == nullptr || tally.finished == 0) return rows;
    const int n_vars = tally.n_vars;
    for (int j = 0; j < n_vars; ++j)
        for (int k = j + 1; k < n_vars; ++k)
            if ((*moral_graph)(j, k) == 1 && !tally.counts.contains(static_cast<std::int64_t>(j) * tally.n_vars + k) &&
                (scope == nullptr || scope->learned(j) || scope->learned(k)))
                add_row(j, k, 0.0);
    return rows;
}

}  // namespace gaussnet
