#pragma once

#include "common/matrix.h"

namespace gaussnet {

// Maximum-likelihood covariance of the data (divisor n_cases), two passes:
// means first, then each pair's centred products summed over the cases in
// file order. cov must be n_vars x n_vars; every entry is written and the
// result is exactly symmetric. data: row = case, column = variable.
void estimate_covariance(const FloatMatrix& data, int n_threads, DoubleMatrix& cov);

}  // namespace gaussnet
