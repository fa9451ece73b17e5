#pragma once
// The decision at the end of one IAMB pass: remove the member ranked weakest
// if its value exceeds alpha/2, else add the non-member ranked strongest if
// its value is within alpha/2. Ranks come from heap_sort3 of the p-values.

#include <cstdint>

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

}  // namespace gaussnet
