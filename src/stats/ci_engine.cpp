#include "stats/ci_engine.h"

#include <cmath>

#include "common/fatal_error.h"
#include "common/text.h"
#include "numerics/special_functions.h"
#include "stats/ci_test.h"
#include "stats/kernels.h"

namespace gaussnet {

ci_engine::ci_engine(const run_state& state, const DoubleMatrix& cov)
    : state_(state), cov_(cov), flags_(static_cast<std::size_t>(state.n_vars)) {}

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

void ci_engine::factor::reset(int n) {
    order = n;
    failed_row = -1;
    upper.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
    diag.resize(static_cast<std::size_t>(n));
}

void ci_engine::factor_rows(factor& f, int first_row) {
    row_sums_.resize(static_cast<std::size_t>(f.order));
    f.failed_row = factor_trailing_rows(f.upper.data(), f.diag.data(), f.order, first_row, cov_.data(), cov_.cols(),
                                        f.vars.data(), row_sums_.data());
}

// The factor of the base variables with candidate inserted at position: the
// base rows before it are copied (shifted past the candidate's column), the
// candidate's column in those rows is solved for, the rest is factorised.
void ci_engine::factor_with_candidate(int candidate, int position) {
    const factor& b = base_;
    factor& e = extended_;
    const int n = b.order + 1;
    e.reset(n);
    e.vars.assign(b.vars.begin(), b.vars.begin() + position);
    e.vars.push_back(candidate);
    e.vars.insert(e.vars.end(), b.vars.begin() + position, b.vars.end());
    const double* cov_candidate = cov_.row(candidate);
    for (int r = 0; r < position; ++r) {
        const double* from = b.row(r);
        double* to = e.row(r);
        for (int x = r; x < position; ++x) to[x] = from[x];
        for (int x = position + 1; x < n; ++x) to[x] = from[x - 1];
        double s = cov_candidate[b.vars[r]];
        for (int k = r - 1; k >= 0; --k) s = s - e.row(k)[r] * e.row(k)[position];
        to[position] = s / b.diag[r];
        e.diag[r] = b.diag[r];
    }
    factor_rows(e, position);
}

void ci_engine::inverse_column(const factor& f, int column, std::vector<double>& out) {
    out.resize(static_cast<std::size_t>(f.order));
    inverse_factor_column(f.upper.data(), f.diag.data(), f.order, column, out.data());
}

double ci_engine::pair_correlation(const factor& f, int i, const std::vector<double>& column_i, int j,
                                   const std::vector<double>& column_j) const {
    const int n = f.order;
    double cross = 0;
    for (int k = i > j ? i : j; k < n; ++k) cross = cross + column_i[k] * column_j[k];
    double s_i = 0;
    for (int k = i; k < n; ++k) s_i = s_i + column_i[k] * column_i[k];
    double s_j = 0;
    for (int k = j; k < n; ++k) s_j = s_j + column_j[k] * column_j[k];
    if (cross == 0) return 0.0;
    return -(cross / std::sqrt(s_j * s_i));
}

void ci_engine::prepare_pvalues(int member_count) {
    member_count_ = member_count;
    if (state_.exact == 0) return;
    const double df_members = static_cast<double>(state_.n_cases - member_count - 2);
    const double df_one_less = static_cast<double>(state_.n_cases - (member_count - 1) - 2);
    log_beta_members_ = log_beta_part(df_members * 0.5, 0.5);
    log_beta_one_less_ = log_beta_part(df_one_less * 0.5, 0.5);
}

double ci_engine::pvalue(double r, int cond_size) const {
    const double statistic = std::fabs(statistic_from_correlation(state_, r, cond_size));
    if (state_.exact == 0) return statistic_pvalue(state_, statistic, cond_size);
    const int df = state_.n_cases - cond_size - 2;
    const double part = cond_size == member_count_ ? log_beta_members_ : log_beta_one_less_;
    return 1 - studtp_with_log_beta(statistic, static_cast<double>(df), part);
}

void ci_engine::test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                          int* index) {
    const int n = state_.n_vars;
    prepare_pvalues(member_count);
    base_.vars.clear();
    for (int v = 0; v < n; ++v)
        if (v == target || member_flags[v] == 1) base_.vars.push_back(v);
    base_.reset(static_cast<int>(base_.vars.size()));
    factor_rows(base_, 0);
    int target_position = 0;
    while (base_.vars[target_position] != target) ++target_position;
    const bool base_ok = base_.failed_row < 0;
    if (base_ok) inverse_column(base_, target_position, target_column_);

    int entry = 0;
    int position = 0;  // the number of base variables below j
    for (int j = 0; j < n; ++j) {
        if (j == target) {
            ++position;
            continue;
        }
        double r;
        if (member_flags[j] == 1) {
            if (!base_ok) throw fatal_error(strprintf("No Cholesky decomposition (%d).", base_.order));
            inverse_column(base_, position, column_a_);
            r = pair_correlation(base_, position, column_a_, target_position, target_column_);
            pvalues[entry] = pvalue(r, member_count - 1);
            ++position;
        } else {
            if (base_.failed_row >= 0 && base_.failed_row < position) {
                throw fatal_error(strprintf("No Cholesky decomposition (%d).", base_.order + 1));
            }
            factor_with_candidate(j, position);
            if (extended_.failed_row >= 0) {
                throw fatal_error(strprintf("No Cholesky decomposition (%d).", extended_.order));
            }
            const int shifted_target = target_position < position ? target_position : target_position + 1;
            inverse_column(extended_, position, column_a_);
            inverse_column(extended_, shifted_target, column_b_);
            r = pair_correlation(extended_, position, column_a_, shifted_target, column_b_);
            pvalues[entry] = pvalue(r, member_count);
        }
        index[entry] = j;
        ++entry;
    }
}

}  // namespace gaussnet
