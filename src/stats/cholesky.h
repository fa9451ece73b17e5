#pragma once
// Cholesky factorisation, partial correlation and the plain matrix routines.
// Matrices are n x n, row-major and contiguous (row r starts at a + r * n).
//
// These are the reference path: the test engine (ci_engine) and the precision
// matrix (precision.h) compute the same values faster, and their tests compare
// them with these bit for bit.

#include "common/fatal_error.h"

namespace gaussnet {

// The fatal error of a matrix that is not positive definite, as its own type
// so that a caller that can go on without the result (a bootstrap resample)
// tells it from other failures.
class not_positive_definite_error : public fatal_error {
public:
    using fatal_error::fatal_error;
};

// Factorises a = L L^T reading the upper triangle with the diagonal; writes L's
// strictly lower part into the lower triangle of a and its diagonal into diag.
// Returns false at the first pivot that is not positive (a NaN goes on).
bool cholesky_decompose(double* a, int n, double* diag);

// Pair mode (0 <= i, j < n): the partial correlation of positions i and j given
// the others. Any other i, j: invert mode, a becomes its inverse and the result
// is 1.0. Throws fatal_error "No Cholesky decomposition (n)." when a is not
// positive definite.
double partial_correlation(double* a, int n, int i, int j);

// The partial correlation of positions i and j from columns i and j of the
// inverse factor X (entry k of a column at k * stride): with P = X^T X,
// -(P[i][j] / sqrt(P[j][j] * P[i][i])), each sum over k from its first
// nonzero entry upward, and +0 when P[i][j] is 0.
double correlation_from_columns(int n, int i, const double* column_i, int j, const double* column_j, long stride);

// Throws not_positive_definite_error "No Cholesky decomposition (order)." for a
// matrix of the given order that is not positive definite.
[[noreturn]] void not_positive_definite(int order);

void matrix_transpose(const double* source, int rows, int cols, double* result);
void matrix_multiply(const double* left, int rows, int inner, const double* right, int cols, double* result);

}  // namespace gaussnet
