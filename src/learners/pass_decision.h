#pragma once
// The decision at the end of one IAMB pass: remove the member ranked weakest
// if its value exceeds alpha/2, else add the non-member ranked strongest if
// its value is within alpha/2. Ranks come from heap_sort3 of the p-values.

#include <cstdint>

#include "common/test_setting.h"
#include "learners/learner.h"
#include "learners/surrogate_keys.h"
#include "stats/heap_sort.h"

namespace gaussnet {

enum class pass_change { none, removal, addition, undecided };

struct pass_decision {
    pass_change change = pass_change::none;
    int variable = -1;
};

struct decision_rule {
    iamb_variant variant;  // adjusted: values adjusted by m * H / (rank + 1)
    double harmonic;       // H over m terms
    double threshold;      // pvalue_threshold(alpha)
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

// Whether a pass may leave p-values deferred for decide_pass with this
// threshold: the deferred ones must lie above it (docs/deferred-pvalues.md).
bool may_defer_pvalues(const test_setting& test, double threshold);

// How decide_pass reached its decision (for the benchmark's counts).
struct pass_route {
    bool sorted = false;     // the p-values were ranked by heap_sort3
    bool completed = false;  // every deferred p-value was computed
    int computed = 0;        // deferred p-values computed
};

// The decision of one pass, the one decide_sorted gives on all p-values
// ranked by heap_sort3. `pass` is a pass_pvalues (or has its members):
// p-values and index, some entries perhaps deferred. Contract: the deferred
// ones are computed only where the decision needs them, and the decision is
// the same (docs/deferred-pvalues.md, step 4). The p-values and index may be
// left sorted.
template <typename Pass>
pass_decision decide_pass(Pass& pass, const std::uint8_t* member_flags, const decision_rule& rule,
                          surrogate_scratch& scratch, pass_route& route) {
    double* pvalues = pass.pvalues.data();
    int* index = pass.index.data();
    const int m = static_cast<int>(pass.pvalues.size());
    const pass_decision decision = decide_unsorted(pvalues, index, m, member_flags, rule);
    if (decision.change != pass_change::undecided) return decision;
    route.sorted = true;
    const int deferred = pass.deferred().count;
    if (deferred > 0) {
        if (rank_by_surrogate_keys(pass, scratch, route.computed))
            return decide_sorted(pvalues, index, m, member_flags, rule);
        pass.complete_all();
        route.completed = true;
        route.computed = deferred;
    }
    heap_sort3(static_cast<std::size_t>(m), pvalues, index, index);
    return decide_sorted(pvalues, index, m, member_flags, rule);
}

}  // namespace gaussnet
