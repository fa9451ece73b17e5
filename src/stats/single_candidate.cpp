// A non-member factorised on its own, vectorised across columns.
#include <algorithm>
#include <vector>

#include "stats/candidate_tests.h"
#include "stats/cholesky.h"
#include "stats/kernels.h"

namespace gaussnet {

namespace {

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

}  // namespace

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

}  // namespace gaussnet
