#pragma once
// Lockstep kernels for several candidates inserted at the same position p of
// one base: lane g of every vector belongs to candidate g. Each lane gets
// exactly the scalar operations of its own factorisation, in the same order,
// so the results are bit-identical; the lanes share the latency of each step
// (a pivot's square root, a division) instead of waiting for it one by one.
// Up to MAX_GROUPS groups at one position share the loops and the base's
// products. (candidate_tests.h states the mathematics and the notation.)
//
// Layouts (n = base order + 1, lanes fastest): upper[(r * n + x) * GROUP_LANES + g]
// for the rows r >= p of the candidates' factors, diag[r * GROUP_LANES + g],
// column[c * GROUP_LANES + g].

#include <cstddef>

#include "common/lanes.h"

namespace gaussnet {

inline constexpr int GROUP_LANES = simd::LANES;
inline constexpr int MAX_GROUPS = 2;

// A row's columns are computed in blocks of up to KERNEL_BLOCK, as many vector
// sums as the registers hold: every row of the base factor, the base and
// candidate covariances, upper and sums must be readable (and sums writable)
// up to KERNEL_BLOCK - 1 columns past its end, so their buffers carry
// GROUP_PADDING spare doubles.
inline constexpr int KERNEL_BLOCK = 8;
inline constexpr int GROUP_PADDING = KERNEL_BLOCK * GROUP_LANES;

// What every group at position p of one base reads.
struct group_base {
    int n;                // order of the extended matrices
    int p;                // the candidates' position
    const double* upper;  // the base factor U, stride n - 1
    const double* cov;    // the base covariances (upper triangle), stride n - 1
    // Optional (null when absent): the products U[k][r] * U[k][x], k < r <= x,
    // at products[product_rows[r] + (x - r) * r + k], as base_product_table lays them out.
    const double* products;
    const std::size_t* product_rows;
};

// One group's arrays, lanes fastest.
struct lane_group_data {
    const double* w;         // w[k * GROUP_LANES + g], k < p: candidate g's column in base row k
    const double* cand_cov;  // cand_cov[x * GROUP_LANES + g], x < n - 1: covariance with base variable x
    const double* cand_var;  // cand_var[g]: the candidate's variance
    double* upper;           // rows p..n-1 of the candidates' factors
    double* diag;
    double* sums;      // scratch of one row
    int* failed;       // the first row whose pivot is not positive, or -1
    double* column_i;  // the candidates' inverse-factor columns
    double* column_j;  // the target's
    double* r;         // the partial correlations
};

// Lays out the products U[k][r] * U[k][x] of base rows k < rows (those before
// a failed pivot) for every base row r and column x >= r, with KERNEL_BLOCK - 1
// spare columns per row r. With products null, only fills product_rows[0..nb)
// and returns the size in doubles.
std::size_t base_product_table(const double* base_upper, int nb, int rows, std::size_t* product_rows, double* products);

struct group_solve_input {
    const double* base_lower;  // L = U^T of the base, row r at r * stride
    int stride;
    const double* base_diag;
    int rows;              // base rows to solve (those before a failed pivot)
    const int* positions;  // per group, non-decreasing: its rows are those above it
    int groups;
    const double* cov;  // per group (block doubles apart): cov[x * GROUP_LANES + g]
    std::size_t block;
};

// Every group's columns w in the base rows above its position, written like
// its covariances: entry r is cov[r] minus L[r][k] times entry k for k = r - 1
// down to 0, divided by the pivot of row r.
void solve_group_columns(const group_solve_input& in, double* columns);

// Rows p..n-1 of every lane's extended factor, for count (1 to MAX_GROUPS)
// groups at base.p. failed[g] receives the first row whose pivot is not
// positive (a NaN goes on), or stays as it is.
void factor_groups(const group_base& base, const lane_group_data* groups, int count);

// Finishes both inverse-factor columns of every lane, entries from_i..n-1 of
// column_i and from_j..n-1 of column_j: for k ascending, column[k] /= diag[k],
// then column[c] -= upper[k][c] * column[k] for c > k.
void finish_group_columns(int n, int from_i, int from_j, const lane_group_data* groups, int count);

// The sum of squares of column j's entries j..from-1, summed upward from 0, when
// they are the same in every lane (value 0 and from j when nothing is known).
struct square_sum {
    double value;
    int from;
};

// Each lane's partial correlation of positions i and j from its two
// inverse-factor columns: -(cross / sqrt(s_j * s_i)), or +0 when cross is 0;
// s_j continues from j_sum.
void group_pair_correlations(int n, int i, int j, const square_sum& j_sum, const lane_group_data* groups, int count);

}  // namespace gaussnet
