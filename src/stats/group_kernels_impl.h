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

// Columns x..x + BLOCK - 1 of row r > p in each of GROUPS groups at the
// same position: the base covariance one row and column on, minus the
// products of the group's own rows r - 1 down to p, then of base rows p - 1
// down to 0 (the same product in every lane and group, so loaded or formed
// once for all of them).
template <int GROUPS, int BLOCK>
__attribute__((always_inline)) inline void later_block(const group_factor_input& in, int r, int x, double* const* upper,
                                                       double* const* sums) {
    const int n = in.n, p = in.p, nb = n - 1;
    const double* cov_row = in.base_cov + static_cast<long>(r - 1) * nb + (x - 1);
    lanes a[BLOCK][GROUPS];
#pragma GCC unroll 8
    for (int i = 0; i < BLOCK; ++i)
#pragma GCC unroll 2
        for (int g = 0; g < GROUPS; ++g) a[i][g] = splat(cov_row[i]);
    for (int k = r - 1; k >= p; --k) {
        const double* row[GROUPS];
        lanes c[GROUPS];
#pragma GCC unroll 2
        for (int g = 0; g < GROUPS; ++g) {
            row[g] = upper[g] + static_cast<long>(k) * n * GROUP_LANES;
            c[g] = load(row[g] + r * GROUP_LANES);
        }
#pragma GCC unroll 8
        for (int i = 0; i < BLOCK; ++i)
#pragma GCC unroll 2
            for (int g = 0; g < GROUPS; ++g) a[i][g] = a[i][g] - c[g] * load(row[g] + (x + i) * GROUP_LANES);
    }
    if (in.base_products != nullptr) {
        // The same products, formed once per pass: each is broadcast from
        // memory (no multiply, no shuffle).
        const long stride = r - 1;
        const double* products = in.base_products + in.product_rows[r - 1] + (x - r) * stride;
        for (int k = p - 1; k >= 0; --k) {
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) {
                const lanes product = broadcast(products + i * stride + k);
#pragma GCC unroll 2
                for (int g = 0; g < GROUPS; ++g) a[i][g] = a[i][g] - product;
            }
        }
    } else {
        for (int k = p - 1; k >= 0; --k) {
            const double* row = in.base_upper + static_cast<long>(k) * nb;
            const double c = row[r - 1];
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) {
                const lanes product = splat(c * row[x - 1 + i]);
#pragma GCC unroll 2
                for (int g = 0; g < GROUPS; ++g) a[i][g] = a[i][g] - product;
            }
        }
    }
#pragma GCC unroll 2
    for (int g = 0; g < GROUPS; ++g)
#pragma GCC unroll 8
        for (int i = 0; i < BLOCK; ++i) store(sums[g] + (x + i) * GROUP_LANES, a[i][g]);
}

// Row r > p of GROUPS groups at one position, then its pivots and divisions.
// The columns go in whole blocks (eight for one group, four for two, as many
// sums as the registers hold); the columns past n - 1 read padding and are
// never used.
template <int GROUPS>
__attribute__((always_inline)) inline void later_row(const group_factor_input& in, int r, double* const* upper,
                                                     double* const* diag, double* const* sums, int* const* failed) {
    constexpr int BLOCK = 8 / GROUPS;
    int x = r;
    for (; x + BLOCK / 2 < in.n; x += BLOCK) later_block<GROUPS, BLOCK>(in, r, x, upper, sums);
    if (x < in.n) later_block<GROUPS, BLOCK / 2>(in, r, x, upper, sums);
    for (int g = 0; g < GROUPS; ++g) finish_row(in.n, r, sums[g], upper[g], diag[g], failed[g]);
}

// Rows p..n-1 of GROUPS groups at one position.
template <int GROUPS>
__attribute__((always_inline)) inline void factor_groups(const group_factor_input* const* in, double* const* upper,
                                                         double* const* diag, double* const* sums, int* const* failed) {
    for (int g = 0; g < GROUPS; ++g) {
        candidate_row(*in[g], sums[g]);
        finish_row(in[g]->n, in[g]->p, sums[g], upper[g], diag[g], failed[g]);
    }
    for (int r = in[0]->p + 1; r < in[0]->n; ++r) later_row<GROUPS>(*in[0], r, upper, diag, sums, failed);
}

}  // namespace

void factor_group(const group_factor_input& in, double* upper, double* diag, double* sums, int* failed) {
    const group_factor_input* inputs[1] = {&in};
    factor_groups<1>(inputs, &upper, &diag, &sums, &failed);
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
    for (int i = 0; i < COUNT; ++i)
        store(columns + static_cast<std::size_t>(first + i) * in.block + r * GROUP_LANES, a[i] / pivot);
}

}  // namespace

// Two groups at the same position: every row of both in one pass of the
// loops (half the loop control, and the base products shared).
void factor_twin_groups(const group_factor_input& in_a, double* upper_a, double* diag_a, double* sums_a, int* failed_a,
                        const group_factor_input& in_b, double* upper_b, double* diag_b, double* sums_b,
                        int* failed_b) {
    const group_factor_input* inputs[2] = {&in_a, &in_b};
    double* upper[2] = {upper_a, upper_b};
    double* diag[2] = {diag_a, diag_b};
    double* sums[2] = {sums_a, sums_b};
    int* failed[2] = {failed_a, failed_b};
    factor_groups<2>(inputs, upper, diag, sums, failed);
}

void solve_group_columns(const group_solve_input& in, double* columns) {
    int first = 0;
    for (int r = 0; r < in.rows; ++r) {
        while (first < in.groups && in.positions[first] <= r) ++first;
        int g = first;
        for (; g + 4 <= in.groups; g += 4) solve_row<4>(in, r, g, columns);
        for (; g < in.groups; ++g) solve_row<1>(in, r, g, columns);
    }
}

namespace {

// Partial correlations of GROUPS groups with the same positions i and j, their
// sums side by side.
template <int GROUPS>
__attribute__((always_inline)) inline void pair_correlations(int n, int i, int j, const square_sum& j_sum,
                                                             const double* const* column_i,
                                                             const double* const* column_j, double* const* r) {
    lanes cross[GROUPS], s_i[GROUPS], s_j[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        cross[g] = s_i[g] = splat(0);
        s_j[g] = splat(j_sum.value);
    }
    for (int k = i > j ? i : j; k < n; ++k)
        for (int g = 0; g < GROUPS; ++g)
            cross[g] = cross[g] + load(column_i[g] + k * GROUP_LANES) * load(column_j[g] + k * GROUP_LANES);
    for (int k = i; k < n; ++k)
        for (int g = 0; g < GROUPS; ++g)
            s_i[g] = s_i[g] + load(column_i[g] + k * GROUP_LANES) * load(column_i[g] + k * GROUP_LANES);
    for (int k = j_sum.from; k < n; ++k)
        for (int g = 0; g < GROUPS; ++g)
            s_j[g] = s_j[g] + load(column_j[g] + k * GROUP_LANES) * load(column_j[g] + k * GROUP_LANES);
    for (int g = 0; g < GROUPS; ++g) {
        const lanes product = s_j[g] * s_i[g];
        for (int lane = 0; lane < GROUP_LANES; ++lane)
            r[g][lane] = cross[g][lane] == 0 ? 0.0 : -(cross[g][lane] / std::sqrt(product[lane]));
    }
}

__attribute__((always_inline)) inline double* column_of(const twin_columns& group, int which) {
    return which == 0 ? group.column_a : group.column_b;
}

// Rows from..until-1 of columns FIRST..FIRST + COUNT - 1 (0: column_a,
// 1: column_b) in each of GROUPS groups: for k ascending, column[k] /=
// diag[k], then column[c] -= upper[k][c] * column[k] for c > k. All of them
// advance together, so that the latency of one division overlaps the others'
// work; a group's two columns share the loads of its factor.
template <int GROUPS, int FIRST, int COUNT>
__attribute__((always_inline)) inline void finish_rows(const twin_columns* groups, int n, int from, int until) {
    double* column[GROUPS][COUNT];
#pragma GCC unroll 2
    for (int g = 0; g < GROUPS; ++g)
#pragma GCC unroll 2
        for (int m = 0; m < COUNT; ++m) column[g][m] = column_of(groups[g], FIRST + m);
    for (int k = from; k < until; ++k) {
        lanes value[GROUPS][COUNT];
        const double* row[GROUPS];
#pragma GCC unroll 2
        for (int g = 0; g < GROUPS; ++g) {
            const lanes d = load(groups[g].diag + k * GROUP_LANES);
#pragma GCC unroll 2
            for (int m = 0; m < COUNT; ++m) {
                value[g][m] = load(column[g][m] + k * GROUP_LANES) / d;
                store(column[g][m] + k * GROUP_LANES, value[g][m]);
            }
            row[g] = groups[g].upper + static_cast<long>(k) * n * GROUP_LANES;
        }
        for (int c = k + 1; c < n; ++c)
#pragma GCC unroll 2
            for (int g = 0; g < GROUPS; ++g) {
                const lanes u = load(row[g] + c * GROUP_LANES);
#pragma GCC unroll 2
                for (int m = 0; m < COUNT; ++m)
                    store(column[g][m] + c * GROUP_LANES, load(column[g][m] + c * GROUP_LANES) - u * value[g][m]);
            }
    }
}

// Both columns of GROUPS groups: each alone until the other has started.
template <int GROUPS>
__attribute__((always_inline)) inline void finish_columns(const twin_columns* groups, int n, int from_a, int from_b) {
    const int both = from_a > from_b ? from_a : from_b;
    if (from_a < both) finish_rows<GROUPS, 0, 1>(groups, n, from_a, both);
    if (from_b < both) finish_rows<GROUPS, 1, 1>(groups, n, from_b, both);
    finish_rows<GROUPS, 0, 2>(groups, n, both, n);
}

}  // namespace

void group_pair_correlation(int n, int i, const double* column_i, int j, const double* column_j,
                            const square_sum& j_sum, double* r) {
    pair_correlations<1>(n, i, j, j_sum, &column_i, &column_j, &r);
}

void twin_pair_correlation(int n, int i, int j, const square_sum& j_sum, const double* const* column_i,
                           const double* const* column_j, double* const* r) {
    pair_correlations<2>(n, i, j, j_sum, column_i, column_j, r);
}

void finish_group_columns(const double* upper, const double* diag, int n, int from_a, double* column_a, int from_b,
                          double* column_b) {
    const twin_columns group{upper, diag, column_a, column_b};
    finish_columns<1>(&group, n, from_a, from_b);
}

void finish_twin_group_columns(const twin_columns& a, const twin_columns& b, int n, int from_a, int from_b) {
    const twin_columns groups[2] = {a, b};
    finish_columns<2>(groups, n, from_a, from_b);
}

// This instruction set's kernels, for the dispatcher.
extern const group_kernel_set kernels{
    factor_group,          factor_twin_groups,   solve_group_columns,      group_pair_correlation,
    twin_pair_correlation, finish_group_columns, finish_twin_group_columns};

}  // namespace gaussnet::GAUSSNET_KERNEL_ISA
