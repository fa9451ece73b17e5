#include "stats/precision.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/parallel.h"
#include "stats/cholesky.h"
#include "stats/kernels.h"

namespace gaussnet {

namespace {

// body(r, zeros) for every r below n, over the threads; zeros is the
// thread's scratch of n doubles, zeroed for each r.
template <typename Body>
void rows_with_zeros(int n_threads, int n, Body&& body) {
    std::vector<std::vector<double>> scratch(static_cast<std::size_t>(n_threads));
    parallel_for(n_threads, n, [&](std::int64_t row, int thread) {
        std::vector<double>& zeros = scratch[static_cast<std::size_t>(thread)];
        zeros.assign(static_cast<std::size_t>(n), 0.0);
        body(static_cast<int>(row), zeros);
    });
}

// Column r of L^-1 into the lower triangle (row k, column r for k >= r).
void inverse_columns_in_place(int n_threads, DoubleMatrix& a, const std::vector<double>& diag) {
    const int n = static_cast<int>(a.rows());
    rows_with_zeros(n_threads, n, [&](int r, std::vector<double>& values) {
        values[r] = 1;  // becomes 1 / diag[r]
        finish_inverse_column(a.data(), n, diag.data(), n, r, values.data());
        for (int k = r; k < n; ++k) a(k, r) = values[k];
    });
}

bool all_finite(const DoubleMatrix& a, const std::vector<double>& diag) {
    for (std::int64_t cell = 0; cell < a.rows() * a.cols(); ++cell)
        if (!std::isfinite(a.data()[cell])) return false;
    for (const double d : diag)
        if (!std::isfinite(d)) return false;
    return true;
}

// P[r][c] = sum over k of X[k][r] * X[k][c], k upward; the terms with k below
// max(r, c) are products with a zero of the triangular inverse and leave the
// sum at +0 while every value is finite, so the sum starts at k = max(r, c).
// Row r's entries advance together, one k at a time.
void precision_from_inverse(int n_threads, const DoubleMatrix& x, DoubleMatrix& p) {
    const int n = static_cast<int>(x.rows());
    rows_with_zeros(n_threads, n, [&](int r, std::vector<double>& sums) {
        for (int k = r; k < n; ++k) {
            // c runs over r..k: X[k][c] is zero for c > k.
            add_scaled(sums.data() + r, x.row(k) + r, x(k, r), k - r + 1);
        }
        for (int c = r; c < n; ++c) {
            p(r, c) = sums[c];
            p(c, r) = sums[c];
        }
    });
}

}  // namespace

void invert_covariance(int n_threads, DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    DoubleMatrix work = cov;
    std::vector<double> diag(static_cast<std::size_t>(n));
    // U = L^T in the upper triangle, over the covariances it replaces.
    std::vector<double> sums(static_cast<std::size_t>(n));
    if (factor_upper(work.data(), work.data(), n, n, diag.data(), sums.data()) >= 0) not_positive_definite(n);
    inverse_columns_in_place(n_threads, work, diag);
    for (int r = 0; r < n; ++r)
        for (int c = r + 1; c < n; ++c) work(r, c) = 0;
    if (!all_finite(work, diag)) {
        // Infinities or NaNs would turn the zero terms into NaNs: take every term.
        invert_positive_definite(cov.data(), n);
        return;
    }
    precision_from_inverse(n_threads, work, cov);
}

double precision_partial_correlation(const DoubleMatrix& precision, int j, int k) {
    const int lo = std::min(j, k);
    const int hi = std::max(j, k);
    const double p = precision(hi, lo);
    return p == 0 ? 0.0 : -p / std::sqrt(precision(lo, lo) * precision(hi, hi));
}

DoubleMatrix partial_correlation_matrix(int n_threads, const DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    DoubleMatrix precision = cov;
    invert_covariance(n_threads, precision);
    DoubleMatrix r(n, n);
    parallel_for(n_threads, n, [&](std::int64_t j, int) {
        for (int k = 0; k < n; ++k)
            r(j, k) = j == k ? 1.0 : precision_partial_correlation(precision, static_cast<int>(j), k);
    });
    return r;
}

}  // namespace gaussnet
