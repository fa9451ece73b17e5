#include "learners/surrogate_keys.h"

#include <algorithm>
#include <cmath>

#include "numerics/numerics.h"
#include "stats/ci_test.h"

namespace gaussnet {

namespace {

constexpr int CUT_TRIES = 8;
constexpr int MAX_CLUSTER_STEPS = 8;

double gap_for(double scale) { return 2e-9 * scale + 1e-14; }

// Neighbouring keys closer than this may belong to entries within the gap.
double key_gap_for(double scale) { return gap_for(scale) + 0x1p-51; }

// A cut with no deferred entry within the gap of it, or a negative value.
double empty_cut(const deferred_tests& d, double gap) {
    double cut = fisher_correlation_below_cut(d.variance, d.scale, NORMAL_UPPER_TAIL_RANKING_CUT);
    for (int attempt = 0; attempt < CUT_TRIES && cut > 2 * gap; ++attempt, cut -= 2 * gap) {
        bool empty = true;
        for (int i = 0; i < d.count && empty; ++i) {
            const double magnitude = std::fabs(d.correlations[i]);
            empty = !(magnitude > cut - gap && magnitude <= cut + gap);
        }
        if (empty) return cut;
    }
    return -1;
}

}  // namespace

bool plan_surrogate_keys(const double* pvalues, int m, const deferred_tests& d, surrogate_scratch& s) {
    for (int k = 0; k < m; ++k)
        if (pvalues[k] != INFINITY && !(pvalues[k] < NORMAL_UPPER_TAIL_RANKING_FLOOR)) return false;
    if (!(d.scale > 1e-12) || !std::isfinite(d.scale)) return false;
    const double gap = gap_for(d.scale);
    const double tiny = 1e-8 + 2e-9 * d.scale;
    const double cut = empty_cut(d, gap);
    if (cut < 0) return false;
    s.exact.clear();
    for (int i = 0; i < d.count; ++i) {
        const double magnitude = std::fabs(d.correlations[i]);
        if (magnitude > cut + gap) {
            s.exact.push_back(i);
        } else if (magnitude != 0 && magnitude <= tiny) {
            return false;
        }
    }
    return true;
}

void write_surrogate_keys(double* pvalues, const deferred_tests& d) {
    // The band's entries hold their p-values by now; the others still +infinity.
    for (int i = 0; i < d.count; ++i)
        if (pvalues[d.entries[i]] == INFINITY) pvalues[d.entries[i]] = 2 - std::fabs(d.correlations[i]);
}

bool find_clusters(const double* keys, const int* index, int m, const deferred_tests& d, surrogate_scratch& s) {
    const double key_gap = key_gap_for(d.scale);
    // The surrogate keys, all above 1, end the sorted pass.
    int first = m;
    while (first > 0 && keys[first - 1] > 1) --first;
    bool close = false;
    for (int k = first + 1; k < m && !close; ++k) close = !(keys[k] - keys[k - 1] > key_gap);
    if (!close) return false;
    // The variables' places in the deferred list, from the pass's original order.
    // The m entries are every variable but the target: all below m + 1.
    s.place_of_variable.assign(static_cast<std::size_t>(m) + 1, -1);
    for (int i = 0; i < d.count; ++i) s.place_of_variable[s.original_index[d.entries[i]]] = i;
    s.exact.clear();
    s.cluster_ends.clear();
    for (int k = first; k < m;) {
        int end = k + 1;
        while (end < m && !(keys[end] - keys[end - 1] > key_gap)) ++end;
        if (end - k > 1) {
            for (int j = k; j < end; ++j) s.exact.push_back(s.place_of_variable[index[j]]);
            s.cluster_ends.push_back(static_cast<int>(s.exact.size()));
        }
        k = end;
    }
    return true;
}

bool write_cluster_keys(double* keys, const deferred_tests& d, surrogate_scratch& s) {
    auto pvalue = [&](int place) { return keys[d.entries[place]]; };
    int begin = 0;
    for (const int end : s.cluster_ends) {
        double smallest = INFINITY;
        for (int k = begin; k < end; ++k) smallest = std::min(smallest, 2 - std::fabs(d.correlations[s.exact[k]]));
        s.order.assign(s.exact.begin() + begin, s.exact.begin() + end);
        std::sort(s.order.begin(), s.order.end(), [&](int a, int b) { return pvalue(a) < pvalue(b); });
        // Read every p-value before the first key overwrites one.
        const int count = end - begin;
        s.cluster_keys.resize(static_cast<std::size_t>(count));
        double key = smallest;
        int steps = 0;
        for (int k = 0; k < count; ++k) {
            if (k > 0 && pvalue(s.order[k]) != pvalue(s.order[k - 1])) {
                if (++steps > MAX_CLUSTER_STEPS) return false;
                key = std::nextafter(key, INFINITY);
            }
            s.cluster_keys[k] = key;
        }
        for (int k = 0; k < count; ++k) keys[d.entries[s.order[k]]] = s.cluster_keys[k];
        begin = end;
    }
    return true;
}

}  // namespace gaussnet
