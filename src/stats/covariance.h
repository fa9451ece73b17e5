#pragma once

#include "common/matrix.h"
#include "driver/run_state.h"

namespace gaussnet {

// Maximum-likelihood covariance of the data (divisor n_cases), two passes:
// means first, then each pair's centred products summed over the cases in
// file order. cov must be n_vars x n_vars; every entry is written and the
// result is exactly symmetric. Uses state.n_threads threads.
void estimate_covariance(const run_state& state, DoubleMatrix& cov);

// The covariance of the data, estimated on first use and then shared by the
// runs of one invocation: every run would estimate exactly the same matrix.
class shared_covariance {
public:
    explicit shared_covariance(const run_state& state) : state_(state) {}
    const DoubleMatrix& get() {
        if (!estimated_) {
            matrix_ = DoubleMatrix(state_.n_vars, state_.n_vars);
            estimate_covariance(state_, matrix_);
            estimated_ = true;
        }
        return matrix_;
    }

private:
    const run_state& state_;
    DoubleMatrix matrix_;
    bool estimated_ = false;
};

}  // namespace gaussnet
