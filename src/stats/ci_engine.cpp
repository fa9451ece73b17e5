// The tests of one pass, and the mathematics they share.
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

#include "stats/ci_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "numerics/numerics.h"
#include "stats/cholesky.h"
#include "stats/ci_test.h"
#include "stats/group_kernels.h"
#include "stats/kernels.h"

namespace gaussnet {

namespace {

// A lone candidate (a group of one) is factorised on its own, vectorised
// across columns, when at least this many rows of E follow its position: the
// lanes would repeat it four times, and on long rows that costs more than
// the latency they share. Nearer the end the lockstep kernel is faster.
constexpr int LONE_CANDIDATE_ROWS = 48;

// The base products are tabulated while the table (in doubles) stays in the
// second-level cache beside the groups' work; a larger table costs more in
// misses than forming the products again.
constexpr std::size_t MAX_PRODUCT_TABLE = std::size_t{1} << 16;

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

// [0]: the non-members' tests, [1]: the members' (one conditioning variable less).
struct pvalue_work {
    std::vector<double> statistics[2];  // this pass's, in test order
    std::vector<double> pvalues[2];
    error_function_scratch erf;
    student_scratch student;
    std::vector<double> tail_arguments;
    std::vector<int> tail_places;
    // Deferred non-member tests: their correlations and entries (ascending),
    // and the non-members' conditioning-set size, until complete_deferred.
    std::vector<double> deferred_correlations;
    std::vector<int> deferred_entries;
    int deferred_cond_size = 0;
    std::vector<double> deferred_statistics, deferred_pvalues;
};

// The normal distribution's terms of Fisher's z for one conditioning-set size.
struct fisher_terms {
    double variance;
    double scale;  // sqrt(variance + variance)
};

fisher_terms fisher_terms_for(const test_setting& test, int cond_size) {
    const double variance = 1.0 / static_cast<double>(test.n_cases - cond_size - 3);
    return {variance, std::sqrt(variance + variance)};
}

}  // namespace

// Everything an engine reuses from pass to pass.
struct ci_engine_scratch {
    base_factor base;
    target_column target;
    lane_plan plan;
    product_table products;
    group_work groups[MAX_GROUPS];
    single_work single;
    candidate_results results;
    pvalue_work pvalues;
    std::vector<double> member_column;
    std::vector<std::uint8_t> flags;
    // The covariance matrix's diagonal, side by side: read along the
    // diagonal itself, every candidate's variance is a cache miss.
    std::vector<double> variances;
};

namespace {

// Column `column` of an inverse factor (rows column..n-1; zero above).
void inverse_column(const square& upper, const std::vector<double>& diag, int column, std::vector<double>& out) {
    const int n = upper.order;
    out.assign(static_cast<std::size_t>(n), 0.0);
    out[column] = 1;  // becomes 1 / diag[column]
    finish_inverse_column(upper.cells.data(), n, diag.data(), n, column, out.data());
}

void factor_base(const DoubleMatrix& cov, int target, const std::uint8_t* member_flags, int n_vars, base_factor& base) {
    base.vars.clear();
    for (int v = 0; v < n_vars; ++v)
        if (v == target || member_flags[v] == 1) base.vars.push_back(v);
    const int n = base.order();
    base.target_position = 0;
    while (base.vars[base.target_position] != target) ++base.target_position;
    base.cov.reset(n);
    base.upper.reset(n);
    base.lower.reset(n);
    base.diag.resize(static_cast<std::size_t>(n));
    base.sums.resize(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r) {
        const double* cov_row = cov.row(base.vars[r]);
        double* gathered = base.cov.row(r);
        for (int x = r; x < n; ++x) gathered[x] = cov_row[base.vars[x]];
    }
    base.failed_row =
        factor_upper(base.cov.cells.data(), base.upper.cells.data(), n, n, base.diag.data(), base.sums.data());
    for (int r = 0; r < base.usable_rows(); ++r)
        for (int x = r + 1; x < n; ++x) base.lower.row(x)[r] = base.upper.row(r)[x];
}

// The target's column of X = L^-1, keeping after each row the running entries
// below it (a candidate inserted there continues them). A base that failed
// ends the run at its first member's test; groups tested before that still
// read zeros here.
void base_target_column(const base_factor& base, target_column& column) {
    const int n = base.order();
    const int q = base.target_position;
    column.partial.reset(n + 1);
    column.entries.assign(static_cast<std::size_t>(n), 0.0);
    column.squares.assign(static_cast<std::size_t>(n) + 1, 0.0);
    if (!base.ok()) return;
    std::vector<double>& entries = column.entries;
    entries[q] = 1 / base.diag[q];
    for (int k = q; k < n; ++k) {
        if (k > q) entries[k] = entries[k] / base.diag[k];
        subtract_scaled(entries.data() + k + 1, base.upper.row(k) + k + 1, entries[k], n - k - 1);
        double* partial = column.partial.row(k + 1);
        for (int c = k + 1; c < n; ++c) partial[c] = entries[c];
    }
    double squares = 0;
    for (int p = q + 1; p <= n; ++p) {
        squares = squares + entries[p - 1] * entries[p - 1];
        column.squares[p] = squares;
    }
}

// The non-members (the runs between consecutive base variables) and their groups.
void plan_lane_groups(const base_factor& base, int n_vars, lane_plan& plan) {
    const int order = base.order();
    plan.candidates.resize(static_cast<std::size_t>(n_vars - order));
    int* next = plan.candidates.data();
    int from = 0;
    for (int b = 0; b <= order; ++b) {
        const int until = b < order ? base.vars[b] : n_vars;
        for (int v = from; v < until; ++v) *next++ = v;
        from = until + 1;
    }
    const int width = static_cast<int>(plan.candidates.size());
    plan.groups.clear();
    plan.positions.clear();
    int position = 0;
    for (int slot = 0; slot < width;) {
        while (position < order && base.vars[position] < plan.candidates[slot]) ++position;
        int count = 1;
        while (count < GROUP_LANES && slot + count < width &&
               (position == order || plan.candidates[slot + count] < base.vars[position]))
            ++count;
        plan.groups.push_back({slot, count, position});
        plan.positions.push_back(position);
        slot += count;
    }
    plan.block = static_cast<std::size_t>(order) * GROUP_LANES;
}

// Each group's covariances with the base variables, lanes fastest. The
// covariance matrix is exactly symmetric; it is read along the base
// variables' rows, which stay in cache, rather than along the candidates'.
void gather_candidate_covariances(const DoubleMatrix& cov, const base_factor& base, lane_plan& plan) {
    const int order = base.order();
    plan.cov.resize(plan.groups.size() * plan.block + GROUP_PADDING);
    plan.base_cov_rows.resize(static_cast<std::size_t>(order));
    for (int x = 0; x < order; ++x) plan.base_cov_rows[x] = cov.row(base.vars[x]);
    double* out = plan.cov.data();
    for (const lane_group& group : plan.groups) {
        int lanes[GROUP_LANES];
        for (int lane = 0; lane < GROUP_LANES; ++lane) lanes[lane] = plan.candidate(group, lane);
        const bool consecutive = lanes[GROUP_LANES - 1] == lanes[0] + GROUP_LANES - 1;  // the usual case
        for (int x = 0; x < order; ++x) {
            const double* cov_row = plan.base_cov_rows[x];
            if (consecutive) {
                std::memcpy(out + x * GROUP_LANES, cov_row + lanes[0], GROUP_LANES * sizeof(double));
            } else {
                for (int lane = 0; lane < GROUP_LANES; ++lane) out[x * GROUP_LANES + lane] = cov_row[lanes[lane]];
            }
        }
        out += plan.block;
    }
}

// Every group's w: the forward solve, the groups side by side.
void solve_candidate_columns(const base_factor& base, lane_plan& plan) {
    plan.columns.resize(plan.groups.size() * plan.block);
    solve_group_columns({base.lower.cells.data(), base.order(), base.diag.data(), base.usable_rows(),
                         plan.positions.data(), static_cast<int>(plan.groups.size()), plan.cov.data(), plan.block},
                        plan.columns.data());
}

// The base products of the candidates' later rows, once per pass, when
// several groups share them and the table is small enough.
void tabulate_base_products(const base_factor& base, const lane_plan& plan, product_table& table) {
    const int nb = base.order();
    table.rows.resize(static_cast<std::size_t>(nb));
    const std::size_t size =
        base_product_table(base.upper.cells.data(), nb, base.usable_rows(), table.rows.data(), nullptr);
    if (size > MAX_PRODUCT_TABLE || plan.groups.size() < 2) {
        table.products.clear();
        return;
    }
    // The last row's spare columns are read past its end.
    table.products.resize(size + KERNEL_BLOCK * static_cast<std::size_t>(nb));
    base_product_table(base.upper.cells.data(), nb, base.usable_rows(), table.rows.data(), table.products.data());
}

// Rows p..n-1 of E's factor for one candidate, its w and covariances taken
// from its lane of the group. False at a pivot that is not positive.
bool factor_with_candidate(const base_factor& base, const lane_plan& plan, int group, int lane, double variance,
                           single_work& work) {
    const int n = base.order() + 1;
    const int p = plan.groups[group].position;
    work.upper.reset(n);
    work.diag.resize(static_cast<std::size_t>(n));
    work.sums.resize(static_cast<std::size_t>(n));
    work.w.resize(static_cast<std::size_t>(p));
    work.coef.resize(static_cast<std::size_t>(p));
    work.rows.resize(static_cast<std::size_t>(p));
    const double* solved = plan.group_columns(group) + lane;
    const double* with_base = plan.group_cov(group) + lane;
    double* w = work.w.data();
    double* sums = work.sums.data();
    for (int r = 0; r < p; ++r) w[r] = solved[r * GROUP_LANES];
    sums[p] = variance;
    for (int k = p - 1; k >= 0; --k) sums[p] = sums[p] - w[k] * w[k];
    for (int x = p + 1; x < n; ++x) sums[x] = with_base[(x - 1) * GROUP_LANES];
    for (int k = p - 1, t = 0; k >= 0; --k, ++t) {
        work.coef[t] = w[k];
        work.rows[t] = base.upper.row(k) + p;  // base column x - 1 for x > p
    }
    subtract_rows(sums + p + 1, n - p - 1, work.coef.data(), work.rows.data(), p);
    if (!finish_factor_row(sums, p, n, work.diag.data(), work.upper.row(p))) return false;
    // Past p, E's row and column r are B's r - 1, and U's rows above p are read one column on.
    for (int r = p + 1; r < n; ++r) {
        std::copy(base.cov.row(r - 1) + (r - 1), base.cov.row(r - 1) + (n - 1), sums + r);
        subtract_own_rows(sums + r, n - r, work.upper.row(r - 1) + r, n, r - p);
        if (p > 0) subtract_own_rows(sums + r, n - r, base.upper.row(p - 1) + (r - 1), n - 1, p);
        if (!finish_factor_row(sums, r, n, work.diag.data(), work.upper.row(r))) return false;
    }
    return true;
}

// The target's column of X when the target lies above the candidate.
void extended_target_column(const base_factor& base, const target_column& target, int p, single_work& work) {
    const int n = work.upper.order;
    const int q = base.target_position;
    std::vector<double>& column = work.column_j;
    column.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = q; k < p; ++k) column[k] = target.entries[k];
    double s = 0;
    for (int k = q; k < p; ++k) s = s - work.w[k] * column[k];
    column[p] = s;
    const double* partial = target.partial.row(p);
    for (int c = p + 1; c < n; ++c) column[c] = partial[c - 1];
    finish_inverse_column(work.upper.cells.data(), n, work.diag.data(), n, p, column.data());
}

// One non-member alone: its factor, its two inverse-factor columns, r.
double single_candidate(const base_factor& base, const target_column& target, const lane_plan& plan, int group,
                        int lane, double variance, single_work& work, bool& failed) {
    const int p = plan.groups[group].position;
    failed = !factor_with_candidate(base, plan, group, lane, variance, work);
    if (failed) return 0.0;
    inverse_column(work.upper, work.diag, p, work.column_i);
    int j = base.target_position + 1;
    if (base.target_position < p) {
        j = base.target_position;
        extended_target_column(base, target, p, work);
    } else {
        inverse_column(work.upper, work.diag, j, work.column_j);
    }
    return correlation_from_columns(base.order() + 1, p, work.column_i.data(), j, work.column_j.data(), 1);
}

// The target's column in every lane of a group: restarted below the
// candidates or, above them, the base's down to them with the base's running
// entries below (final already above p).
void start_target_columns(const base_factor& base, const target_column& target, const lane_plan& plan, int g,
                          std::vector<double>& columns) {
    const int n = base.order() + 1;
    const int p = plan.groups[g].position, q = base.target_position;
    double* column = columns.data();
    if (q < p) {
        const double* w = plan.group_columns(g);
        double s[GROUP_LANES] = {};
        for (int k = q; k < p; ++k) {
            const double entry = target.entries[k];
            for (int lane = 0; lane < GROUP_LANES; ++lane) {
                column[k * GROUP_LANES + lane] = entry;
                s[lane] = s[lane] - w[k * GROUP_LANES + lane] * entry;
            }
        }
        for (int lane = 0; lane < GROUP_LANES; ++lane) column[p * GROUP_LANES + lane] = s[lane];
        const double* partial = target.partial.row(p);
        for (int c = p + 1; c < n; ++c)
            for (int lane = 0; lane < GROUP_LANES; ++lane) column[c * GROUP_LANES + lane] = partial[c - 1];
    } else {
        std::fill(columns.begin() + (q + 1) * GROUP_LANES, columns.end(), 0.0);
        for (int lane = 0; lane < GROUP_LANES; ++lane) column[(q + 1) * GROUP_LANES + lane] = 1;
    }
}

// A group's scratch and its starting columns: the candidates' from their own
// row, the target's as above. Only the entries from a column's first row on are read.
lane_group_data prepare_group(const std::vector<double>& variances, const base_factor& base,
                              const target_column& target, const lane_plan& plan, int g, group_work& work) {
    const int n = base.order() + 1;
    const std::size_t cells = static_cast<std::size_t>(n) * GROUP_LANES;
    const lane_group& group = plan.groups[g];
    const int p = group.position;
    work.group = g;
    work.upper.resize(cells * n + GROUP_PADDING);
    work.diag.resize(cells);
    work.sums.resize(cells + GROUP_PADDING);
    work.column_i.resize(cells);
    work.column_j.resize(cells);
    for (int lane = 0; lane < GROUP_LANES; ++lane) {
        const int candidate = plan.candidate(group, lane);
        work.variances[lane] = variances[static_cast<std::size_t>(candidate)];
        work.failed[lane] = -1;
    }
    std::fill(work.column_i.begin() + p * GROUP_LANES, work.column_i.end(), 0.0);
    for (int lane = 0; lane < GROUP_LANES; ++lane) work.column_i[p * GROUP_LANES + lane] = 1;
    start_target_columns(base, target, plan, g, work.column_j);
    return {plan.group_columns(g), plan.group_cov(g), work.variances,       work.upper.data(),    work.diag.data(),
            work.sums.data(),      work.failed,       work.column_i.data(), work.column_j.data(), work.r};
}

}  // namespace

ci_engine::ci_engine(const test_setting& test, const DoubleMatrix& cov, grouping mode)
    : test_(test),
      n_vars_(static_cast<int>(cov.rows())),
      cov_(cov),
      mode_(mode),
      scratch_(std::make_unique<ci_engine_scratch>()) {
    scratch_->variances.resize(static_cast<std::size_t>(n_vars_));
    for (int v = 0; v < n_vars_; ++v) scratch_->variances[static_cast<std::size_t>(v)] = cov(v, v);
}

ci_engine::ci_engine(ci_engine&&) noexcept = default;
ci_engine::~ci_engine() = default;

void ci_engine::test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                                int* index) {
    const int n = n_vars_;
    std::vector<std::uint8_t>& flags = scratch_->flags;
    flags.assign(member_flags, member_flags + n);
    int entry = 0;
    for (int j = 0; j < n; ++j) {
        if (j == target) continue;
        // A member is tested given the other members.
        const int member = flags[j] == 1 ? 1 : 0;
        flags[j] = 0;
        const double s = ci_statistic(test_, j, target, flags.data(), cov_);
        flags[j] = static_cast<std::uint8_t>(member);
        pvalues[entry] = statistic_pvalue(test_, std::fabs(s), member_count - member);
        index[entry] = j;
        ++entry;
    }
}

namespace {

// The groups prepared but not yet computed (all at one position), and where
// their results go.
struct pending_groups {
    lane_group_data data[MAX_GROUPS];
    int count = 0;
};

void flush_groups(const base_factor& base, const target_column& target, const lane_plan& plan,
                  const product_table& products, group_work* work, pending_groups& pending,
                  candidate_results& results) {
    if (pending.count == 0) return;
    const int n = base.order() + 1;
    const int p = plan.groups[work[0].group].position, q = base.target_position;
    const group_base shared{n,
                            p,
                            base.upper.cells.data(),
                            base.cov.cells.data(),
                            products.products.empty() ? nullptr : products.products.data(),
                            products.rows.data()};
    factor_groups(shared, pending.data, pending.count);
    // The target's column continues from the candidates' row when it lies above them.
    const int j = q < p ? q : q + 1;
    finish_group_columns(n, p, q < p ? p : j, pending.data, pending.count);
    const square_sum j_squares = q < p ? square_sum{target.squares[p], p} : square_sum{0.0, j};
    group_pair_correlations(n, p, j, j_squares, pending.data, pending.count);
    for (int i = 0; i < pending.count; ++i) {
        const lane_group& group = plan.groups[work[i].group];
        for (int lane = 0; lane < group.count; ++lane) {
            results.failed[group.first_slot + lane] = work[i].failed[lane] >= 0;
            results.correlations[group.first_slot + lane] = work[i].r[lane];
        }
    }
    pending.count = 0;
}

// Every non-member's partial correlation with the target (or its failure),
// a group's candidates side by side where that pays.
void test_candidates(ci_engine::grouping mode, ci_engine_scratch& s) {
    const base_factor& base = s.base;
    const lane_plan& plan = s.plan;
    const int width = static_cast<int>(plan.candidates.size());
    // Every slot is written below (a failed one's correlation is never read).
    s.results.correlations.resize(static_cast<std::size_t>(width));
    s.results.failed.resize(static_cast<std::size_t>(width));
    pending_groups pending;
    for (int g = 0; g < static_cast<int>(plan.groups.size()); ++g) {
        const lane_group& group = plan.groups[g];
        const int p = group.position;
        // The rows above the candidates are the base's: a failure there is the base's.
        if (!base.ok() && base.failed_row < p) {
            for (int i = 0; i < group.count; ++i) s.results.failed[group.first_slot + i] = 1;
            continue;
        }
        const bool lone = group.count == 1 && base.order() - p >= LONE_CANDIDATE_ROWS;
        if (mode == ci_engine::grouping::never || (mode == ci_engine::grouping::automatic && lone)) {
            for (int i = 0; i < group.count; ++i) {
                bool failed = false;
                const int candidate = plan.candidates[group.first_slot + i];
                s.results.correlations[group.first_slot + i] = single_candidate(
                    base, s.target, plan, g, i, s.variances[static_cast<std::size_t>(candidate)], s.single, failed);
                s.results.failed[group.first_slot + i] = failed;
            }
            continue;
        }
        // Only groups at one position share the kernel's loops; one left
        // over at a position goes alone.
        if (pending.count == 1 && plan.groups[s.groups[0].group].position != p)
            flush_groups(base, s.target, plan, s.products, s.groups, pending, s.results);
        pending.data[pending.count] = prepare_group(s.variances, base, s.target, plan, g, s.groups[pending.count]);
        if (++pending.count == MAX_GROUPS) flush_groups(base, s.target, plan, s.products, s.groups, pending, s.results);
    }
    flush_groups(base, s.target, plan, s.products, s.groups, pending, s.results);
}

// Each test's statistic in ascending variable order, by kind; the first test
// that failed ends the run.
int collect_statistics(const test_setting& test, int n_vars, int target, const std::uint8_t* member_flags,
                       int member_count, int* index, bool defer, ci_engine_scratch& s) {
    const base_factor& base = s.base;
    pvalue_work& work = s.pvalues;
    work.statistics[0].clear();
    work.statistics[1].clear();
    work.deferred_correlations.clear();
    work.deferred_entries.clear();
    work.deferred_cond_size = member_count;
    // A non-member with |r| up to this has a p-value certainly above the
    // floor: neither its statistic nor its p-value is computed unless asked for.
    double deferrable = -1;
    if (defer && test.kind == test_kind::fisher_z) {
        const fisher_terms terms = fisher_terms_for(test, member_count);
        deferrable = fisher_deferrable_correlation(terms.variance, terms.scale);
    }
    int entry = 0;
    int position = 0;  // the number of base variables below j
    int slot = 0;      // the number of non-members below j
    for (int j = 0; j < n_vars; ++j) {
        if (j == target) {
            ++position;
            continue;
        }
        double r;
        const int member = member_flags[j] == 1 ? 1 : 0;
        if (member == 1) {
            if (!base.ok()) not_positive_definite(base.order());
            inverse_column(base.upper, base.diag, position, s.member_column);
            r = correlation_from_columns(base.order(), position, s.member_column.data(), base.target_position,
                                         s.target.entries.data(), 1);
            ++position;
        } else {
            if (s.results.failed[slot]) not_positive_definite(base.order() + 1);
            r = s.results.correlations[slot];
            ++slot;
        }
        if (member == 0 && std::fabs(r) <= deferrable) {
            work.deferred_correlations.push_back(r);
            work.deferred_entries.push_back(entry);
        } else {
            work.statistics[member].push_back(std::fabs(statistic_from_correlation(test, r, member_count - member)));
        }
        index[entry] = j;
        ++entry;
    }
    return entry;
}

// The p-values of both kinds of test (each kind's computed together) in the
// tests' order: statistic_pvalue's values, with the pass's terms. Deferred
// non-members (see collect_statistics) get +infinity.
void pvalues_in_order(const test_setting& test, const std::uint8_t* member_flags, int member_count, int entries,
                      const int* index, pvalue_work& work, double* pvalues) {
    for (int member = 0; member < 2; ++member) {
        // The terms that depend only on the conditioning-set size, once per kind.
        const int cond_size = member_count - member;
        const std::vector<double>& statistics = work.statistics[member];
        std::vector<double>& out = work.pvalues[member];
        out.resize(statistics.size());
        const int count = static_cast<int>(statistics.size());
        if (test.kind == test_kind::fisher_z) {
            const fisher_terms terms = fisher_terms_for(test, cond_size);
            normal_upper_tails(statistics.data(), count, terms.variance, terms.scale, out.data(), work.erf,
                               work.tail_arguments, work.tail_places);
        } else {
            const double df = static_cast<double>(test.n_cases - cond_size - 2);
            student_upper_tails(statistics.data(), count, df, log_beta_part(df * 0.5, 0.5), out.data(), work.student);
        }
    }
    std::size_t next[2] = {0, 0};
    std::size_t deferred = 0;  // the deferred entries ascend, as e does
    for (int e = 0; e < entries; ++e) {
        if (deferred < work.deferred_entries.size() && work.deferred_entries[deferred] == e) {
            pvalues[e] = INFINITY;
            ++deferred;
            continue;
        }
        const int member = member_flags[index[e]] == 1 ? 1 : 0;
        pvalues[e] = work.pvalues[member][next[member]++];
    }
}

}  // namespace

void ci_engine::test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index) {
    run_pass(target, member_flags, member_count, pvalues, index, false);
}

int ci_engine::test_pass_deferring(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                                   int* index) {
    return run_pass(target, member_flags, member_count, pvalues, index, true);
}

int ci_engine::run_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index,
                        bool defer) {
    ci_engine_scratch& s = *scratch_;
    factor_base(cov_, target, member_flags, n_vars_, s.base);
    base_target_column(s.base, s.target);
    plan_lane_groups(s.base, n_vars_, s.plan);
    tabulate_base_products(s.base, s.plan, s.products);
    gather_candidate_covariances(cov_, s.base, s.plan);
    solve_candidate_columns(s.base, s.plan);
    test_candidates(mode_, s);
    const int entries = collect_statistics(test_, n_vars_, target, member_flags, member_count, index, defer, s);
    pvalues_in_order(test_, member_flags, member_count, entries, index, s.pvalues, pvalues);
    return static_cast<int>(s.pvalues.deferred_entries.size());
}

namespace {

// The p-values of the deferred tests at places place_of(0..count) of the list.
template <typename PlaceOf>
void complete_places(const test_setting& test, pvalue_work& work, int count, PlaceOf&& place_of, double* pvalues) {
    if (count == 0) return;
    work.deferred_statistics.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        work.deferred_statistics[i] = std::fabs(
            statistic_from_correlation(test, work.deferred_correlations[place_of(i)], work.deferred_cond_size));
    work.deferred_pvalues.resize(static_cast<std::size_t>(count));
    const fisher_terms terms = fisher_terms_for(test, work.deferred_cond_size);
    normal_upper_tails(work.deferred_statistics.data(), count, terms.variance, terms.scale,
                       work.deferred_pvalues.data(), work.erf, work.tail_arguments, work.tail_places);
    for (int i = 0; i < count; ++i) pvalues[work.deferred_entries[place_of(i)]] = work.deferred_pvalues[i];
}

}  // namespace

void ci_engine::complete_deferred(double* pvalues) {
    pvalue_work& work = scratch_->pvalues;
    complete_places(
        test_, work, static_cast<int>(work.deferred_entries.size()), [](int i) { return i; }, pvalues);
}

void ci_engine::complete_deferred_some(const int* which, int count, double* pvalues) {
    complete_places(
        test_, scratch_->pvalues, count, [which](int i) { return which[i]; }, pvalues);
}

deferred_tests ci_engine::deferred() const {
    const pvalue_work& work = scratch_->pvalues;
    deferred_tests d;
    d.entries = work.deferred_entries.data();
    d.correlations = work.deferred_correlations.data();
    d.count = static_cast<int>(work.deferred_entries.size());
    if (d.count > 0) {
        const fisher_terms terms = fisher_terms_for(test_, work.deferred_cond_size);
        d.variance = terms.variance;
        d.scale = terms.scale;
    }
    return d;
}

}  // namespace gaussnet
