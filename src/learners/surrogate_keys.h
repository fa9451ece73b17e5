#pragma once
// Ranking a pass without computing its deferred p-values. heap_sort3 asks
// only whether one key is below another, so any keys that answer every such
// question as the p-values would give the same permutation, ties included.
// For almost every deferred entry a key made from its correlation does.
//
// The entries. C: every computed p-value (members, the other non-members).
// D: the deferred non-members; each has |r| <= the deferrable correlation,
// so its computed y = z^2 is below NORMAL_UPPER_TAIL_SERIES_CUT (1.4), and
// all of them share one scale s (one conditioning-set size). Their p-value
// is a function of r alone: equal r, equal p-value.
//
// Lemma (gap). Let a, b in D, each with r = 0 or |r| > 1e-8 + 2e-9 s, and
// |r_b| - |r_a| > g = 2e-9 s + 1e-14. Then p_b < p_a.
// - x = |0.5 log((1 + r) / (1 - r))| is atanh|r| within 1e-14 relative plus
//   1e-16 (ci_test.h), and atanh grows at least as fast as its argument; z =
//   x / s and y = z z add two roundings. So t = sqrt(y) has t_b - t_a >
//   g / s - 3e-14 - 3e-16 / s > 1.99e-9 and y_b / y_a > 1 + 3e-9; x_b, and
//   x_a unless r_a = 0, exceed 9.9e-9: outside the tie band (5e-9).
// - The series (numerics.h) stops at the first n with del_n < S_n EPS. In
//   exact arithmetic del_n / S_n grows with y, and the computed test is that
//   ratio against EPS within (2n + 302) u < 1e-13 relative; the ratio's
//   logarithm grows at least half as fast as log y, so y_b / y_a > 1 + 3e-9
//   means b stops no earlier than a: b's sum has every term of a's, or more.
// - Truncated after a's last term, F S keeps at least (1 - 1e-6) of the
//   growth of erf(t) (the terms left out are below S EPS and grow at most
//   (n + 3) / y times as fast relative, against erf's 0.12 / y), and erf(t)
//   grows with slope 2 exp(-y) / sqrt(pi) > 0.278: b's erf exceeds a's by
//   more than 5.5e-10 in exact arithmetic.
// - Computed, the sum is within 300 u of its terms' exact sum, and F within
//   5e-13 relative of its exact value up to one factor common to every entry
//   (log_gamma(0.5)): each erf is within 1e-10 of that, so b's stays above
//   a's, and 1 - (erf + 1) * 0.5, rounded monotonically, gives p_b < p_a
//   (the erf values differ by far more than 2^-52).
// - With r_a = 0: x_a = 0, the tie band, p_a = 1 - 0.5, and b's erf is above
//   0.278 * 1.99e-9 in exact arithmetic: p_b < 0.5.
// Between 0 and that tiny bound nothing is proved: such a pass computes
// every p-value.
//
// Keys.
// 1. Every C value must be below NORMAL_UPPER_TAIL_RANKING_FLOOR (else, or
//    for a NaN, compute everything). A D entry with |r| <= tanh(0.999
//    sqrt(1.3) s) has y < 1.3 and a p-value above that floor (numerics.h).
// 2. A cut R at or below that correlation with no D entry in (R - g, R + g]
//    (tried a few times, 2g lower each time). The band, D entries above
//    R + g, are computed: their keys are their p-values. Every band entry is
//    more than 2g from every entry below R - g, so by the lemma its p-value
//    is below theirs, as its key (a p-value, below 1) is below theirs.
// 3. The rest of D gets 2 - |r|, in (1, 2]: above every p-value, and in the
//    lemma's order for any two entries more than g apart (2 - |r| rounds by
//    2^-53 at most). Equal r gives equal keys.
// 4. After heap_sort3 the rest of D is the sorted array's tail, ascending.
//    If every two neighbours there have keys more than g + 2^-51 apart, all
//    pairs are more than g apart and the sort was exact. Otherwise each run
//    of closer neighbours is a cluster, more than g from any entry outside
//    it: its entries are computed and get its smallest key plus 0, 1, 2...
//    units in the last place, one step per distinct p-value in p-value
//    order. At most 8 steps (3.6e-15 < g / 2) keep them clear of every key
//    outside. The pass is sorted again from its original order.
// The keys then order every pair as the p-values do. After the sort, a D
// entry's key stands where its p-value would; the decision reads only
// computed values and compares D keys with the threshold, which they, like
// the p-values (every adjusted value is at least its p-value), exceed.

#include <cstdint>
#include <vector>

#include "stats/ci_engine.h"
#include "stats/heap_sort.h"

namespace gaussnet {

struct surrogate_scratch {
    std::vector<int> exact;  // places in the deferred list to compute
    std::vector<double> original_keys;
    std::vector<int> original_index;
    std::vector<int> place_of_variable;  // -1: not deferred
    std::vector<int> cluster_ends;       // exact[] split into clusters
    std::vector<int> order;              // one cluster's places, by p-value
    std::vector<double> cluster_keys;
};

// Steps 1 and 2 on the pass's keys (deferred entries hold +infinity): the
// band's places go to scratch.exact. False: no proof (compute everything).
bool plan_surrogate_keys(const double* pvalues, int m, const deferred_tests& deferred, surrogate_scratch& scratch);

// Step 3, once the band's p-values are in pvalues.
void write_surrogate_keys(double* pvalues, const deferred_tests& deferred);

// Step 4's test on the sorted pass: false when no neighbours are too close;
// else the clusters' places go to scratch.exact (split at cluster_ends).
bool find_clusters(const double* sorted_keys, const int* sorted_index, int m, const deferred_tests& deferred,
                   surrogate_scratch& scratch);

// Step 4's keys, in the pass's original order, once the clusters' p-values
// are there. False: a cluster needs too many steps (compute everything).
bool write_cluster_keys(double* keys, const deferred_tests& deferred, surrogate_scratch& scratch);

// Ranks the pass as heap_sort3 ranks its p-values, computing through `tests`
// only the deferred p-values the keys need (their number is added to
// computed). False: compute everything instead (the index is as it came;
// the deferred entries hold no p-values yet).
template <typename DeferredTests>
bool rank_by_surrogate_keys(double* pvalues, int* index, int m, DeferredTests& tests, const deferred_tests& deferred,
                            surrogate_scratch& s, int& computed) {
    if (!plan_surrogate_keys(pvalues, m, deferred, s)) return false;
    tests.complete_deferred_some(s.exact.data(), static_cast<int>(s.exact.size()), pvalues);
    computed += static_cast<int>(s.exact.size());
    write_surrogate_keys(pvalues, deferred);
    s.original_keys.assign(pvalues, pvalues + m);
    s.original_index.assign(index, index + m);
    heap_sort3(static_cast<std::size_t>(m), pvalues, index, index);
    if (!find_clusters(pvalues, index, m, deferred, s)) return true;
    std::copy(s.original_index.begin(), s.original_index.end(), index);
    std::copy(s.original_keys.begin(), s.original_keys.end(), pvalues);
    tests.complete_deferred_some(s.exact.data(), static_cast<int>(s.exact.size()), pvalues);
    computed += static_cast<int>(s.exact.size());
    if (!write_cluster_keys(pvalues, deferred, s)) return false;
    heap_sort3(static_cast<std::size_t>(m), pvalues, index, index);
    return true;
}

}  // namespace gaussnet
