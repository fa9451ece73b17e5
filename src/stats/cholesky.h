#pragma once
// Cholesky factorisation, partial correlation and the plain matrix routines.
// Matrices are n x n, row-major and contiguous (row r starts at a + r * n).
//
// These are the reference path: the test engine (ci_engine) and the precision
// matrix (precision.h) compute the same values faster, and their tests compare
// them with these bit for bit.

#include "common/fatal_error.h"

namespace gaussnet {

// "No Cholesky decomposition (n).": a matrix of order n that is not positive
// definite. A blanket learner adds the target whose test met it and the
// size of its blanket then, for the line that says why.
class singular_matrix_error : public fatal_error {
public:
    explicit singular_matrix_error(int order);
    int order() const { return order_; }
    int target = -1;   // -1: not met by a blanket learner
    int members = -1;  // the target's members when it was met

private:
    int order_;
};

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

// Throws the singular_matrix_error of a matrix of the given order.
[[noreturn]] void not_positive_definite(int order);

void matrix_transpose(const double* source, int rows, int cols, double* result);
void matrix_multiply(const double* left, int rows, int inner, const double* right, int cols, double* result);

}  // namespace gaussnet
