#include "stats/kernels.h"

#include <algorithm>
#include <cmath>

#include "common/lanes.h"

namespace gaussnet {

namespace {

using namespace simd;

// sums[x] -= terms.coef(t) * terms.row(t)[x] for t = 0, 1, ...: SUMS_HELD
// entries stay in registers while all the terms are subtracted.
constexpr int SUMS_HELD = 4 * LANES;

template <typename Terms>
GAUSSNET_LANE_HELPER void subtract_terms(double* sums, int count, const Terms& terms, int n_terms) {
    int x = 0;
    for (; x + SUMS_HELD <= count; x += SUMS_HELD) {
        lanes a[4];
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) a[i] = load(sums + x + i * LANES);
        for (int t = 0; t < n_terms; ++t) {
            const double c = terms.coef(t);
            const double* row = terms.row(t) + x;
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) a[i] = a[i] - c * load(row + i * LANES);
        }
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) store(sums + x + i * LANES, a[i]);
    }
    for (; x + LANES <= count; x += LANES) {
        lanes a = load(sums + x);
        for (int t = 0; t < n_terms; ++t) a = a - terms.coef(t) * load(terms.row(t) + x);
        store(sums + x, a);
    }
    for (; x < count; ++x) {
        double a = sums[x];
        for (int t = 0; t < n_terms; ++t) a = a - terms.coef(t) * terms.row(t)[x];
        sums[x] = a;
    }
}

struct listed_terms {
    const double* coefs;
    const double* const* rows;
    double coef(int t) const { return coefs[t]; }
    const double* row(int t) const { return rows[t]; }
};

struct own_rows {
    const double* first;
    long stride;
    double coef(int t) const { return first[-t * stride]; }
    const double* row(int t) const { return first - t * stride; }
};

}  // namespace

GAUSSNET_MULTI_ISA void subtract_rows(double* sums, int count, const double* coef, const double* const* rows,
                                      int terms) {
    subtract_terms(sums, count, listed_terms{coef, rows}, terms);
}

GAUSSNET_MULTI_ISA void subtract_own_rows(double* sums, int count, const double* first, long stride, int terms) {
    subtract_terms(sums, count, own_rows{first, stride}, terms);
}

GAUSSNET_MULTI_ISA void divide_by(double* out, const double* in, double d, int count) {
    int x = 0;
    for (; x + LANES <= count; x += LANES) store(out + x, load(in + x) / d);
    for (; x < count; ++x) out[x] = in[x] / d;
}

GAUSSNET_MULTI_ISA void finish_inverse_column(const double* upper, long stride, const double* diag, int n, int from,
                                              double* column) {
    for (int k = from; k < n; ++k) {
        const double value = column[k] / diag[k];
        column[k] = value;
        const double* row = upper + k * stride;
        int x = k + 1;
        for (; x + LANES <= n; x += LANES) store(column + x, load(column + x) - value * load(row + x));
        for (; x < n; ++x) column[x] = column[x] - value * row[x];
    }
}

GAUSSNET_MULTI_ISA void add_scaled(double* y, const double* row, double f, int count) {
    int x = 0;
    for (; x + LANES <= count; x += LANES) store(y + x, load(y + x) + f * load(row + x));
    for (; x < count; ++x) y[x] = y[x] + f * row[x];
}

GAUSSNET_MULTI_ISA void subtract_scaled(double* y, const double* row, double f, int count) {
    int x = 0;
    for (; x + LANES <= count; x += LANES) store(y + x, load(y + x) - f * load(row + x));
    for (; x < count; ++x) y[x] = y[x] - f * row[x];
}

bool finish_factor_row(const double* sums, int r, int n, double* diag, double* out) {
    if (sums[r] <= 0) return false;  // a NaN pivot goes on
    const double pivot = std::sqrt(sums[r]);
    diag[r] = pivot;
    divide_by(out + r + 1, sums + r + 1, pivot, n - r - 1);
    return true;
}

int factor_upper(const double* cov, double* upper, long stride, int n, double* diag, double* sums) {
    for (int r = 0; r < n; ++r) {
        const double* row = cov + r * stride;
        std::copy(row + r, row + n, sums + r);
        if (r > 0) subtract_own_rows(sums + r, n - r, upper + (r - 1) * stride + r, stride, r);
        if (!finish_factor_row(sums, r, n, diag, upper + r * stride)) return r;
    }
    return -1;
}

}  // namespace gaussnet
