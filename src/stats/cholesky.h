#pragma once
// Cholesky factorisation, partial correlation and the plain matrix routines.
// Matrices are n x n, row-major and contiguous (row r starts at a + r * n).

namespace gaussnet {

// Factorises a = L L^T reading the upper triangle with the diagonal; writes L's
// strictly lower part into the lower triangle of a and its diagonal into diag.
// Returns false at the first pivot that is not positive (a NaN goes on).
bool cholesky_decompose(double* a, int n, double* diag);

// Pair mode (0 <= i, j < n): the partial correlation of positions i and j given
// the others. Any other i, j: invert mode, a becomes its inverse and the result
// is 1.0. Throws fatal_error "No Cholesky decomposition (n)." when a is not
// positive definite.
double partial_correlation(double* a, int n, int i, int j);

void matrix_transpose(const double* source, int rows, int cols, double* result);
void matrix_multiply(const double* left, int rows, int inner, const double* right, int cols, double* result);

}  // namespace gaussnet
