// The lockstep kernels' code, compiled once per instruction set by the files
// that include it (group_kernels_avx2.cpp, group_kernels_baseline.cpp), each
// defining GAUSSNET_KERNEL_ISA, the namespace its functions go into. Everything
// here has internal linkage or lives in that namespace, and nothing from other
// headers is instantiated, so no code built for one instruction set can be
// picked by the linker for another.
#include <cmath>
#include <cstring>
#if defined(__AVX__)
#include <immintrin.h>
#endif

#include "stats/group_kernels.h"

// The helpers below are always inlined, so the vector ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace gaussnet::GAUSSNET_KERNEL_ISA {

namespace {

typedef double lanes __attribute__((vector_size(GROUP_LANES * sizeof(double))));

__attribute__((always_inline)) inline lanes load(const double* p) {
    lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((always_inline)) inline void store(double* p, lanes v) { std::memcpy(p, &v, sizeof v); }

__attribute__((always_inline)) inline lanes splat(double x) { return lanes{x, x, x, x}; }

// One value in every lane, loaded as such where the instruction set allows
// (no shuffle after the load).
__attribute__((always_inline)) inline lanes broadcast(const double* p) {
#if defined(__AVX__)
    return reinterpret_cast<lanes>(_mm256_broadcast_sd(p));
#else
    return splat(*p);
#endif
}

__attribute__((always_inline)) inline lanes lanes_sqrt(lanes s) {
    return lanes{__builtin_sqrt(s[0]), __builtin_sqrt(s[1]), __builtin_sqrt(s[2]), __builtin_sqrt(s[3])};
}

// Pivot check, square root and division of row r by it, in every lane.
__attribute__((always_inline)) inline void finish_row(int n, int r, const double* sums, double* upper, double* diag,
                                                      int* failed) {
    const lanes s = load(sums + r * GROUP_LANES);
    // Rarely true: test all lanes at once before looking at each.
    if (s[0] <= 0 || s[1] <= 0 || s[2] <= 0 || s[3] <= 0) {
        for (int g = 0; g < GROUP_LANES; ++g)
            if (failed[g] < 0 && s[g] <= 0) failed[g] = r;
    }
    // Built in registers (no lane-by-lane store and reload); a square root is
    // correctly rounded, so the vector instruction gives the scalar's bits.
    const lanes pivot = lanes_sqrt(s);
    store(diag + r * GROUP_LANES, pivot);
    double* out = upper + static_cast<long>(r) * n * GROUP_LANES;
    for (int x = r + 1; x < n; ++x) store(out + x * GROUP_LANES, load(sums + x * GROUP_LANES) / pivot);
}

// The candidates' own row: its entries minus w[k] times w[k] (the diagonal) or
// times base row k, one column on (the rest), for k from p - 1 down to 0.
__attribute__((always_inline)) inline void candidate_row(const group_factor_input& in, double* sums) {
    const int n = in.n, p = in.p, nb = n - 1;
    lanes s = load(in.cand_var);
    for (int k = p - 1; k >= 0; --k) {
        const lanes wk = load(in.w + k * GROUP_LANES);
        s = s - wk * wk;
    }
    store(sums + p * GROUP_LANES, s);
    // Whole blocks of four columns: the columns past n - 1 read padding and are never used.
    for (int x = p + 1; x < n; x += 4) {
        lanes a0 = load(in.cand_cov + (x - 1) * GROUP_LANES), a1 = load(in.cand_cov + x * GROUP_LANES);
        lanes a2 = load(in.cand_cov + (x + 1) * GROUP_LANES), a3 = load(in.cand_cov + (x + 2) * GROUP_LANES);
        for (int k = p - 1; k >= 0; --k) {
            const lanes wk = load(in.w + k * GROUP_LANES);
            const double* row = in.base_upper + static_cast<long>(k) * nb + (x - 1);
            a0 = a0 - wk * splat(row[0]);
            a1 = a1 - wk * splat(row[1]);
            a2 = a2 - wk * splat(row[2]);
            a3 = a3 - wk * splat(row[3]);
        }
        store(sums + x * GROUP_LANES, a0);
        store(sums + (x + 1) * GROUP_LANES, a1);
        store(sums + (x + 2) * GROUP_LANES, a2);
        store(sums + (x + 3) * GROUP_LANES, a3);
    }
}

// Columns x..x + BLOCK - 1 of row r > p: the base covariance one row and
// column on, minus the products of the candidates' rows r - 1 down to p, then
// of base rows p - 1 down to 0 (the same product in every lane).
template <int BLOCK>
__attribute__((always_inline)) inline void later_block(const group_factor_input& in, int r, int x,
                                                       const double* upper, double* sums) {
    const int n = in.n, p = in.p, nb = n - 1;
    const double* cov_row = in.base_cov + static_cast<long>(r - 1) * nb + (x - 1);
    lanes a[BLOCK];
#pragma GCC unroll 8
    for (int i = 0; i < BLOCK; ++i) a[i] = splat(cov_row[i]);
    for (int k = r - 1; k >= p; --k) {
        const double* row = upper + static_cast<long>(k) * n * GROUP_LANES;
        const lanes c = load(row + r * GROUP_LANES);
#pragma GCC unroll 8
        for (int i = 0; i < BLOCK; ++i) a[i] = a[i] - c * load(row + (x + i) * GROUP_LANES);
    }
    if (in.base_products != nullptr) {
        // The same products, formed once per pass: each is broadcast from
        // memory (no multiply, no shuffle).
        const long stride = r - 1;
        const double* products = in.base_products + in.product_rows[r - 1] + (x - r) * stride;
        for (int k = p - 1; k >= 0; --k) {
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) a[i] = a[i] - broadcast(products + i * stride + k);
        }
    } else {
        for (int k = p - 1; k >= 0; --k) {
            const double* row = in.base_upper + static_cast<long>(k) * nb;
            const double c = row[r - 1];
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) a[i] = a[i] - splat(c * row[x - 1 + i]);
        }
    }
#pragma GCC unroll 8
    for (int i = 0; i < BLOCK; ++i) store(sums + (x + i) * GROUP_LANES, a[i]);
}

// Whole blocks of columns, as in the candidates' row; the columns past n - 1
// read padding and are never used.
__attribute__((always_inline)) inline void later_row(const group_factor_input& in, int r, const double* upper,
                                                     double* sums) {
    int x = r;
    for (; x + 4 < in.n; x += 8) later_block<8>(in, r, x, upper, sums);
    if (x < in.n) later_block<4>(in, r, x, upper, sums);
}

// later_block for two groups at the same position, in the same loops: each
// group's entries get their own products, in the same order, and the base
// products (the same for both) are loaded once.
template <int BLOCK>
__attribute__((always_inline)) inline void later_block_twin(const group_factor_input& in, int r, int x,
                                                            const double* upper_a, double* sums_a,
                                                            const double* upper_b, double* sums_b) {
    const int n = in.n, p = in.p, nb = n - 1;
    const double* cov_row = in.base_cov + static_cast<long>(r - 1) * nb + (x - 1);
    lanes a[BLOCK], b[BLOCK];
#pragma GCC unroll 8
    for (int i = 0; i < BLOCK; ++i) a[i] = b[i] = splat(cov_row[i]);
    for (int k = r - 1; k >= p; --k) {
        const double* row_a = upper_a + static_cast<long>(k) * n * GROUP_LANES;
        const double* row_b = upper_b + static_cast<long>(k) * n * GROUP_LANES;
        const lanes c_a = load(row_a + r * GROUP_LANES);
        const lanes c_b = load(row_b + r * GROUP_LANES);
#pragma GCC unroll 8
        for (int i = 0; i < BLOCK; ++i) {
            a[i] = a[i] - c_a * load(row_a + (x + i) * GROUP_LANES);
            b[i] = b[i] - c_b * load(row_b + (x + i) * GROUP_LANES);
        }
    }
    if (in.base_products != nullptr) {
        const long stride = r - 1;
        const double* products = in.base_products + in.product_rows[r - 1] + (x - r) * stride;
        for (int k = p - 1; k >= 0; --k) {
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) {
                const lanes product = broadcast(products + i * stride + k);
                a[i] = a[i] - product;
                b[i] = b[i] - product;
            }
        }
    } else {
        for (int k = p - 1; k >= 0; --k) {
            const double* row = in.base_upper + static_cast<long>(k) * nb;
            const double c = row[r - 1];
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) {
                const lanes product = splat(c * row[x - 1 + i]);
                a[i] = a[i] - product;
                b[i] = b[i] - product;
            }
        }
    }
#pragma GCC unroll 8
    for (int i = 0; i < BLOCK; ++i) {
        store(sums_a + (x + i) * GROUP_LANES, a[i]);
        store(sums_b + (x + i) * GROUP_LANES, b[i]);
    }
}

}  // namespace

void factor_group(const group_factor_input& in, double* upper,
                                                                     double* diag, double* sums, int* failed) {
    candidate_row(in, sums);
    finish_row(in.n, in.p, sums, upper, diag, failed);
    for (int r = in.p + 1; r < in.n; ++r) {
        later_row(in, r, upper, sums);
        finish_row(in.n, r, sums, upper, diag, failed);
    }
}

namespace {

// Row r of the columns of groups first..first + COUNT - 1, their sums side by side.
template <int COUNT>
__attribute__((always_inline)) inline void solve_row(const group_solve_input& in, int r, int first, double* columns) {
    const double* lower = in.base_lower + static_cast<long>(r) * in.stride;
    const lanes pivot = splat(in.base_diag[r]);
    lanes a[COUNT];
    const double* w[COUNT];
#pragma GCC unroll 4
    for (int i = 0; i < COUNT; ++i) {
        const std::size_t offset = static_cast<std::size_t>(first + i) * in.block;
        a[i] = load(in.cov + offset + r * GROUP_LANES);
        w[i] = columns + offset;
    }
    for (int k = r - 1; k >= 0; --k) {
        const lanes l = splat(lower[k]);
#pragma GCC unroll 4
        for (int i = 0; i < COUNT; ++i) a[i] = a[i] - l * load(w[i] + k * GROUP_LANES);
    }
#pragma GCC unroll 4
    for (int i = 0; i < COUNT; ++i) store(columns + static_cast<std::size_t>(first + i) * in.block + r * GROUP_LANES,
                                          a[i] / pivot);
}

}  // namespace

// Two groups at the same position: every row of both in one pass of the
// loops (half the loop control, and the base products shared).
void factor_twin_groups(const group_factor_input& in_a, double* upper_a, double* diag_a, double* sums_a,
                        int* failed_a, const group_factor_input& in_b, double* upper_b, double* diag_b,
                        double* sums_b, int* failed_b) {
    const int n = in_a.n;
    candidate_row(in_a, sums_a);
    finish_row(n, in_a.p, sums_a, upper_a, diag_a, failed_a);
    candidate_row(in_b, sums_b);
    finish_row(n, in_b.p, sums_b, upper_b, diag_b, failed_b);
    for (int r = in_a.p + 1; r < n; ++r) {
        int x = r;
        for (; x + 2 < n; x += 4) later_block_twin<4>(in_a, r, x, upper_a, sums_a, upper_b, sums_b);
        if (x < n) later_block_twin<2>(in_a, r, x, upper_a, sums_a, upper_b, sums_b);
        finish_row(n, r, sums_a, upper_a, diag_a, failed_a);
        finish_row(n, r, sums_b, upper_b, diag_b, failed_b);
    }
}

void solve_group_columns(const group_solve_input& in,
                                                                            double* columns) {
    int first = 0;
    for (int r = 0; r < in.rows; ++r) {
        while (first < in.groups && in.positions[first] <= r) ++first;
        int g = first;
        for (; g + 4 <= in.groups; g += 4) solve_row<4>(in, r, g, columns);
        for (; g < in.groups; ++g) solve_row<1>(in, r, g, columns);
    }
}

void group_pair_correlation(int n, int i, const double* column_i, int j, const double* column_j,
                            const square_sum& j_sum, double* r) {
    lanes cross = splat(0), s_i = splat(0), s_j = splat(j_sum.value);
    for (int k = i > j ? i : j; k < n; ++k)
        cross = cross + load(column_i + k * GROUP_LANES) * load(column_j + k * GROUP_LANES);
    for (int k = i; k < n; ++k) s_i = s_i + load(column_i + k * GROUP_LANES) * load(column_i + k * GROUP_LANES);
    for (int k = j_sum.from; k < n; ++k)
        s_j = s_j + load(column_j + k * GROUP_LANES) * load(column_j + k * GROUP_LANES);
    const lanes product = s_j * s_i;
    for (int g = 0; g < GROUP_LANES; ++g) r[g] = cross[g] == 0 ? 0.0 : -(cross[g] / std::sqrt(product[g]));
}

// Two groups at once (the same positions), their six sums side by side.
void twin_pair_correlation(int n, int i, int j, const square_sum& j_sum, const double* const* column_i,
                           const double* const* column_j, double* const* r) {
    lanes cross[2] = {splat(0), splat(0)}, s_i[2] = {splat(0), splat(0)};
    lanes s_j[2] = {splat(j_sum.value), splat(j_sum.value)};
    for (int k = i > j ? i : j; k < n; ++k)
        for (int g = 0; g < 2; ++g)
            cross[g] = cross[g] + load(column_i[g] + k * GROUP_LANES) * load(column_j[g] + k * GROUP_LANES);
    for (int k = i; k < n; ++k)
        for (int g = 0; g < 2; ++g)
            s_i[g] = s_i[g] + load(column_i[g] + k * GROUP_LANES) * load(column_i[g] + k * GROUP_LANES);
    for (int k = j_sum.from; k < n; ++k)
        for (int g = 0; g < 2; ++g)
            s_j[g] = s_j[g] + load(column_j[g] + k * GROUP_LANES) * load(column_j[g] + k * GROUP_LANES);
    for (int g = 0; g < 2; ++g) {
        const lanes product = s_j[g] * s_i[g];
        for (int lane = 0; lane < GROUP_LANES; ++lane)
            r[g][lane] = cross[g][lane] == 0 ? 0.0 : -(cross[g][lane] / std::sqrt(product[lane]));
    }
}

namespace {

// One column alone over rows from..until-1.
__attribute__((always_inline)) inline void finish_rows(const double* upper, const double* diag, int n, int from,
                                                       int until, double* column) {
    for (int k = from; k < until; ++k) {
        const lanes value = load(column + k * GROUP_LANES) / load(diag + k * GROUP_LANES);
        store(column + k * GROUP_LANES, value);
        const double* row = upper + static_cast<long>(k) * n * GROUP_LANES;
        for (int c = k + 1; c < n; ++c)
            store(column + c * GROUP_LANES, load(column + c * GROUP_LANES) - load(row + c * GROUP_LANES) * value);
    }
}

// One column in each of two groups at once, over rows from..until-1.
__attribute__((always_inline)) inline void finish_rows_twin(const double* upper_a, const double* diag_a,
                                                            double* column_a, const double* upper_b,
                                                            const double* diag_b, double* column_b, int n, int from,
                                                            int until) {
    for (int k = from; k < until; ++k) {
        const lanes value_a = load(column_a + k * GROUP_LANES) / load(diag_a + k * GROUP_LANES);
        const lanes value_b = load(column_b + k * GROUP_LANES) / load(diag_b + k * GROUP_LANES);
        store(column_a + k * GROUP_LANES, value_a);
        store(column_b + k * GROUP_LANES, value_b);
        const double* row_a = upper_a + static_cast<long>(k) * n * GROUP_LANES;
        const double* row_b = upper_b + static_cast<long>(k) * n * GROUP_LANES;
        for (int c = k + 1; c < n; ++c) {
            store(column_a + c * GROUP_LANES, load(column_a + c * GROUP_LANES) - load(row_a + c * GROUP_LANES) * value_a);
            store(column_b + c * GROUP_LANES, load(column_b + c * GROUP_LANES) - load(row_b + c * GROUP_LANES) * value_b);
        }
    }
}

}  // namespace

// finish_group_columns for two groups at the same position (the same rows to
// start from), the four columns in the same loops.
void finish_twin_group_columns(const twin_columns& a, const twin_columns& b, int n, int from_a, int from_b) {
    const int both = from_a > from_b ? from_a : from_b;
    if (from_a < both)
        finish_rows_twin(a.upper, a.diag, a.column_a, b.upper, b.diag, b.column_a, n, from_a, both);
    if (from_b < both)
        finish_rows_twin(a.upper, a.diag, a.column_b, b.upper, b.diag, b.column_b, n, from_b, both);
    for (int k = both; k < n; ++k) {
        const lanes d_a = load(a.diag + k * GROUP_LANES);
        const lanes d_b = load(b.diag + k * GROUP_LANES);
        const lanes value_aa = load(a.column_a + k * GROUP_LANES) / d_a;
        const lanes value_ab = load(a.column_b + k * GROUP_LANES) / d_a;
        const lanes value_ba = load(b.column_a + k * GROUP_LANES) / d_b;
        const lanes value_bb = load(b.column_b + k * GROUP_LANES) / d_b;
        store(a.column_a + k * GROUP_LANES, value_aa);
        store(a.column_b + k * GROUP_LANES, value_ab);
        store(b.column_a + k * GROUP_LANES, value_ba);
        store(b.column_b + k * GROUP_LANES, value_bb);
        const double* row_a = a.upper + static_cast<long>(k) * n * GROUP_LANES;
        const double* row_b = b.upper + static_cast<long>(k) * n * GROUP_LANES;
        for (int c = k + 1; c < n; ++c) {
            const lanes u_a = load(row_a + c * GROUP_LANES);
            const lanes u_b = load(row_b + c * GROUP_LANES);
            store(a.column_a + c * GROUP_LANES, load(a.column_a + c * GROUP_LANES) - u_a * value_aa);
            store(a.column_b + c * GROUP_LANES, load(a.column_b + c * GROUP_LANES) - u_a * value_ab);
            store(b.column_a + c * GROUP_LANES, load(b.column_a + c * GROUP_LANES) - u_b * value_ba);
            store(b.column_b + c * GROUP_LANES, load(b.column_b + c * GROUP_LANES) - u_b * value_bb);
        }
    }
}

// Both columns advance together once both have started, so that the latency
// of one column's division overlaps the other's work.
void finish_group_columns(const double* upper, const double* diag,
                                                                             int n, int from_a, double* column_a,
                                                                             int from_b, double* column_b) {
    const int both = from_a > from_b ? from_a : from_b;
    if (from_a < both) finish_rows(upper, diag, n, from_a, both, column_a);
    if (from_b < both) finish_rows(upper, diag, n, from_b, both, column_b);
    for (int k = both; k < n; ++k) {
        const lanes d = load(diag + k * GROUP_LANES);
        const lanes value_a = load(column_a + k * GROUP_LANES) / d;
        const lanes value_b = load(column_b + k * GROUP_LANES) / d;
        store(column_a + k * GROUP_LANES, value_a);
        store(column_b + k * GROUP_LANES, value_b);
        const double* row = upper + static_cast<long>(k) * n * GROUP_LANES;
        for (int c = k + 1; c < n; ++c) {
            const lanes u = load(row + c * GROUP_LANES);
            store(column_a + c * GROUP_LANES, load(column_a + c * GROUP_LANES) - u * value_a);
            store(column_b + c * GROUP_LANES, load(column_b + c * GROUP_LANES) - u * value_b);
        }
    }
}

// This instruction set's kernels, for the dispatcher.
extern const group_kernel_set kernels{factor_group,           factor_twin_groups,    solve_group_columns,
                                      group_pair_correlation, twin_pair_correlation, finish_group_columns,
                                      finish_twin_group_columns};

}  // namespace gaussnet::GAUSSNET_KERNEL_ISA
