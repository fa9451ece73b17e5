#pragma once
// The covariance of average ranks formed in whole numbers. Twice a centred
// average rank, 2 r - (n_cases + 1), is a whole number, so every product and
// every sum of the ranks' covariance is exact: in integers, in any order, it
// has the bits of the same sums formed in doubles case by case.

#include <cstdint>
#include <vector>

#include "common/matrix.h"

namespace gaussnet {

// The most cases whose doubled centred ranks (|2 r - (n + 1)| < n_cases) have
// products that fit in 32 bits.
inline constexpr std::int64_t MAX_WHOLE_RANK_CASES = 46341;

// Each variable's doubled centred ranks, one column after another, each column
// padded with zeros to whole vectors of cases.
class centred_rank_columns {
public:
    centred_rank_columns(int n_cases, int n_vars);
    int cases() const { return n_cases_; }
    int vars() const { return n_vars_; }
    std::int32_t* column(int v) { return cells_.data() + static_cast<std::ptrdiff_t>(v) * stride_; }
    const std::int32_t* column(int v) const { return cells_.data() + static_cast<std::ptrdiff_t>(v) * stride_; }

private:
    int n_cases_;
    int n_vars_;
    int stride_;
    std::vector<std::int32_t> cells_;  // zero columns after the last, to whole tiles of the products
};

// The ranks' maximum-likelihood covariance (divisor n_cases), bit for bit
// that of estimate_covariance on the average ranks. cov must be n_vars x
// n_vars; every entry is written.
void rank_covariance(const centred_rank_columns& ranks, int n_threads, DoubleMatrix& cov);

}  // namespace gaussnet
