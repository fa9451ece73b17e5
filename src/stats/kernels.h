#pragma once
// The inner loops of the shared-work tests and of the precision matrix. Every
// entry gets exactly the operations of the plain factorisation, in the same
// order; only independent entries are computed side by side (never the terms
// of one sum), and a multiply and a subtract are never fused, so the results
// are bit-identical to the scalar loops.

namespace gaussnet {

// sums[x] = sums[x] - coef[t] * rows[t][x] for every x < count, for t = 0, 1,
// ..., terms - 1 in that order.
void subtract_rows(double* sums, int count, const double* coef, const double* const* rows, int terms);

// The same with each term's row at first - t * stride and its coefficient the
// row's own first entry: sums[x] -= row_t[0] * row_t[x], t = 0, 1, ..., terms - 1.
void subtract_own_rows(double* sums, int count, const double* first, long stride, int terms);

// out[x] = in[x] / d for every x < count (a true division in each lane).
void divide_by(double* out, const double* in, double d, int count);

// Finishes column entries from..n-1 of an inverse factor: for k ascending,
// column[k] = column[k] / diag[k], then column[c] -= upper[k][c] * column[k]
// for every c > k. column[from] holds 1 (or the sum so far) on entry.
void finish_inverse_column(const double* upper, long stride, const double* diag, int n, int from, double* column);

// y[x] = y[x] + f * row[x] for every x < count.
void add_scaled(double* y, const double* row, double f, int count);

// y[x] = y[x] - f * row[x] for every x < count.
void subtract_scaled(double* y, const double* row, double f, int count);

// The last step of row r of an upper factor U = L^T of order n, whose sums
// (the covariances minus the earlier rows' products) are in sums[r..n-1]:
// false when the pivot sums[r] is not positive (a NaN goes on); otherwise
// diag[r] = sqrt(sums[r]) and out[x] = sums[x] / diag[r] for x > r.
bool finish_factor_row(const double* sums, int r, int n, double* diag, double* out);

// U = L^T of the matrix whose upper triangle with the diagonal is in cov (row r
// at cov + r * stride), its rows written to upper at the same stride (upper
// may be cov: each row is read before it is written), its diagonal to diag:
// entry (r, x) is cov[r][x] minus U[k][r] * U[k][x] for k from r - 1 down to
// 0, divided by the pivot. Returns the first row whose pivot is not positive,
// or -1. sums is scratch of n doubles.
int factor_upper(const double* cov, double* upper, long stride, int n, double* diag, double* sums);

}  // namespace gaussnet
