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

}  // namespace

// Compiled for AVX2 and for the baseline, chosen at load time; both give the same bits.
// Sixteen entries stay in registers while all the terms are subtracted.
__attribute__((target_clones("avx2", "default"))) void subtract_rows(double* sums, int count, const double* coef,
                                                                      const double* const* rows, int terms) {
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        double4 a0 = load4(sums + x), a1 = load4(sums + x + 4), a2 = load4(sums + x + 8), a3 = load4(sums + x + 12);
        for (int t = 0; t < terms; ++t) {
            const double4 c = {coef[t], coef[t], coef[t], coef[t]};
            const double* row = rows[t] + x;
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
        for (int t = 0; t < terms; ++t) {
            const double4 c = {coef[t], coef[t], coef[t], coef[t]};
            a = a - c * load4(rows[t] + x);
        }
        store4(sums + x, a);
    }
    for (; x < count; ++x) {
        double a = sums[x];
        for (int t = 0; t < terms; ++t) a = a - coef[t] * rows[t][x];
        sums[x] = a;
    }
}

__attribute__((target_clones("avx2", "default"))) void subtract_own_rows(double* sums, int count,
                                                                          const double* first, long stride,
                                                                          int terms) {
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        double4 a0 = load4(sums + x), a1 = load4(sums + x + 4), a2 = load4(sums + x + 8), a3 = load4(sums + x + 12);
        const double* row = first;
        for (int t = 0; t < terms; ++t, row -= stride) {
            const double4 c = {row[0], row[0], row[0], row[0]};
            a0 = a0 - c * load4(row + x);
            a1 = a1 - c * load4(row + x + 4);
            a2 = a2 - c * load4(row + x + 8);
            a3 = a3 - c * load4(row + x + 12);
        }
        store4(sums + x, a0);
        store4(sums + x + 4, a1);
        store4(sums + x + 8, a2);
        store4(sums + x + 12, a3);
    }
    for (; x + 4 <= count; x += 4) {
        double4 a = load4(sums + x);
        const double* row = first;
        for (int t = 0; t < terms; ++t, row -= stride) {
            const double4 c = {row[0], row[0], row[0], row[0]};
            a = a - c * load4(row + x);
        }
        store4(sums + x, a);
    }
    for (; x < count; ++x) {
        double a = sums[x];
        const double* row = first;
        for (int t = 0; t < terms; ++t, row -= stride) a = a - row[0] * row[x];
        sums[x] = a;
    }
}

__attribute__((target_clones("avx2", "default"))) void divide_by(double* out, const double* in, double d,
                                                                  int count) {
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

__attribute__((target_clones("avx2", "default"))) void add_scaled(double* y, const double* row, double f,
                                                                   int count) {
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
