#include "stats/kernels.h"

#include <cstring>

// The helpers below are always inlined, so the vector ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace gaussnet {

namespace {

typedef double double4 __attribute__((vector_size(32)));

__attribute__((always_inline)) inline double4 load4(const double* p) {
    double4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((always_inline)) inline void store4(double* p, double4 v) { std::memcpy(p, &v, sizeof v); }

// sums[x] -= terms.coef(t) * terms.row(t)[x] for t = 0, 1, ...: sixteen
// entries stay in registers while all the terms are subtracted.
template <typename Terms>
__attribute__((always_inline)) inline void subtract_terms(double* sums, int count, const Terms& terms, int n_terms) {
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        double4 a0 = load4(sums + x), a1 = load4(sums + x + 4), a2 = load4(sums + x + 8), a3 = load4(sums + x + 12);
        for (int t = 0; t < n_terms; ++t) {
            const double f = terms.coef(t);
            const double4 c = {f, f, f, f};
            const double* row = terms.row(t) + x;
            a0 = a0 - c * load4(row);
            a1 = a1 - c * load4(row + 4);
            a2 = a2 - c * load4(row + 8);
            a3 = a3 - c * load4(row + 12);
        }
        store4(sums + x, a0);
        store4(sums + x + 4, a1);
        store4(sums + x + 8, a2);
        store4(sums + x + 12, a3);
    }
    for (; x + 4 <= count; x += 4) {
        double4 a = load4(sums + x);
        for (int t = 0; t < n_terms; ++t) {
            const double f = terms.coef(t);
            const double4 c = {f, f, f, f};
            a = a - c * load4(terms.row(t) + x);
        }
        store4(sums + x, a);
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

// Compiled for AVX2 and for the baseline, chosen at load time; both give the same bits.
__attribute__((target_clones("avx2", "default"))) void subtract_rows(double* sums, int count, const double* coef,
                                                                     const double* const* rows, int terms) {
    subtract_terms(sums, count, listed_terms{coef, rows}, terms);
}

__attribute__((target_clones("avx2", "default"))) void subtract_own_rows(double* sums, int count, const double* first,
                                                                         long stride, int terms) {
    subtract_terms(sums, count, own_rows{first, stride}, terms);
}

__attribute__((target_clones("avx2", "default"))) void divide_by(double* out, const double* in, double d, int count) {
    int x = 0;
    const double4 divisor = {d, d, d, d};
    for (; x + 4 <= count; x += 4) store4(out + x, load4(in + x) / divisor);
    for (; x < count; ++x) out[x] = in[x] / d;
}

__attribute__((target_clones("avx2", "default"))) void finish_inverse_column(const double* upper, long stride,
                                                                             const double* diag, int n, int from,
                                                                             double* column) {
    for (int k = from; k < n; ++k) {
        const double value = column[k] / diag[k];
        column[k] = value;
        const double4 c = {value, value, value, value};
        const double* row = upper + k * stride;
        int x = k + 1;
        for (; x + 4 <= n; x += 4) store4(column + x, load4(column + x) - c * load4(row + x));
        for (; x < n; ++x) column[x] = column[x] - value * row[x];
    }
}

__attribute__((target_clones("avx2", "default"))) void add_scaled(double* y, const double* row, double f, int count) {
    int x = 0;
    const double4 c = {f, f, f, f};
    for (; x + 4 <= count; x += 4) store4(y + x, load4(y + x) + c * load4(row + x));
    for (; x < count; ++x) y[x] = y[x] + f * row[x];
}

__attribute__((target_clones("avx2", "default"))) void subtract_scaled(double* y, const double* row, double f,
                                                                       int count) {
    int x = 0;
    const double4 c = {f, f, f, f};
    for (; x + 4 <= count; x += 4) store4(y + x, load4(y + x) - c * load4(row + x));
    for (; x < count; ++x) y[x] = y[x] - f * row[x];
}

}  // namespace gaussnet
