#pragma once
// The decision at the end of one IAMB pass: remove the member ranked weakest
// if its value exceeds alpha/2, else add the non-member ranked strongest if
// its value is within alpha/2. Ranks come from heap_sort3 of the p-values.

#include <cstdint>

#include "common/test_setting.h"
#include "learners/surrogate_keys.h"
#include "stats/heap_sort.h"

namespace gaussnet {

enum class pass_change { none, removal, addition, undecided };

struct pass_decision {
    pass_change change = pass_change::none;
    int variable = -1;
};

struct decision_rule {
    int variant;       // 2: values adjusted by m * H / (rank + 1)
    double harmonic;   // H over m terms
    double threshold;  // alpha * 0.5
};

// From p-values already sorted (with their variables): adjusts them in place
// in variant 2 and decides.
pass_decision decide_sorted(double* pvalues, const int* index, int m, const std::uint8_t* member_flags,
                            const decision_rule& rule);

// The same decision from unsorted p-values, when the ranking cannot matter:
// the chosen entry's key is unique where its rank or identity counts, and no
// p-value is NaN. Otherwise returns pass_change::undecided (sort, then decide_sorted).
pass_decision decide_unsorted(const double* pvalues, const int* index, int m, const std::uint8_t* member_flags,
                              const decision_rule& rule);

// Whether a pass may leave p-values deferred (certainly above
// NORMAL_UPPER_TAIL_FLOOR, see ci_engine::test_pass_deferring) for decide_pass.
bool may_defer_pvalues(const test_setting& test, const decision_rule& rule);

// How decide_pass reached its decision (for the benchmark's counts).
struct pass_route {
    bool sorted = false;     // the p-values were ranked by heap_sort3
    bool completed = false;  // every deferred p-value was computed
    int computed = 0;        // deferred p-values computed
};

// The decision of one pass, the one decide_sorted gives on all p-values
// ranked by heap_sort3. Deferred entries hold +infinity instead of a p-value
// that is certainly above the threshold; `tests` (a ci_engine, after
// test_pass_deferring) describes them with deferred() and computes them with
// complete_deferred and complete_deferred_some.
//
// Why the deferred entries need no value unless the ranking is asked for:
// every rank r of m entries has m * H / (r + 1) >= 1 (with H >= 1), and the
// adjusted value, rounded three times, is still at least p (exactly p when
// m = 1, at least 1.5 p (1 - 4u) otherwise). So p > threshold means no
// removal can be refused and no addition made, at any rank. Let p_w be the
// weakest member's value (members are never deferred) and d a deferred entry,
// p_d > threshold.
// - p_w > threshold: the member is removed at any rank; +infinity may only
//   undercount the entries below it, which changes no rank that matters.
// - p_w <= threshold: no deferred entry is below or ties with it, so its
//   rank range, and the range test, are exact.
// - Addition: if the smallest non-member value is within the threshold, it
//   and every entry tied with it or below it are computed ones, so the
//   strongest non-member, its ties and its rank range are exact. Otherwise
//   every non-member, deferred or not, is above the threshold: nothing is
//   added, which the +infinity (or computed) key above it also gives.
// - A deferred entry is never NaN, so the NaN test sees the computed ones.
// When decide_unsorted cannot decide, the ranking itself is needed: then
// the deferred entries get keys that order every pair as their p-values
// would (surrogate_keys.h), computing only the few that need it, and
// heap_sort3 ranks them all; where those keys cannot be proved right,
// every p-value is computed first, as before.
template <typename DeferredTests>
pass_decision decide_pass(double* pvalues, int* index, int m, const std::uint8_t* member_flags,
                          const decision_rule& rule, DeferredTests& tests, surrogate_scratch& scratch,
                          pass_route& route) {
    const pass_decision decision = decide_unsorted(pvalues, index, m, member_flags, rule);
    if (decision.change != pass_change::undecided) return decision;
    route.sorted = true;
    const deferred_tests deferred = tests.deferred();
    if (deferred.count > 0) {
        if (rank_by_surrogate_keys(pvalues, index, m, tests, deferred, scratch, route.computed))
            return decide_sorted(pvalues, index, m, member_flags, rule);
        tests.complete_deferred(pvalues);
        route.completed = true;
        route.computed = deferred.count;
    }
    heap_sort3(static_cast<std::size_t>(m), pvalues, index, index);
    return decide_sorted(pvalues, index, m, member_flags, rule);
}

}  // namespace gaussnet
