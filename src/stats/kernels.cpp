#include "stats/kernels.h"

#include <cmath>
#include <cstring>

namespace gaussnet {

namespace {

typedef double double4 __attribute__((vector_size(32)));

// y[i] = y[i] - f * x[i] for each i: a multiply and a subtract, never fused.
__attribute__((always_inline)) inline void subtract_scaled(double* y, const double* x, double f, int count) {
    int i = 0;
    const double4 scale = {f, f, f, f};
    for (; i + 4 <= count; i += 4) {
        double4 vy;
        double4 vx;
        std::memcpy(&vy, y + i, sizeof vy);
        std::memcpy(&vx, x + i, sizeof vx);
        vy = vy - scale * vx;
        std::memcpy(y + i, &vy, sizeof vy);
    }
    for (; i < count; ++i) y[i] = y[i] - f * x[i];
}

}  // namespace

// Compiled for AVX2 and for the baseline, chosen at load time; both give the same bits.
__attribute__((target_clones("avx2", "default"))) int factor_trailing_rows(double* upper, double* diag, int n,
                                                                             int first_row, const double* cov,
                                                                             std::int64_t cov_stride,
                                                                             const int* vars, double* sums) {
    for (int r = first_row; r < n; ++r) {
        const double* cov_row = cov + vars[r] * cov_stride;
        for (int x = r; x < n; ++x) sums[x] = cov_row[vars[x]];
        for (int k = r - 1; k >= 0; --k) {
            const double* row_k = upper + static_cast<std::ptrdiff_t>(k) * n;
            subtract_scaled(sums + r, row_k + r, row_k[r], n - r);
        }
        if (sums[r] <= 0) return r;
        const double pivot = std::sqrt(sums[r]);
        diag[r] = pivot;
        double* out = upper + static_cast<std::ptrdiff_t>(r) * n;
        for (int x = r + 1; x < n; ++x) out[x] = sums[x] / pivot;
    }
    return -1;
}

__attribute__((target_clones("avx2", "default"))) void inverse_factor_column(const double* upper,
                                                                              const double* diag, int n,
                                                                              int column, double* out) {
    for (int c = 0; c < n; ++c) out[c] = 0.0;
    out[column] = 1 / diag[column];
    for (int k = column; k < n; ++k) {
        if (k > column) out[k] = out[k] / diag[k];
        const double* row_k = upper + static_cast<std::ptrdiff_t>(k) * n;
        subtract_scaled(out + k + 1, row_k + k + 1, out[k], n - k - 1);
    }
}

}  // namespace gaussnet
