#pragma once
// The conditional independence test: a statistic from the partial correlation
// of candidate and target given the flagged members, and its p-value.

#include <cstdint>

#include "common/edge_evidence.h"
#include "common/matrix.h"
#include "common/test_setting.h"

namespace gaussnet {

inline constexpr double INFINITE_STATISTIC = 2147483647.0;

// The statistic of a partial correlation r with cond_size conditioning
// variables: Student t or Fisher z, as the setting says.
double statistic_from_correlation(const test_setting& test, double r, int cond_size);

// The largest |r| whose Fisher z statistic, with a normal variance `variance`
// and scale sqrt(variance + variance), certainly has an upper tail above
// NORMAL_UPPER_TAIL_FLOOR, or -1 when there is none: tanh(0.999 sqrt(1.4)
// scale) (docs/deferred-pvalues.md, step 2).
double fisher_deferrable_correlation(double variance, double scale);
// The same for a lower cut y (at most NORMAL_UPPER_TAIL_SERIES_CUT):
// tanh(0.999 sqrt(cut) scale), whose statistics have z squared below cut.
double fisher_correlation_below_cut(double variance, double scale, double cut);

// Signed statistic of candidate against target given the variables whose
// member_flags byte is 1 (the sub-matrix is built in ascending variable order).
double ci_statistic(const test_setting& test, int candidate, int target, const std::uint8_t* member_flags,
                    const DoubleMatrix& cov);

// Upper-tail probability of a (non-negative) statistic given the conditioning-set size.
double statistic_pvalue(const test_setting& test, double statistic, int cond_size);

// A partial correlation r with cond_size conditioning variables and the
// p-value of its test: the one statistic_pvalue gives its |statistic|.
edge_evidence evidence_from_correlation(const test_setting& test, double r, int cond_size);

}  // namespace gaussnet
