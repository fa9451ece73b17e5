#pragma once
// Cholesky factorisation, partial correlation and the plain matrix routines.
// Matrices are n x n, row-major and contiguous (row r starts at a + r * n).
//
// These are the reference path: the test engine (ci_engine) and the precision
// matrix (precision.h) compute the same values faster, and their tests compare
// them with these bit for bit.

namespace gaussnet {

// Factorises a = L L^T reading the upper triangle with the diagonal; writes L's
// strictly lower part into the lower triangle of a and its diagonal into diag.
// Returns false at the first pivot that is not positive (a NaN goes on).
bool cholesky_decompose(double* a, int n, double* diag);

// The partial correlation of positions i and j (0 <= i, j < n) given the
// others, from a's upper triangle with the diagonal (the lower triangle is
// overwritten). Throws fatal_error "No Cholesky decomposition (n)." when a is
// not positive definite.
double partial_correlation(double* a, int n, int i, int j);

// Replaces a by its inverse, P = L^-T L^-1, reading only a's upper triangle
// with the diagonal. Throws as partial_correlation does.
void invert_positive_definite(double* a, int n);

// The partial correlation of positions i and j from columns i and j of the
// inverse factor X (entry k of a column at k * stride): with P = X^T X,
// -(P[i][j] / sqrt(P[j][j] * P[i][i])), each sum over k from its first
// nonzero entry upward, and +0 when P[i][j] is 0.
double correlation_from_columns(int n, int i, const double* column_i, int j, const double* column_j, long stride);

// Throws the fatal error of a matrix of the given order that is not positive definite.
[[noreturn]] void not_positive_definite(int order);

void matrix_transpose(const double* source, int rows, int cols, double* result);
void matrix_multiply(const double* left, int rows, int inner, const double* right, int cols, double* result);

}  // namespace gaussnet
