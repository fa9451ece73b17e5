#include "learners/pass_decision.h"

#include <cmath>

namespace gaussnet {

namespace {

double adjusted(double p, int m, int rank, const decision_rule& rule) {
    return rule.variant == 2 ? p * m * rule.harmonic / (rank + 1) : p;
}

// The extreme key of one group (members or non-members) and how many entries
// hold it, within the group and over all entries; and the entries ranked below it.
struct extreme {
    int entry = -1;
    int ties_in_group = 0;
    int ties_overall = 0;
    int below = 0;
};

template <typename Better>
extreme find_extreme(const double* pvalues, int m, const std::uint8_t* member_flags, const int* index,
                     bool members, Better better) {
    extreme e;
    for (int k = 0; k < m; ++k) {
        if ((member_flags[index[k]] == 1) != members) continue;
        if (e.entry < 0 || better(pvalues[k], pvalues[e.entry])) {
            e.entry = k;
            e.ties_in_group = 1;
        } else if (pvalues[k] == pvalues[e.entry]) {
            ++e.ties_in_group;
        }
    }
    if (e.entry < 0) return e;
    const double key = pvalues[e.entry];
    for (int k = 0; k < m; ++k) {
        if (pvalues[k] == key) ++e.ties_overall;
        if (pvalues[k] < key) ++e.below;
    }
    return e;
}

}  // namespace

pass_decision decide_sorted(double* pvalues, const int* index, int m, const std::uint8_t* member_flags,
                            const decision_rule& rule) {
    if (rule.variant == 2)
        for (int k = 0; k < m; ++k) pvalues[k] = adjusted(pvalues[k], m, k, rule);
    for (int k = m - 1; k >= 0; --k) {
        if (member_flags[index[k]] != 1) continue;
        if (pvalues[k] > rule.threshold) return {pass_change::removal, index[k]};
        break;
    }
    for (int k = 0; k < m; ++k) {
        if (member_flags[index[k]] == 1) continue;
        if (pvalues[k] <= rule.threshold) return {pass_change::addition, index[k]};
        break;
    }
    return {};
}

pass_decision decide_unsorted(const double* pvalues, const int* index, int m, const std::uint8_t* member_flags,
                              const decision_rule& rule) {
    for (int k = 0; k < m; ++k)
        if (std::isnan(pvalues[k])) return {pass_change::undecided, -1};
    const pass_decision undecided{pass_change::undecided, -1};
    // The weakest member: the last member in ascending order.
    const extreme weakest =
        find_extreme(pvalues, m, member_flags, index, true, [](double a, double b) { return a > b; });
    if (weakest.entry >= 0) {
        // With ties its rank (variant 2) or, for a removal, its identity would depend on the sort.
        if (rule.variant == 2 && weakest.ties_overall > 1) return undecided;
        const double value = adjusted(pvalues[weakest.entry], m, weakest.below, rule);
        if (value > rule.threshold) {
            if (weakest.ties_in_group > 1) return undecided;
            return {pass_change::removal, index[weakest.entry]};
        }
    }
    const extreme strongest =
        find_extreme(pvalues, m, member_flags, index, false, [](double a, double b) { return a < b; });
    if (strongest.entry < 0) return {};
    if (rule.variant == 2 && strongest.ties_overall > 1) return undecided;
    const double value = adjusted(pvalues[strongest.entry], m, strongest.below, rule);
    if (!(value <= rule.threshold)) return {};
    if (strongest.ties_in_group > 1) return undecided;
    return {pass_change::addition, index[strongest.entry]};
}

}  // namespace gaussnet
