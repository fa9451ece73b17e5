#pragma once
// The inner loops of the shared-work tests, on an upper-triangular factor
// U = L^T stored row-major with stride n (U[k][x] = L[x][k]; the diagonal apart).
// Every entry gets exactly the operations of the plain factorisation, in the
// same order; only independent entries are computed side by side (never the
// terms of one sum), so the results are bit-identical to the scalar loops.

#include <cstdint>

namespace gaussnet {

// Factorises rows first_row..n-1, the rows before being in place. Entry (r, x)
// starts from cov[vars[r]][vars[x]] and subtracts U[k][r] * U[k][x] for k from
// r - 1 down to 0. sums is scratch of n doubles. Returns the first row whose
// pivot is not positive (a NaN pivot goes on), or -1.
int factor_trailing_rows(double* upper, double* diag, int n, int first_row, const double* cov,
                         std::int64_t cov_stride, const int* vars, double* sums);

// Column `column` of L^-1 into out[0..n) (zero above the diagonal). Entry c is
// (0 - sum over k = column..c-1 of L[c][k] * out[k]) / diag[c], summed upward.
void inverse_factor_column(const double* upper, const double* diag, int n, int column, double* out);

}  // namespace gaussnet
