#pragma once
// The non-members' tests of one pass, and the mathematics they share.
//
// Base. B = (b_0 < b_1 < ... < b_{m-1}) are the members and the target in
// variable order, q the target's position in B, and A the covariances of B.
// A member's test matrix is A itself (the member's flag cleared, the member
// is still in B), so the base is factorised once per pass. The factor
// A = L L^T is kept as U = L^T (row r of U is column r of L) with the pivots
// d_r apart; every sum runs from the nearest row back:
//     s(r, x) = A[r][x] - sum over k = r-1 down to 0 of U[k][r] * U[k][x]
//     d_r = sqrt(s(r, r)), the pivot must be positive (a NaN goes on)
//     U[r][x] = s(r, x) / d_r for x > r.
//
// Candidate. A non-member v goes into B at its position p, the number of base
// variables below v; E is the extended matrix of order n = m + 1, and E's
// index x > p is B's index x - 1. E's factor U_E keeps U's rows above p, with
// one column w inserted at p, the forward solve of L w = A(B, v):
//     w[r] = (A(b_r, v) - sum over k = r-1 down to 0 of L[r][k] * w[k]) / d_r
// Its rows from p on are new:
//     s(p, p) = var(v) - sum over k = p-1 down to 0 of w[k]^2
//     s(p, x) = A(v, b_{x-1}) - sum over k = p-1 down to 0 of w[k] * U[k][x-1]
//     s(r, x) = A[r-1][x-1] - sum over k = r-1 down to p of U_E[k][r] * U_E[k][x]
//                           - sum over k = p-1 down to 0 of U[k][r-1] * U[k][x-1]   (r > p)
// The last sum is the same for every candidate at p: its products are formed
// once per pass (base_product_table).
//
// Inverse factor. Column c of X = L_E^-1 has rows c..n-1 (zeros above). It is
// a running column: start with entry c at 1, and for k ascending divide entry
// k by d_k, then subtract U_E[k][x] times it from every entry x > k
// (finish_inverse_column). Pair mode needs two columns: the candidate's, i = p,
// and the target's, j = q when q < p, else q + 1. When q < p the target's
// column above p is the base's (it reads rows above p only), and its running
// entries below p continue from the base's after row p - 1; so a candidate
// forms only the entry at p, sum over k = q..p-1 of -w[k] * X[k][q], and the
// rows after it.
//
// Partial correlation. With P = X^T X, P[i][j] = sum over k >= max(i, j) of
// X[k][i] * X[k][j] (k upward), and r = -(P[i][j] / sqrt(P[j][j] * P[i][i])),
// +0 when P[i][j] is 0. The target's squares above p are the base's too
// (target_column::squares). The statistic and the p-value follow from r and
// the conditioning-set size (ci_test.h); the p-value's terms that depend only
// on that size are formed once per pass.
//
// Non-members at one position are computed GROUP_LANES at a time in vector
// lanes, and two such groups share the loops (group_kernels.h).
//
// What the test engine (ci_engine) uses to test every non-member of a pass.

#include <cstdint>
#include <vector>

#include "common/matrix.h"
#include "stats/ci_engine.h"
#include "stats/group_kernels.h"

namespace gaussnet {

using candidate_grouping = ci_engine::grouping;

// Square scratch of order n with row access (row-major, stride n), with
// spare doubles at the end for kernels that read whole blocks past a row.
struct square {
    std::vector<double> cells;
    int order = 0;
    void reset(int n) {
        order = n;
        cells.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) + GROUP_PADDING);
    }
    double* row(int r) { return cells.data() + static_cast<std::ptrdiff_t>(r) * order; }
    const double* row(int r) const { return cells.data() + static_cast<std::ptrdiff_t>(r) * order; }
};

// The base B, its covariances A (upper triangle) and factor U, L = U^T.
struct base_factor {
    std::vector<int> vars;
    int target_position = 0;
    square cov, upper, lower;
    std::vector<double> diag, sums;
    int failed_row = -1;  // the first row whose pivot is not positive, or -1
    int order() const { return static_cast<int>(vars.size()); }
    bool ok() const { return failed_row < 0; }
    int usable_rows() const { return ok() ? order() : failed_row; }
};

// The target's column of the base's inverse factor, its running entries
// after each row, and the running sums of its squares.
struct target_column {
    std::vector<double> entries;
    square partial;               // row p: the running entries after rows q..p-1
    std::vector<double> squares;  // [p]: entries q..p-1 squared, summed upward from 0
};

// The non-members, ascending, and their lane groups: those at one position,
// up to GROUP_LANES at a time (the last one repeated in unused lanes). Each
// group's blocks of `block` doubles hold, lanes fastest, its covariances with
// every base variable and its columns w in the base rows above its position.
struct lane_group {
    int first_slot;
    int count;
    int position;
};

struct lane_plan {
    std::vector<int> candidates;
    std::vector<lane_group> groups;
    std::vector<int> positions;  // per group
    std::size_t block = 0;
    std::vector<double> cov, columns;
    std::vector<const double*> base_cov_rows;  // the base variables' rows of the covariance matrix
    int candidate(const lane_group& group, int lane) const {
        return candidates[group.first_slot + std::min(lane, group.count - 1)];
    }
    const double* group_cov(int g) const { return cov.data() + g * block; }
    const double* group_columns(int g) const { return columns.data() + g * block; }
};

struct product_table {
    std::vector<double> products;  // empty when not tabulated
    std::vector<std::size_t> rows;
};

// One group's scratch, lanes fastest.
struct group_work {
    std::vector<double> upper, diag, sums, column_i, column_j;
    double variances[GROUP_LANES];
    int failed[GROUP_LANES];
    double r[GROUP_LANES];
    int group = 0;
};

// One candidate on its own: E's factor rows from p on, and its two columns.
struct single_work {
    square upper;
    std::vector<double> diag, sums, w, coef, column_i, column_j;
    std::vector<const double*> rows;
};

// Per non-member: its partial correlation with the target, or its failure.
struct candidate_results {
    std::vector<double> correlations;
    std::vector<std::uint8_t> failed;
};

// Everything the non-members' tests reuse from pass to pass.
struct candidate_work {
    base_factor base;
    target_column target;
    lane_plan plan;
    product_table products;
    group_work groups[MAX_GROUPS];
    single_work single;
    candidate_results results;
};

// Factorises the base of the pass (the target and the flagged members) and
// tests every non-member against the target: work.results per non-member,
// ascending. variances: the covariance matrix's diagonal.
void test_candidates(const DoubleMatrix& cov, const std::vector<double>& variances, int target,
                     const std::uint8_t* member_flags, candidate_grouping mode, candidate_work& work);

// The base (base_factor.cpp).
void factor_base(const DoubleMatrix& cov, int target, const std::uint8_t* member_flags, int n_vars, base_factor& base);
void base_target_column(const base_factor& base, target_column& column);
// Column `column` of an inverse factor (rows column..n-1; zero above).
void inverse_column(const square& upper, const std::vector<double>& diag, int column, std::vector<double>& out);

// One non-member alone: its factor, its two inverse-factor columns, r; or failed.
double single_candidate(const base_factor& base, const target_column& target, const lane_plan& plan, int group,
                        int lane, double variance, single_work& work, bool& failed);

}  // namespace gaussnet
