#include "stats/group_kernels.h"

#include <cmath>

namespace gaussnet {

namespace {

using namespace simd;

GAUSSNET_LANE_HELPER lanes lanes_sqrt(lanes s) {
    return lanes{__builtin_sqrt(s[0]), __builtin_sqrt(s[1]), __builtin_sqrt(s[2]), __builtin_sqrt(s[3])};
}

GAUSSNET_LANE_HELPER double* lane_row(double* cells, int n, int r) {
    return cells + static_cast<long>(r) * n * GROUP_LANES;
}

// Pivot check, square root and division of row r by it, in every lane.
GAUSSNET_LANE_HELPER void finish_row(int n, int r, const lane_group_data& group) {
    const lanes s = load(group.sums + r * GROUP_LANES);
    // Rarely true: test all lanes at once before looking at each.
    if (s[0] <= 0 || s[1] <= 0 || s[2] <= 0 || s[3] <= 0) {
        for (int g = 0; g < GROUP_LANES; ++g)
            if (group.failed[g] < 0 && s[g] <= 0) group.failed[g] = r;
    }
    // Built in registers (no lane-by-lane store and reload); a square root is
    // correctly rounded, so the vector instruction gives the scalar's bits.
    const lanes pivot = lanes_sqrt(s);
    store(group.diag + r * GROUP_LANES, pivot);
    double* out = lane_row(group.upper, n, r);
    for (int x = r + 1; x < n; ++x) store(out + x * GROUP_LANES, load(group.sums + x * GROUP_LANES) / pivot);
}

// The candidates' own row p: its entries minus w[k] times w[k] (the diagonal)
// or times base row k, one column on (the rest), for k from p - 1 down to 0.
GAUSSNET_LANE_HELPER void candidate_row(const group_base& base, const lane_group_data& group) {
    const int n = base.n, p = base.p, nb = n - 1;
    lanes s = load(group.cand_var);
    for (int k = p - 1; k >= 0; --k) {
        const lanes wk = load(group.w + k * GROUP_LANES);
        s = s - wk * wk;
    }
    store(group.sums + p * GROUP_LANES, s);
    // Whole blocks of four columns: the columns past n - 1 read padding and are never used.
    for (int x = p + 1; x < n; x += 4) {
        lanes a[4];
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) a[i] = load(group.cand_cov + (x - 1 + i) * GROUP_LANES);
        for (int k = p - 1; k >= 0; --k) {
            const lanes wk = load(group.w + k * GROUP_LANES);
            const double* row = base.upper + static_cast<long>(k) * nb + (x - 1);
#pragma GCC unroll 4
            for (int i = 0; i < 4; ++i) a[i] = a[i] - wk * row[i];
        }
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) store(group.sums + (x + i) * GROUP_LANES, a[i]);
    }
}

// a[i][g] minus U[k][r - 1] * U[k][x - 1 + i] for k from p - 1 down to 0:
// the same product in every lane and group, so loaded or formed once for all.
template <int GROUPS, int BLOCK>
GAUSSNET_LANE_HELPER void subtract_base_products(const group_base& base, int r, int x, lanes (&a)[BLOCK][GROUPS]) {
    const int p = base.p, nb = base.n - 1;
    if (base.products != nullptr) {  // formed once per pass
        const long stride = r - 1;
        const double* products = base.products + base.product_rows[r - 1] + (x - r) * stride;
        for (int k = p - 1; k >= 0; --k) {
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) {
                const double product = products[i * stride + k];
#pragma GCC unroll 2
                for (int g = 0; g < GROUPS; ++g) a[i][g] = a[i][g] - product;
            }
        }
    } else {
        for (int k = p - 1; k >= 0; --k) {
            const double* row = base.upper + static_cast<long>(k) * nb;
            const double c = row[r - 1];
#pragma GCC unroll 8
            for (int i = 0; i < BLOCK; ++i) {
                const double product = c * row[x - 1 + i];
#pragma GCC unroll 2
                for (int g = 0; g < GROUPS; ++g) a[i][g] = a[i][g] - product;
            }
        }
    }
}

// Columns x..x + BLOCK - 1 of row r > p in each of GROUPS groups: the base
// covariance one row and column on, minus the products of the group's own
// rows r - 1 down to p, then of base rows p - 1 down to 0.
template <int GROUPS, int BLOCK>
GAUSSNET_LANE_HELPER void later_block(const group_base& base, const lane_group_data* groups, int r, int x) {
    const int n = base.n, p = base.p, nb = n - 1;
    const double* cov_row = base.cov + static_cast<long>(r - 1) * nb + (x - 1);
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
            row[g] = lane_row(groups[g].upper, n, k);
            c[g] = load(row[g] + r * GROUP_LANES);
        }
#pragma GCC unroll 8
        for (int i = 0; i < BLOCK; ++i)
#pragma GCC unroll 2
            for (int g = 0; g < GROUPS; ++g) a[i][g] = a[i][g] - c[g] * load(row[g] + (x + i) * GROUP_LANES);
    }
    subtract_base_products<GROUPS, BLOCK>(base, r, x, a);
#pragma GCC unroll 2
    for (int g = 0; g < GROUPS; ++g)
#pragma GCC unroll 8
        for (int i = 0; i < BLOCK; ++i) store(groups[g].sums + (x + i) * GROUP_LANES, a[i][g]);
}

// Rows p..n-1 of GROUPS groups at one position. A later row's columns go in
// whole blocks (KERNEL_BLOCK for one group, half as many for two); the columns
// past n - 1 read padding and are never used.
template <int GROUPS>
GAUSSNET_LANE_HELPER void factor_rows(const group_base& base, const lane_group_data* groups) {
    constexpr int BLOCK = KERNEL_BLOCK / GROUPS;
    for (int g = 0; g < GROUPS; ++g) {
        candidate_row(base, groups[g]);
        finish_row(base.n, base.p, groups[g]);
    }
    for (int r = base.p + 1; r < base.n; ++r) {
        int x = r;
        for (; x + BLOCK / 2 < base.n; x += BLOCK) later_block<GROUPS, BLOCK>(base, groups, r, x);
        if (x < base.n) later_block<GROUPS, BLOCK / 2>(base, groups, r, x);
        for (int g = 0; g < GROUPS; ++g) finish_row(base.n, r, groups[g]);
    }
}

// Row r of the columns of groups first..first + COUNT - 1, their sums side by side.
template <int COUNT>
GAUSSNET_LANE_HELPER void solve_row(const group_solve_input& in, int r, int first, double* columns) {
    const double* lower = in.base_lower + static_cast<long>(r) * in.stride;
    const double pivot = in.base_diag[r];
    lanes a[COUNT];
    double* w[COUNT];
#pragma GCC unroll 4
    for (int i = 0; i < COUNT; ++i) {
        const std::size_t offset = static_cast<std::size_t>(first + i) * in.block;
        a[i] = load(in.cov + offset + r * GROUP_LANES);
        w[i] = columns + offset;
    }
    for (int k = r - 1; k >= 0; --k) {
        const double l = lower[k];
#pragma GCC unroll 4
        for (int i = 0; i < COUNT; ++i) a[i] = a[i] - l * load(w[i] + k * GROUP_LANES);
    }
#pragma GCC unroll 4
    for (int i = 0; i < COUNT; ++i) store(w[i] + r * GROUP_LANES, a[i] / pivot);
}

GAUSSNET_LANE_HELPER double* column_of(const lane_group_data& group, int which) {
    return which == 0 ? group.column_i : group.column_j;
}

// Rows from..until-1 of columns FIRST..FIRST + COUNT - 1 (0: column_i,
// 1: column_j) in each of GROUPS groups: for k ascending, column[k] /=
// diag[k], then column[c] -= upper[k][c] * column[k] for c > k. All of them
// advance together, so that the latency of one division overlaps the others'
// work; a group's two columns share the loads of its factor.
template <int GROUPS, int FIRST, int COUNT>
GAUSSNET_LANE_HELPER void finish_rows(const lane_group_data* groups, int n, int from, int until) {
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
            row[g] = lane_row(groups[g].upper, n, k);
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
GAUSSNET_LANE_HELPER void finish_columns(const lane_group_data* groups, int n, int from_i, int from_j) {
    const int both = from_i > from_j ? from_i : from_j;
    if (from_i < both) finish_rows<GROUPS, 0, 1>(groups, n, from_i, both);
    if (from_j < both) finish_rows<GROUPS, 1, 1>(groups, n, from_j, both);
    finish_rows<GROUPS, 0, 2>(groups, n, both, n);
}

// Partial correlations of GROUPS groups with the same positions i and j, their
// sums side by side.
template <int GROUPS>
GAUSSNET_LANE_HELPER void pair_correlations(int n, int i, int j, const square_sum& j_sum,
                                            const lane_group_data* groups) {
    lanes cross[GROUPS], s_i[GROUPS], s_j[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        cross[g] = s_i[g] = splat(0);
        s_j[g] = splat(j_sum.value);
    }
    const double* column_i[GROUPS];
    const double* column_j[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        column_i[g] = groups[g].column_i;
        column_j[g] = groups[g].column_j;
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
            groups[g].r[lane] = cross[g][lane] == 0 ? 0.0 : -(cross[g][lane] / std::sqrt(product[lane]));
    }
}

}  // namespace

std::size_t base_product_table(const double* base_upper, int nb, int rows, std::size_t* product_rows,
                               double* products) {
    std::size_t size = 0;
    for (int r = 0; r < nb; ++r) {
        const std::size_t columns = static_cast<std::size_t>(nb - r) + (KERNEL_BLOCK - 1);
        if (products == nullptr) {
            product_rows[r] = size;
        } else {
            double* out = products + product_rows[r];
            for (int k = 0; k < r && k < rows; ++k) {
                const double* row = base_upper + static_cast<long>(k) * nb;
                const double c = row[r];
                for (int x = r; x < nb; ++x) out[static_cast<std::size_t>(x - r) * r + k] = c * row[x];
            }
        }
        size += columns * static_cast<std::size_t>(r);
    }
    return size;
}

GAUSSNET_MULTI_ISA void solve_group_columns(const group_solve_input& in, double* columns) {
    int first = 0;
    for (int r = 0; r < in.rows; ++r) {
        while (first < in.groups && in.positions[first] <= r) ++first;
        int g = first;
        for (; g + 4 <= in.groups; g += 4) solve_row<4>(in, r, g, columns);
        for (; g < in.groups; ++g) solve_row<1>(in, r, g, columns);
    }
}

GAUSSNET_MULTI_ISA void factor_groups(const group_base& base, const lane_group_data* groups, int count) {
    if (count == 2) return factor_rows<2>(base, groups);
    factor_rows<1>(base, groups);
}

GAUSSNET_MULTI_ISA void finish_group_columns(int n, int from_i, int from_j, const lane_group_data* groups, int count) {
    if (count == 2) return finish_columns<2>(groups, n, from_i, from_j);
    finish_columns<1>(groups, n, from_i, from_j);
}

GAUSSNET_MULTI_ISA void group_pair_correlations(int n, int i, int j, const square_sum& j_sum,
                                                const lane_group_data* groups, int count) {
    if (count == 2) return pair_correlations<2>(n, i, j, j_sum, groups);
    pair_correlations<1>(n, i, j, j_sum, groups);
}

}  // namespace gaussnet
