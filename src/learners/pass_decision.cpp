#include "learners/pass_decision.h"

#include <cmath>

#include "numerics/numerics.h"

namespace gaussnet {

namespace {

double adjusted(double p, int m, int rank, const decision_rule& rule) {
    return rule.variant == iamb_variant::adjusted ? p * m * rule.harmonic / (rank + 1) : p;
}

// The extreme key of one group (members or non-members) and how many entries
// hold it, within the group and over all entries; and the entries ranked below it.
struct extreme {
    int entry = -1;
    int ties_in_group = 0;
    int ties_overall = 0;
    int below = 0;
};

// The weakest member (largest key) and the strongest non-member (smallest
// key) in one pass over the entries, their overall counts in a second (only
// where ranks adjust the values); false when a key is NaN (the sort decides then).
bool find_extremes(const double* pvalues, int m, const std::uint8_t* member_flags, const int* index, bool ranked,
                   extreme& weakest, extreme& strongest) {
    bool has_nan = false;
    for (int k = 0; k < m; ++k) {
        const double p = pvalues[k];
        has_nan |= p != p;
        extreme& e = member_flags[index[k]] == 1 ? weakest : strongest;
        const bool member = &e == &weakest;
        if (e.entry < 0 || (member ? p > pvalues[e.entry] : p < pvalues[e.entry])) {
            e.entry = k;
            e.ties_in_group = 1;
        } else if (p == pvalues[e.entry]) {
            ++e.ties_in_group;
        }
    }
    if (has_nan) return false;
    if (!ranked) return true;
    const double weak_key = weakest.entry >= 0 ? pvalues[weakest.entry] : 0;
    const double strong_key = strongest.entry >= 0 ? pvalues[strongest.entry] : 0;
    for (int k = 0; k < m; ++k) {
        const double p = pvalues[k];
        weakest.ties_overall += p == weak_key;
        weakest.below += p < weak_key;
        strongest.ties_overall += p == strong_key;
        strongest.below += p < strong_key;
    }
    return true;
}

}  // namespace

pass_decision decide_sorted(double* pvalues, const int* index, int m, const std::uint8_t* member_flags,
                            const decision_rule& rule) {
    if (rule.variant == iamb_variant::adjusted)
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
    const pass_decision undecided{pass_change::undecided, -1};
    extreme weakest, strongest;
    if (!find_extremes(pvalues, m, member_flags, index, rule.variant == iamb_variant::adjusted, weakest, strongest))
        return undecided;
    // Tied keys may sit in any order, so an extreme entry's rank is only known
    // to lie in [below, below + ties_overall - 1]; the adjusted value falls as
    // the rank grows, so the two ends tell whether the rank could matter.
    // (It cannot in variant 1, nor for a key of 0.)
    auto range = [&](const extreme& e, double& largest, double& smallest) {
        largest = adjusted(pvalues[e.entry], m, e.below, rule);
        smallest = adjusted(pvalues[e.entry], m, e.below + e.ties_overall - 1, rule);
    };
    double largest = 0, smallest = 0;
    // The weakest member: the last member in ascending order.
    if (weakest.entry >= 0) {
        range(weakest, largest, smallest);
        if (smallest > rule.threshold) {
            // Removed at any rank; with tied members, which one would depend on the sort.
            if (weakest.ties_in_group > 1) return undecided;
            return {pass_change::removal, index[weakest.entry]};
        }
        if (largest > rule.threshold) return undecided;
    }
    if (strongest.entry < 0) return {};
    range(strongest, largest, smallest);
    if (smallest > rule.threshold) return {};
    if (largest > rule.threshold) return undecided;
    // Added at any rank; with tied non-members, which one would depend on the sort.
    if (strongest.ties_in_group > 1) return undecided;
    return {pass_change::addition, index[strongest.entry]};
}

bool may_defer_pvalues(const test_setting& test, double threshold) {
    return test.kind == test_kind::fisher_z && threshold <= NORMAL_UPPER_TAIL_FLOOR;
}

}  // namespace gaussnet
