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

// Signed statistic of candidate against target given the variables whose
// member_flags byte is 1 (the sub-matrix is built in ascending variable order).
double ci_statistic(const test_setting& test, int candidate, int target, const std::uint8_t* member_flags,
                    const DoubleMatrix& cov);

// Upper-tail probability of a (non-negative) statistic given the conditioning-set size.
double statistic_pvalue(const test_setting& test, double statistic, int cond_size);

}  // namespace gaussnet
