#include "stats/precision.h"

#include "stats/cholesky.h"

namespace gaussnet {

void invert_covariance(const run_state& state, DoubleMatrix& cov) {
    partial_correlation(cov.data(), state.n_vars, -1, -1);
}

}  // namespace gaussnet
