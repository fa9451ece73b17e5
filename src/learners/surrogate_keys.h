#pragma once
// Ranking a pass without computing its deferred p-values. Contract: keys
// that order every pair of entries as their p-values would, so heap_sort3
// gives the very permutation of the full ranking, ties included; the lemma
// and the four steps are proved in docs/deferred-pvalues.md, step 5.

#include <cstdint>
#include <vector>

#include "stats/heap_sort.h"
#include "stats/pass_pvalues.h"

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

// Ranks the pass as heap_sort3 ranks its p-values, computing through
// pass.complete only the deferred p-values the keys need (their number is
// added to computed). False: compute everything instead (the index is as it
// came; the deferred entries hold no p-values yet).
template <typename Pass>
bool rank_by_surrogate_keys(Pass& pass, surrogate_scratch& s, int& computed) {
    double* pvalues = pass.pvalues.data();
    int* index = pass.index.data();
    const int m = static_cast<int>(pass.pvalues.size());
    const deferred_tests deferred = pass.deferred();
    if (!plan_surrogate_keys(pvalues, m, deferred, s)) return false;
    pass.complete(s.exact);
    computed += static_cast<int>(s.exact.size());
    write_surrogate_keys(pvalues, deferred);
    s.original_keys.assign(pvalues, pvalues + m);
    s.original_index.assign(index, index + m);
    heap_sort3(static_cast<std::size_t>(m), pvalues, index, index);
    if (!find_clusters(pvalues, index, m, deferred, s)) return true;
    std::copy(s.original_index.begin(), s.original_index.end(), index);
    std::copy(s.original_keys.begin(), s.original_keys.end(), pvalues);
    pass.complete(s.exact);
    computed += static_cast<int>(s.exact.size());
    if (!write_cluster_keys(pvalues, deferred, s)) return false;
    heap_sort3(static_cast<std::size_t>(m), pvalues, index, index);
    return true;
}

}  // namespace gaussnet
