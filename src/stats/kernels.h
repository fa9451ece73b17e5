#pragma once
// The inner loops of the shared-work tests. Every entry gets exactly the
// operations of the plain factorisation, in the same order; only independent
// entries are computed side by side (never the terms of one sum), and a
// multiply and a subtract are never fused, so the results are bit-identical
// to the scalar loops.

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

}  // namespace gaussnet
