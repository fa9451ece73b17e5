#pragma once
// What the learners' multiple-testing adjustments share.

namespace gaussnet {

// 1/1 + 1/2 + ... + 1/terms, summed from the first term upward; 0 for no terms.
double harmonic_number(long long terms);

// The value every (adjusted) p-value is held against: alpha/2.
inline double pvalue_threshold(double alpha) { return alpha * 0.5; }

}  // namespace gaussnet
