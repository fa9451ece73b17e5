#pragma once

#include "common/matrix.h"
#include "driver/run_state.h"

namespace gaussnet {

// Maximum-likelihood covariance of the data (divisor n_cases), two passes:
// means first, then each pair's centred products summed over the cases in
// file order. cov must be n_vars x n_vars; every entry is written and the
// result is exactly symmetric. Uses state.n_threads threads.
void estimate_covariance(const run_state& state, DoubleMatrix& cov);

}  // namespace gaussnet
