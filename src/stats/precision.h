#pragma once

#include "common/matrix.h"

namespace gaussnet {

// Replaces the covariance matrix by its inverse, the precision matrix, exactly
// as invert_positive_definite computes it (P = L^-T L^-1).
void invert_covariance(int n_threads, DoubleMatrix& cov);

// The partial correlation of variables j and k given all the others, from the
// precision matrix: -P[j][k] / sqrt(P[lo][lo] P[hi][hi]) with lo = min(j, k),
// and +0 where P[j][k] is 0. The same bits for (j, k) and (k, j).
double precision_partial_correlation(const DoubleMatrix& precision, int j, int k);

// Every pair's partial correlation given all the others (1 on the diagonal),
// from the inverse of cov. Throws singular_matrix_error as invert_covariance.
DoubleMatrix partial_correlation_matrix(int n_threads, const DoubleMatrix& cov);

}  // namespace gaussnet
