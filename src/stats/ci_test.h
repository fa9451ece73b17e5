#pragma once
// The conditional independence test: a statistic from the partial correlation
// of candidate and target given the flagged members, and its p-value.

#include <cstdint>

#include "common/matrix.h"
#include "common/test_setting.h"

namespace gaussnet {

inline constexpr double INFINITE_STATISTIC = 2147483647.0;

// The statistic of a partial correlation r with cond_size conditioning
// variables: Student t or Fisher z, as the setting says.
double statistic_from_correlation(const test_setting& test, double r, int cond_size);

// The largest |r| whose Fisher z statistic, with a normal variance `variance`
// and scale sqrt(variance + variance), certainly has an upper tail above
// NORMAL_UPPER_TAIL_FLOOR by the series-region bound (numerics.h), or -1 when there is none:
// tanh(0.999 sqrt(1.4) scale). Then |atanh r| <= 0.999 sqrt(1.4) scale, and the
// computed statistic 0.5 log((1 + r) / (1 - r)) (four roundings and a log
// within a few units in the last place: a relative error below 1e-14, plus
// 1e-16 near r = 0) stays below that times 1 + 1e-13; its z squared, two more
// roundings, stays below 0.998 * 1.4 (1 + 1e-12) < 1.4 for any scale above
// 1e-12 (the scale is at least sqrt(2 / 2^31)). tanh's own few ulps are
// nothing against the 0.1% margin.
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

}  // namespace gaussnet
