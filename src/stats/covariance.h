#pragma once

#include "common/matrix.h"

namespace gaussnet {

// Maximum-likelihood covariance of the data (divisor n_cases), two passes:
// means first, then each pair's centred products summed over the cases in
// file order. cov must be n_vars x n_vars; every entry is written and the
// result is exactly symmetric. data: row = case, column = variable.
void estimate_covariance(const FloatMatrix& data, int n_threads, DoubleMatrix& cov);

// The covariance of the data, estimated on first use and then shared by the
// runs of one invocation: every run would estimate exactly the same matrix.
class shared_covariance {
public:
    shared_covariance(const FloatMatrix& data, int n_threads) : data_(data), n_threads_(n_threads) {}
    const DoubleMatrix& get() {
        if (!estimated_) {
            matrix_ = DoubleMatrix(data_.cols(), data_.cols());
            estimate_covariance(data_, n_threads_, matrix_);
            estimated_ = true;
        }
        return matrix_;
    }

private:
    const FloatMatrix& data_;
    int n_threads_;
    DoubleMatrix matrix_;
    bool estimated_ = false;
};

}  // namespace gaussnet
