#pragma once

#include "common/matrix.h"

namespace gaussnet {

// Replaces the covariance matrix by its inverse, the precision matrix, exactly
// as invert_positive_definite computes it (P = L^-T L^-1).
void invert_covariance(int n_threads, DoubleMatrix& cov);

}  // namespace gaussnet
