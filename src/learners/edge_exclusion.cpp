#include "learners/edge_exclusion.h"

#include <cmath>
#include <vector>

#include "common/parallel.h"
#include "learners/adjustment.h"
#include "stats/ci_test.h"
#include "stats/heap_sort.h"
#include "stats/precision.h"

namespace gaussnet {

namespace {

struct pair_table {
    std::vector<double> keys;  // -|statistic|
    std::vector<int> first;    // j
    std::vector<int> second;   // k < j
};

// The statistic of every pair given all other variables, read off the precision matrix.
// Pair (j, k), k < j, sits at j (j - 1) / 2 + k: the order (1,0), (2,0), (2,1),
// (3,0), ... whatever thread fills it.
pair_table pair_statistics(const learner_setting& setting, const DoubleMatrix& precision) {
    const int n = static_cast<int>(precision.rows());
    const std::size_t pairs = static_cast<std::size_t>(static_cast<std::int64_t>(n) * (n - 1) / 2);
    pair_table table;
    table.keys.resize(pairs);
    table.first.resize(pairs);
    table.second.resize(pairs);
    parallel_for(setting.n_threads, n > 1 ? n - 1 : 0, [&](std::int64_t row, int) {
        const int j = static_cast<int>(row) + 1;
        const std::size_t start = static_cast<std::size_t>(static_cast<std::int64_t>(j) * (j - 1) / 2);
        for (int k = 0; k < j; ++k) {
            const double r = precision_partial_correlation(precision, j, k);
            table.keys[start + k] = -std::fabs(statistic_from_correlation(setting.test, r, n - 2));
            table.first[start + k] = j;
            table.second[start + k] = k;
        }
    });
    return table;
}

// Known pairs are not tested: a forbidden pair loses its edge, a required one
// keeps it, and the table (in its order) holds the pairs the data decide.
void settle_known_pairs(const pair_constraints& pairs, pair_table& table, ByteMatrix& learned_graph) {
    std::size_t kept = 0;
    for (std::size_t at = 0; at < table.keys.size(); ++at) {
        const int j = table.first[at], k = table.second[at];
        switch (pairs.knowledge(j, k)) {
            case pair_knowledge::free:
                table.keys[kept] = table.keys[at];
                table.first[kept] = j;
                table.second[kept++] = k;
                break;
            case pair_knowledge::forbidden:
                learned_graph(j, k) = 0;
                learned_graph(k, j) = 0;
                break;
            case pair_knowledge::required:
                break;
        }
    }
    table.keys.resize(kept);
    table.first.resize(kept);
    table.second.resize(kept);
}

// The step-up sweep from the weakest pair: remove edges while the adjusted
// p-value exceeds alpha/2; the first pair within it keeps its edge and every stronger one.
void exclude_edges(const learner_setting& setting, const pair_table& table, ByteMatrix& learned_graph) {
    const int n = static_cast<int>(learned_graph.rows());
    const std::int64_t pairs = static_cast<std::int64_t>(table.keys.size());
    const double harmonic = harmonic_number(pairs);
    const double threshold = pvalue_threshold(setting.test.alpha);
    for (std::int64_t r = pairs; r >= 1; --r) {
        const std::size_t at = static_cast<std::size_t>(r - 1);
        const double p = statistic_pvalue(setting.test, -table.keys[at], n - 2);
        const double adjusted = p * harmonic * static_cast<double>(pairs) / static_cast<double>(r);
        if (!(adjusted > threshold)) return;
        learned_graph(table.first[at], table.second[at]) = 0;
        learned_graph(table.second[at], table.first[at]) = 0;
    }
}

// Each kept edge's partial correlation and p-value, in the row of its larger
// end: the values its test had (the sweep computed the p-values of removed pairs alone).
evidence_rows kept_edge_evidence(const learner_setting& setting, const DoubleMatrix& precision,
                                 const ByteMatrix& learned_graph) {
    const int n = static_cast<int>(learned_graph.rows());
    evidence_rows rows(static_cast<std::size_t>(n));
    parallel_for(setting.n_threads, n, [&](std::int64_t row, int) {
        const int j = static_cast<int>(row);
        for (int k = 0; k < j; ++k) {
            if (learned_graph(j, k) != 1) continue;
            const double r = precision_partial_correlation(precision, j, k);
            rows[row].push_back({k, evidence_from_correlation(setting.test, r, n - 2)});
        }
    });
    return rows;
}

}  // namespace

learned_structure edge_exclusion(const learner_setting& setting, const DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    learned_structure result{ByteMatrix(n, n, 1), 0, {}};
    for (int v = 0; v < n; ++v) result.graph(v, v) = 0;
    DoubleMatrix precision = cov;
    invert_covariance(setting.n_threads, precision);
    stop_if_cancelled(setting);
    pair_table table = pair_statistics(setting, precision);
    if (has_pairs(setting)) settle_known_pairs(*setting.pairs, table, result.graph);
    result.tests = static_cast<long long>(table.keys.size());
    heap_sort3(table.keys.size(), table.keys.data(), table.first.data(), table.second.data());
    exclude_edges(setting, table, result.graph);
    table = pair_table();
    result.evidence = kept_edge_evidence(setting, precision, result.graph);
    return result;
}

}  // namespace gaussnet
