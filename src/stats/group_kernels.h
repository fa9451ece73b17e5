#pragma once
// Lockstep kernels for several candidates inserted at the same position of one
// base: lane g of every vector belongs to candidate g. Each lane gets exactly
// the scalar operations of its own factorisation, in the same order, so the
// results are bit-identical; the lanes share the latency of each step (a
// pivot's square root, a division) instead of waiting for it one by one.
//
// Layouts (n = base order + 1, lanes fastest): upper[(r * n + x) * GROUP_LANES + g]
// for the rows r >= p of the candidates' factors, diag[r * GROUP_LANES + g],
// column[c * GROUP_LANES + g].

#include <cstddef>

namespace gaussnet {

inline constexpr int GROUP_LANES = 4;

// Columns are computed in blocks of up to eight: every row of base_upper,
// base_cov, cand_cov, upper and sums must be readable (and sums writable) up
// to seven columns past its end, so their buffers carry GROUP_PADDING spare doubles.
inline constexpr int GROUP_PADDING = 8 * GROUP_LANES;

struct group_factor_input {
    int n;                     // order of the extended matrices
    int p;                     // the candidates' position
    const double* base_upper;  // the base factor U = L^T, stride n - 1
    const double* base_cov;    // the base covariances (upper triangle), stride n - 1
    const double* w;           // w[k * GROUP_LANES + g], k < p: candidate g's column in base row k
    const double* cand_cov;    // cand_cov[x * GROUP_LANES + g], x < n - 1: covariance with base variable x
    const double* cand_var;    // cand_var[g]: the candidate's variance
    // Optional (null when absent): the base's products U[k][r] * U[k][x], k < r <= x,
    // at base_products[product_rows[r] + (x - r) * r + k], as base_product_table lays them out.
    const double* base_products;
    const std::size_t* product_rows;
};

// Lays out the products U[k][r] * U[k][x] of base rows k < rows (those before
// a failed pivot) for every base row r and column x >= r, with seven spare
// columns per row r for the kernels' whole blocks. With products null, only
// fills product_rows[0..nb) and returns the size in doubles.
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

// Every group's columns in the base rows above its position, written like its
// covariances: entry r is cov[r] minus L[r][k] times entry k for k = r - 1
// down to 0, divided by the pivot of row r.
void solve_group_columns(const group_solve_input& in, double* columns);

// Factorises rows p..n-1 of every lane's extended matrix. failed[g] receives
// the first row whose pivot is not positive (a NaN goes on), or stays as it is.
void factor_group(const group_factor_input& in, double* upper, double* diag, double* sums, int* failed);

// The same for two groups at the same position of the same base (in_a.p ==
// in_b.p): their rows share the loops and the base's products.
void factor_twin_groups(const group_factor_input& in_a, double* upper_a, double* diag_a, double* sums_a, int* failed_a,
                        const group_factor_input& in_b, double* upper_b, double* diag_b, double* sums_b, int* failed_b);

// The sum of squares of column j's entries j..from-1, summed upward from 0, when
// they are the same in every lane (value 0 and from j when nothing is known).
struct square_sum {
    double value;
    int from;
};

// Each lane's partial correlation of positions i and j from its two
// inverse-factor columns: -(cross / sqrt(s_j * s_i)), or +0 when cross is 0;
// s_j continues from j_sum.
void group_pair_correlation(int n, int i, const double* column_i, int j, const double* column_j,
                            const square_sum& j_sum, double* r);

// The same for two groups with the same i and j: column_i[g], column_j[g] -> r[g].
void twin_pair_correlation(int n, int i, int j, const square_sum& j_sum, const double* const* column_i,
                           const double* const* column_j, double* const* r);

// Finishes two inverse-factor columns in every lane, entries from_a..n-1 of
// column_a and from_b..n-1 of column_b: for k ascending, column[k] /= diag[k],
// then column[c] -= upper[k][c] * column[k] for c > k.
void finish_group_columns(const double* upper, const double* diag, int n, int from_a, double* column_a, int from_b,
                          double* column_b);

// Two groups at the same position: each one's factor and pivots, and its two
// columns, finished in the same loops from the same rows.
struct twin_columns {
    const double* upper;
    const double* diag;
    double* column_a;
    double* column_b;
};
void finish_twin_group_columns(const twin_columns& a, const twin_columns& b, int n, int from_a, int from_b);

// One instruction set's build of the kernels above; the functions above call
// the AVX2 build when the processor has AVX2, the baseline build otherwise.
// Both give the same bits (no fused multiply-add in either).
struct group_kernel_set {
    void (*factor_group)(const group_factor_input&, double*, double*, double*, int*);
    void (*factor_twin_groups)(const group_factor_input&, double*, double*, double*, int*, const group_factor_input&,
                               double*, double*, double*, int*);
    void (*solve_group_columns)(const group_solve_input&, double*);
    void (*group_pair_correlation)(int, int, const double*, int, const double*, const square_sum&, double*);
    void (*twin_pair_correlation)(int, int, int, const square_sum&, const double* const*, const double* const*,
                                  double* const*);
    void (*finish_group_columns)(const double*, const double*, int, int, double*, int, double*);
    void (*finish_twin_group_columns)(const twin_columns&, const twin_columns&, int, int, int);
};

namespace avx2 {
extern const group_kernel_set kernels;
}
namespace baseline {
extern const group_kernel_set kernels;
}

}  // namespace gaussnet
