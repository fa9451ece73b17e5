#include "stats/ci_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/fatal_error.h"
#include "common/text.h"
#include "numerics/numerics.h"
#include "stats/ci_test.h"
#include "stats/group_kernels.h"
#include "stats/kernels.h"

namespace gaussnet {

namespace {

[[noreturn]] void not_positive_definite(int order) {
    throw fatal_error(strprintf("No Cholesky decomposition (%d).", order));
}

double pair_correlation(int n, int i, const double* column_i, int j, const double* column_j) {
    double cross = 0;
    for (int k = i > j ? i : j; k < n; ++k) cross = cross + column_i[k] * column_j[k];
    double s_i = 0;
    for (int k = i; k < n; ++k) s_i = s_i + column_i[k] * column_i[k];
    double s_j = 0;
    for (int k = j; k < n; ++k) s_j = s_j + column_j[k] * column_j[k];
    if (cross == 0) return 0.0;
    return -(cross / std::sqrt(s_j * s_i));
}

}  // namespace

ci_engine::ci_engine(const run_state& state, const DoubleMatrix& cov, grouping mode)
    : state_(state), cov_(cov), mode_(mode), flags_(static_cast<std::size_t>(state.n_vars)) {}

void ci_engine::test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                                int* index) {
    const int n = state_.n_vars;
    flags_.assign(member_flags, member_flags + n);
    int entry = 0;
    for (int j = 0; j < n; ++j) {
        if (j == target) continue;
        double p;
        if (flags_[j] == 1) {
            // A member is tested given the other members.
            flags_[j] = 0;
            const double s = ci_statistic(state_, j, target, flags_.data(), cov_);
            p = statistic_pvalue(state_, std::fabs(s), member_count - 1);
            flags_[j] = 1;
        } else {
            const double s = ci_statistic(state_, j, target, flags_.data(), cov_);
            p = statistic_pvalue(state_, std::fabs(s), member_count);
        }
        pvalues[entry] = p;
        index[entry] = j;
        ++entry;
    }
}

// sums[0..count) minus the terms whose coefficients and rows the tables hold.
void ci_engine::subtract_terms(double* sums, int count, int terms) {
    subtract_rows(sums, count, coef_.data(), rows_.data(), terms);
}

// Each entry (r, x) starts from its covariance and subtracts U[k][r] * U[k][x]
// for k from r - 1 down to 0; the pivot must be positive (a NaN goes on).
void ci_engine::factor_base() {
    const int n = static_cast<int>(base_vars_.size());
    base_upper_.reset(n);
    base_lower_.reset(n);
    base_diag_.resize(static_cast<std::size_t>(n));
    base_failed_row_ = -1;
    base_cov_.reset(n);
    for (int r = 0; r < n; ++r) {
        const double* cov_row = cov_.row(base_vars_[r]);
        double* gathered = base_cov_.row(r);
        for (int x = r; x < n; ++x) gathered[x] = cov_row[base_vars_[x]];
    }
    for (int r = 0; r < n; ++r) {
        std::copy(base_cov_.row(r) + r, base_cov_.row(r) + n, sums_.data() + r);
        if (r > 0) subtract_own_rows(sums_.data() + r, n - r, base_upper_.row(r - 1) + r, n, r);
        if (sums_[r] <= 0) {
            base_failed_row_ = r;
            return;
        }
        const double pivot = std::sqrt(sums_[r]);
        base_diag_[r] = pivot;
        double* out = base_upper_.row(r);
        divide_by(out + r + 1, sums_.data() + r + 1, pivot, n - r - 1);
        for (int x = r + 1; x < n; ++x) base_lower_.row(x)[r] = out[x];
    }
}

// The non-members, ascending, and their lane groups: those at one position
// (the number of base variables below them), up to GROUP_LANES at a time.
void ci_engine::form_lane_groups() {
    const int n_vars = state_.n_vars;
    const int order = static_cast<int>(base_vars_.size());
    // The variables between consecutive base variables (the members and the target).
    candidates_.resize(static_cast<std::size_t>(n_vars - order));
    int* next = candidates_.data();
    int from = 0;
    for (int b = 0; b <= order; ++b) {
        const int until = b < order ? base_vars_[b] : n_vars;
        for (int v = from; v < until; ++v) *next++ = v;
        from = until + 1;
    }
    const int width = static_cast<int>(candidates_.size());
    groups_.clear();
    int position = 0;
    for (int slot = 0; slot < width;) {
        while (position < order && base_vars_[position] < candidates_[slot]) ++position;
        int count = 1;
        while (count < GROUP_LANES && slot + count < width &&
               (position == order || candidates_[slot + count] < base_vars_[position]))
            ++count;
        groups_.push_back({slot, count, position});
        slot += count;
    }
    lane_block_ = static_cast<std::size_t>(order) * GROUP_LANES;
}

// The base products every group's later rows subtract, once per pass, while
// the table is small enough to stay in cache beside the groups' work.
void ci_engine::tabulate_base_products() {
    const int nb = base_upper_.order;
    const int rows = base_failed_row_ < 0 ? nb : base_failed_row_;
    product_rows_.resize(static_cast<std::size_t>(nb));
    const std::size_t size = base_product_table(base_upper_.cells.data(), nb, rows, product_rows_.data(), nullptr);
    if (size > MAX_PRODUCT_TABLE || groups_.size() < 2) {
        base_products_.clear();
        return;
    }
    // The last row's spare columns are read past its end.
    base_products_.resize(size + 8 * static_cast<std::size_t>(nb));
    base_product_table(base_upper_.cells.data(), nb, rows, product_rows_.data(), base_products_.data());
}

// Each group's covariances with the base variables, lanes fastest. The
// covariance matrix is exactly symmetric; it is read along the base
// variables' rows, which stay in cache, rather than along the candidates'.
void ci_engine::gather_candidate_covariances() {
    const int order = static_cast<int>(base_vars_.size());
    group_cov_.resize(groups_.size() * lane_block_ + GROUP_PADDING);
    base_cov_rows_.resize(static_cast<std::size_t>(order));
    for (int x = 0; x < order; ++x) base_cov_rows_[x] = cov_.row(base_vars_[x]);
    double* out = group_cov_.data();
    for (const lane_group& group : groups_) {
        int lanes[GROUP_LANES];
        for (int lane = 0; lane < GROUP_LANES; ++lane)
            lanes[lane] = candidates_[group.first_slot + std::min(lane, group.count - 1)];
        if (lanes[GROUP_LANES - 1] == lanes[0] + GROUP_LANES - 1) {
            // Consecutive variables (the usual case): one block of each row.
            for (int x = 0; x < order; ++x)
                std::memcpy(out + x * GROUP_LANES, base_cov_rows_[x] + lanes[0], GROUP_LANES * sizeof(double));
        } else {
            for (int x = 0; x < order; ++x) {
                const double* cov_row = base_cov_rows_[x];
                for (int lane = 0; lane < GROUP_LANES; ++lane) out[x * GROUP_LANES + lane] = cov_row[lanes[lane]];
            }
        }
        out += lane_block_;
    }
}

// Every non-member's column in the base rows above its position (a forward
// solve per candidate, the groups side by side): entry r is its covariance
// with base variable r minus L[r][k] times entry k for k = r - 1 down to 0,
// divided by the pivot.
void ci_engine::solve_candidate_columns() {
    const int rows = base_failed_row_ < 0 ? base_upper_.order : base_failed_row_;
    group_columns_.resize(groups_.size() * lane_block_);
    group_positions_.resize(groups_.size());
    for (std::size_t g = 0; g < groups_.size(); ++g) group_positions_[g] = groups_[g].position;
    solve_group_columns({base_lower_.cells.data(), base_lower_.order, base_diag_.data(), rows, group_positions_.data(),
                         static_cast<int>(groups_.size()), group_cov_.data(), lane_block_},
                        group_columns_.data());
}

// The target's column of the base's inverse factor, keeping after each row p
// the partial sums of the rows below it (a candidate inserted at p continues them).
void ci_engine::base_target_column() {
    const int n = base_upper_.order;
    const int q = target_position_;
    target_partial_.reset(n + 1);
    std::vector<double>& column = base_target_column_;
    column.assign(static_cast<std::size_t>(n), 0.0);
    column[q] = 1 / base_diag_[q];
    for (int k = q; k < n; ++k) {
        if (k > q) column[k] = column[k] / base_diag_[k];
        subtract_scaled(column.data() + k + 1, base_upper_.row(k) + k + 1, column[k], n - k - 1);
        double* partial = target_partial_.row(k + 1);
        for (int c = k + 1; c < n; ++c) partial[c] = column[c];
    }
    // Squares of the column's entries q..p-1, summed upward from 0, for every p > q.
    target_squares_.assign(static_cast<std::size_t>(n) + 1, 0.0);
    double squares = 0;
    for (int p = q + 1; p <= n; ++p) {
        squares = squares + column[p - 1] * column[p - 1];
        target_squares_[p] = squares;
    }
}

// Rows position..n-1 of the factor of the base with candidate inserted at
// position; the rows above are the base's, shifted past the candidate's column.
bool ci_engine::factor_with_candidate(int group, int lane) {
    const int n = base_upper_.order + 1;
    const int p = groups_[group].position;
    const int candidate = candidates_[groups_[group].first_slot + lane];
    ext_upper_.reset(n);
    ext_diag_.resize(static_cast<std::size_t>(n));

    const double* solved = group_columns(group) + lane;
    const double* with_base = group_cov(group) + lane;
    double* w = candidate_column_.data();
    for (int r = 0; r < p; ++r) {
        w[r] = solved[r * GROUP_LANES];
        ext_diag_[r] = base_diag_[r];
    }
    for (int r = p; r < n; ++r) {
        if (r == p) {
            sums_[p] = cov_(candidate, candidate);
            for (int x = p + 1; x < n; ++x) sums_[x] = with_base[(x - 1) * GROUP_LANES];
        } else {
            // Below the candidate the entries are the base's, one row and column on.
            std::copy(base_cov_.row(r - 1) + (r - 1), base_cov_.row(r - 1) + (n - 1), sums_.data() + r);
        }
        if (r == p) {
            // The candidate's own row: its column above is w.
            for (int k = p - 1; k >= 0; --k) sums_[p] = sums_[p] - w[k] * w[k];
            for (int k = p - 1, t = 0; k >= 0; --k, ++t) {
                coef_[t] = w[k];
                rows_[t] = base_upper_.row(k) + p;  // base column x - 1 for x > p
            }
            subtract_terms(sums_.data() + p + 1, n - p - 1, p);
        } else {
            // Rows r - 1 down to p are new; the base rows below are shifted by one column.
            if (r > p) subtract_own_rows(sums_.data() + r, n - r, ext_upper_.row(r - 1) + r, n, r - p);
            if (p > 0) subtract_own_rows(sums_.data() + r, n - r, base_upper_.row(p - 1) + (r - 1), n - 1, p);
        }
        if (sums_[r] <= 0) return false;
        const double pivot = std::sqrt(sums_[r]);
        ext_diag_[r] = pivot;
        divide_by(ext_upper_.row(r) + r + 1, sums_.data() + r + 1, pivot, n - r - 1);
    }
    return true;
}

// Column `column` of the inverse factor (rows column..n-1; zero above). Entry c
// is (0 - sum over k = column..c-1 of U[k][c] * out[k]) / diag[c], summed upward.
void ci_engine::inverse_column(const square& upper, const std::vector<double>& diag, int column,
                               std::vector<double>& out) {
    const int n = upper.order;
    out.assign(static_cast<std::size_t>(n), 0.0);
    out[column] = 1;  // becomes 1 / diag[column]
    finish_inverse_column(upper.cells.data(), n, diag.data(), n, column, out.data());
}

// The target's inverse-factor column in the extended matrix, when the target
// lies above the candidate: the base's column down to the candidate, the
// base's partial sums below it, and the candidate's own entry.
void ci_engine::extended_target_column(int position) {
    const int n = ext_upper_.order;
    const int p = position;
    const int q = target_position_;
    std::vector<double>& column = column_target_;
    column.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = q; k < p; ++k) column[k] = base_target_column_[k];
    double s = 0;
    for (int k = q; k < p; ++k) s = s - candidate_column_[k] * column[k];
    column[p] = s;
    const double* partial = target_partial_.row(p);
    for (int c = p + 1; c < n; ++c) column[c] = partial[c - 1];
    finish_inverse_column(ext_upper_.cells.data(), n, ext_diag_.data(), n, p, column.data());
}

// The terms of the p-value that depend only on the conditioning-set size:
// a non-member's tests condition on member_count variables, a member's on one less.
void ci_engine::prepare_pvalues(int member_count) {
    member_count_ = member_count;
    for (int which = 0; which < 2; ++which) {
        const int cond_size = member_count - which;
        pvalue_terms& terms = terms_[which];
        if (state_.exact == 0) {
            terms.variance = 1.0 / static_cast<double>(state_.n_cases - cond_size - 3);
            terms.scale = std::sqrt(terms.variance + terms.variance);
        } else {
            terms.df = static_cast<double>(state_.n_cases - cond_size - 2);
            terms.log_beta = log_beta_part(terms.df * 0.5, 0.5);
        }
    }
}

// One non-member alone: its factor, its two inverse-factor columns, r.
double ci_engine::single_candidate(int group, int lane, bool& failed) {
    const int position = groups_[group].position;
    failed = !factor_with_candidate(group, lane);
    if (failed) return 0.0;
    inverse_column(ext_upper_, ext_diag_, position, column_candidate_);
    int shifted_target = target_position_ + 1;
    if (target_position_ < position) {
        shifted_target = target_position_;
        extended_target_column(position);
    } else {
        inverse_column(ext_upper_, ext_diag_, shifted_target, column_target_);
    }
    return pair_correlation(base_upper_.order + 1, position, column_candidate_.data(), shifted_target,
                            column_target_.data());
}

// A group's scratch for its factors and inverse-factor columns.
void ci_engine::prepare_group(group_scratch& scratch, int group) {
    const int n = base_upper_.order + 1;
    const std::size_t cells = static_cast<std::size_t>(n) * GROUP_LANES;
    const lane_group& lanes = groups_[group];
    scratch.group = group;
    scratch.upper.resize(cells * n + GROUP_PADDING);
    scratch.diag.resize(cells);
    scratch.sums.resize(cells + GROUP_PADDING);
    for (int g = 0; g < GROUP_LANES; ++g) {
        const int candidate = candidates_[lanes.first_slot + std::min(g, lanes.count - 1)];
        scratch.variances[g] = cov_(candidate, candidate);
        scratch.failed[g] = -1;
    }
}

// The factors of one prepared group, or of two at one position.
void ci_engine::factor_groups(int how_many) {
    group_factor_input in[2];
    for (int i = 0; i < how_many; ++i) {
        const int g = group_[i].group;
        in[i] = {base_upper_.order + 1,    groups_[g].position,
                 base_upper_.cells.data(), base_cov_.cells.data(),
                 group_columns(g),         group_cov(g),
                 group_[i].variances,      base_products_.empty() ? nullptr : base_products_.data(),
                 product_rows_.data()};
    }
    if (how_many == 1) {
        factor_group(in[0], group_[0].upper.data(), group_[0].diag.data(), group_[0].sums.data(), group_[0].failed);
        return;
    }
    factor_twin_groups(in[0], group_[0].upper.data(), group_[0].diag.data(), group_[0].sums.data(), group_[0].failed,
                       in[1], group_[1].upper.data(), group_[1].diag.data(), group_[1].sums.data(), group_[1].failed);
}

// The starting values of a factorised group's two inverse-factor columns;
// returns the row the target's column continues from and sets target (its
// position in the extended matrices).
int ci_engine::start_columns(group_scratch& group, int& target) {
    const int n = base_upper_.order + 1;
    const int p = groups_[group.group].position;
    const double* w = group_columns(group.group);
    const int q = target_position_;
    const std::size_t cells = static_cast<std::size_t>(n) * GROUP_LANES;
    group.column_a.resize(cells);
    group.column_b.resize(cells);
    // Only the entries from a column's own row on are read.
    // The candidate's column of the inverse factor starts at its own row.
    std::fill(group.column_a.begin() + p * GROUP_LANES, group.column_a.end(), 0.0);
    for (int g = 0; g < GROUP_LANES; ++g) group.column_a[p * GROUP_LANES + g] = 1;
    // The target's column: below the candidate it restarts; above, it is the
    // base's down to the candidate, with the base's partial sums below, and
    // its entries are final already.
    if (q < p) {
        target = q;
        const double* partial = target_partial_.row(p);
        double* column = group.column_b.data();
        double s[GROUP_LANES] = {};
        for (int k = q; k < p; ++k) {
            const double entry = base_target_column_[k];
            for (int g = 0; g < GROUP_LANES; ++g) {
                column[k * GROUP_LANES + g] = entry;
                s[g] = s[g] - w[k * GROUP_LANES + g] * entry;
            }
        }
        for (int g = 0; g < GROUP_LANES; ++g) column[p * GROUP_LANES + g] = s[g];
        for (int c = p + 1; c < n; ++c)
            for (int g = 0; g < GROUP_LANES; ++g) column[c * GROUP_LANES + g] = partial[c - 1];
        return p;
    }
    target = q + 1;
    std::fill(group.column_b.begin() + target * GROUP_LANES, group.column_b.end(), 0.0);
    for (int g = 0; g < GROUP_LANES; ++g) group.column_b[target * GROUP_LANES + g] = 1;
    return target;
}

// The target column's sum of squares that every group at position p shares:
// its entries above p are the base's when the target lies above p.
square_sum ci_engine::shared_target_squares(int p, int target) const {
    if (target >= p) return {0.0, target};
    return {target_squares_[p], p};
}

// A group's partial correlations, or its failures.
void ci_engine::record_group(const group_scratch& group, const double* r) {
    const lane_group& lanes = groups_[group.group];
    for (int g = 0; g < lanes.count; ++g) {
        failed_[lanes.first_slot + g] = group.failed[g] >= 0;
        correlations_[lanes.first_slot + g] = r[g];
    }
}

// A factorised group's two inverse-factor columns and partial correlations.
void ci_engine::finish_group(group_scratch& group) {
    int target = 0;
    const int target_from = start_columns(group, target);
    const int p = groups_[group.group].position;
    const int n = base_upper_.order + 1;
    finish_group_columns(group.upper.data(), group.diag.data(), n, p, group.column_a.data(), target_from,
                         group.column_b.data());
    double r[GROUP_LANES];
    group_pair_correlation(n, p, group.column_a.data(), target, group.column_b.data(), shared_target_squares(p, target),
                           r);
    record_group(group, r);
}

// The same for two groups at one position, their columns side by side.
void ci_engine::finish_twin_groups(group_scratch& a, group_scratch& b) {
    int target = 0;
    const int target_from = start_columns(a, target);
    start_columns(b, target);
    const int p = groups_[a.group].position;
    const int n = base_upper_.order + 1;
    finish_twin_group_columns({a.upper.data(), a.diag.data(), a.column_a.data(), a.column_b.data()},
                              {b.upper.data(), b.diag.data(), b.column_a.data(), b.column_b.data()}, n, p, target_from);
    double r_a[GROUP_LANES], r_b[GROUP_LANES];
    const double* column_i[2] = {a.column_a.data(), b.column_a.data()};
    const double* column_j[2] = {a.column_b.data(), b.column_b.data()};
    double* r[2] = {r_a, r_b};
    twin_pair_correlation(n, p, target, shared_target_squares(p, target), column_i, column_j, r);
    record_group(a, r_a);
    record_group(b, r_b);
}

// Every non-member's partial correlation with the target (or its failure),
// a group's candidates side by side where that pays.
void ci_engine::test_candidates() {
    const int width = static_cast<int>(candidates_.size());
    const int order = base_upper_.order;
    correlations_.assign(static_cast<std::size_t>(width), 0.0);
    failed_.assign(static_cast<std::size_t>(width), 0);
    int pending = 0;  // prepared groups not yet factorised
    for (int g = 0; g < static_cast<int>(groups_.size()); ++g) {
        const lane_group& group = groups_[g];
        const int p = group.position;
        // The rows above the candidates are the base's: a failure there is the base's.
        if (base_failed_row_ >= 0 && base_failed_row_ < p) {
            for (int i = 0; i < group.count; ++i) failed_[group.first_slot + i] = 1;
            continue;
        }
        const bool side_by_side =
            mode_ == grouping::always || (mode_ == grouping::automatic && (group.count > 1 || order - p < 48));
        if (!side_by_side) {
            for (int i = 0; i < group.count; ++i) {
                bool failed = false;
                correlations_[group.first_slot + i] = single_candidate(g, i, failed);
                failed_[group.first_slot + i] = failed;
            }
            continue;
        }
        // Only groups at one position share the kernel's loops; one left
        // over at a position goes alone.
        if (pending == 1 && groups_[group_[0].group].position != p) flush_groups(pending);
        prepare_group(group_[pending], g);
        if (++pending == 2) flush_groups(pending);
    }
    flush_groups(pending);
}

void ci_engine::flush_groups(int& pending) {
    if (pending == 0) return;
    factor_groups(pending);
    if (pending == 2) {
        finish_twin_groups(group_[0], group_[1]);
    } else {
        finish_group(group_[0]);
    }
    pending = 0;
}

void ci_engine::test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index) {
    const int n_vars = state_.n_vars;
    prepare_pvalues(member_count);
    base_vars_.clear();
    for (int v = 0; v < n_vars; ++v)
        if (v == target || member_flags[v] == 1) base_vars_.push_back(v);
    const int order = static_cast<int>(base_vars_.size());
    sums_.resize(static_cast<std::size_t>(order) + 1);
    coef_.resize(static_cast<std::size_t>(order) + 1);
    rows_.resize(static_cast<std::size_t>(order) + 1);
    candidate_column_.resize(static_cast<std::size_t>(order) + 1);
    target_position_ = 0;
    while (base_vars_[target_position_] != target) ++target_position_;
    factor_base();
    const bool base_ok = base_failed_row_ < 0;
    if (base_ok) {
        base_target_column();
    } else {
        // Every member's test fails, and the first of them ends the run before
        // any result is used; groups tested before that still read these.
        base_target_column_.assign(static_cast<std::size_t>(order), 0.0);
        target_partial_.reset(order + 1);
        target_squares_.assign(static_cast<std::size_t>(order) + 1, 0.0);
    }
    form_lane_groups();
    tabulate_base_products();
    gather_candidate_covariances();
    solve_candidate_columns();
    test_candidates();

    // Results in ascending variable order; the first test that fails ends the run.
    statistics_[0].clear();
    statistics_[1].clear();
    int entry = 0;
    int position = 0;  // the number of base variables below j
    int slot = 0;      // the number of non-members below j
    for (int j = 0; j < n_vars; ++j) {
        if (j == target) {
            ++position;
            continue;
        }
        double r;
        const int which = member_flags[j] == 1 ? 1 : 0;  // a member is tested given one variable less
        if (which == 1) {
            if (!base_ok) not_positive_definite(order);
            inverse_column(base_upper_, base_diag_, position, column_candidate_);
            r = pair_correlation(order, position, column_candidate_.data(), target_position_,
                                 base_target_column_.data());
            ++position;
        } else {
            if (failed_[slot]) not_positive_definite(order + 1);
            r = correlations_[slot];
            ++slot;
        }
        statistics_[which].push_back(std::fabs(statistic_from_correlation(state_, r, member_count - which)));
        index[entry] = j;
        ++entry;
    }
    pvalues_in_order(member_flags, entry, index, pvalues);
}

// The p-values of both kinds of test (each kind's computed together) in the
// tests' order: statistic_pvalue's values, with the pass's terms.
void ci_engine::pvalues_in_order(const std::uint8_t* member_flags, int entries, const int* index, double* pvalues) {
    for (int which = 0; which < 2; ++which) {
        const std::vector<double>& statistics = statistics_[which];
        const pvalue_terms& terms = terms_[which];
        std::vector<double>& out = kind_pvalues_[which];
        out.resize(statistics.size());
        if (state_.exact == 0) {
            normal_upper_tails(statistics.data(), static_cast<int>(statistics.size()), terms.variance, terms.scale,
                               out.data(), erf_scratch_, tail_arguments_, tail_places_);
        } else {
            student_upper_tails(statistics.data(), static_cast<int>(statistics.size()), terms.df, terms.log_beta,
                                out.data(), student_scratch_);
        }
    }
    std::size_t next[2] = {0, 0};
    for (int e = 0; e < entries; ++e) {
        const int which = member_flags[index[e]] == 1 ? 1 : 0;
        pvalues[e] = kind_pvalues_[which][next[which]++];
    }
}

}  // namespace gaussnet
