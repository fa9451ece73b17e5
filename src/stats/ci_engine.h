#pragma once
// All the conditional independence tests of one IAMB pass: every variable but
// the target against the target given the current members (a member given the
// others). One engine per thread; its scratch is reused from pass to pass.
//
// The results are bit-identical to testing each candidate with ci_statistic
// and statistic_pvalue; only work that would be repeated is shared:
// - a member's test uses the matrix of the members and the target (the base),
//   the same for every member, so the base is factorised once per pass;
// - a non-member's matrix is the base with the candidate inserted at its
//   position in variable order; the factor's rows before that position are the
//   base's, so only the candidate's column there and the rows from its
//   position on are computed;
// - all non-members' columns in the base rows are one forward solve per pass,
//   the candidates side by side;
// - pair mode needs only two columns of the inverse factor; each column
//   depends only on the factor and on itself, and the target's column above
//   the candidate's position, with its partial sums below, is the base's;
// - non-members at the same position are computed four at a time in vector
//   lanes (group_kernels.h), sharing the latency of each pivot and division,
//   and two such groups share the loops and the base's products, which are
//   formed once per pass;
// - the p-value's terms that depend only on the conditioning-set size (the
//   Fisher variance, the t distribution's log-gamma terms) are formed once per pass.

#include <cstdint>
#include <vector>

#include "common/matrix.h"
#include "driver/run_state.h"
#include "numerics/numerics.h"
#include "stats/group_kernels.h"

namespace gaussnet {

class ci_engine {
public:
    // How non-members that share a position are tested: side by side, one at a
    // time, or chosen by size. All three give the same bits.
    enum class grouping { automatic, always, never };

    ci_engine(const run_state& state, const DoubleMatrix& cov, grouping mode = grouping::automatic);

    // Writes, for every variable j != target in ascending order, its p-value
    // and j into pvalues[] and index[] (n_vars - 1 entries). member_count is
    // the number of flags set. Throws fatal_error "No Cholesky decomposition"
    // for the first test (in ascending j) whose matrix is not positive definite.
    void test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

    // The same results, one ci_statistic call per test (the reference path).
    void test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

private:
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

    void factor_base();
    void base_target_column();
    void form_lane_groups();
    void gather_candidate_covariances();
    void tabulate_base_products();
    void solve_candidate_columns();
    bool factor_with_candidate(int group, int lane);
    void extended_target_column(int position);
    void inverse_column(const square& upper, const std::vector<double>& diag, int column, std::vector<double>& out);
    double single_candidate(int group, int lane, bool& failed);
    struct group_scratch;
    void prepare_group(group_scratch& scratch, int group);
    void factor_groups(int how_many);
    int start_columns(group_scratch& group, int& target);
    square_sum shared_target_squares(int p, int target) const;
    void record_group(const group_scratch& group, const double* r);
    void finish_group(group_scratch& group);
    void finish_twin_groups(group_scratch& a, group_scratch& b);
    void flush_groups(int& pending);
    void test_candidates();
    void pvalues_in_order(const std::uint8_t* member_flags, int entries, const int* index, double* pvalues);
    void prepare_pvalues(int member_count);
    void subtract_terms(double* sums, int count, int terms);

    const run_state& state_;
    const DoubleMatrix& cov_;
    grouping mode_;
    std::vector<std::uint8_t> flags_;

    // The base: members and target in variable order, U = L^T, L, diagonal.
    std::vector<int> base_vars_;
    square base_cov_;  // the base's covariances (upper triangle with the diagonal)
    square base_upper_;
    square base_lower_;
    std::vector<double> base_diag_;
    int base_failed_row_ = -1;
    int target_position_ = 0;
    std::vector<double> base_target_column_;  // column of the base's inverse factor
    square target_partial_;                   // row p: that column's partial sums below p
    std::vector<double> target_squares_;      // [p]: its squares above p, summed from the target's row

    // The base with one candidate: rows from the candidate's position on.
    square ext_upper_;
    std::vector<double> ext_diag_;
    std::vector<int> candidates_;  // the non-members, ascending
    // Non-members at the same position, up to GROUP_LANES of them (the last
    // one repeated in unused lanes), in ascending order. Each group's blocks
    // hold, lanes fastest, its columns in the base rows above its position
    // (group_columns_) and its covariances with every base variable
    // (group_cov_); both have a stride of lane_block_ doubles per group.
    struct lane_group {
        int first_slot;
        int count;
        int position;
    };
    std::vector<lane_group> groups_;
    std::vector<int> group_positions_;
    std::vector<double> group_columns_;
    std::vector<double> group_cov_;
    std::vector<const double*> base_cov_rows_;  // the base variables' rows of the covariance matrix
    std::size_t lane_block_ = 0;
    const double* group_columns(int group) const { return group_columns_.data() + group * lane_block_; }
    const double* group_cov(int group) const { return group_cov_.data() + group * lane_block_; }
    std::vector<double> candidate_column_;  // the candidate's column in the base rows
    // The base's products U[k][r] * U[k][x] (see group_factor_input), or empty.
    static constexpr std::size_t MAX_PRODUCT_TABLE = std::size_t{1} << 16;
    std::vector<double> base_products_;
    std::vector<std::size_t> product_rows_;
    std::vector<double> column_candidate_;  // inverse-factor columns of the extended matrix
    std::vector<double> column_target_;

    std::vector<double> correlations_;  // per non-member: its partial correlation with the target
    std::vector<std::uint8_t> failed_;  // per non-member: its matrix is not positive definite

    // Side-by-side scratch of one group (lanes fastest); two groups at one
    // position are factorised together.
    struct group_scratch {
        std::vector<double> upper, diag, sums, column_a, column_b;
        double variances[GROUP_LANES];
        int failed[GROUP_LANES];
        int group = 0;
    };
    group_scratch group_[2];

    std::vector<double> sums_;
    std::vector<double> coef_;
    std::vector<const double*> rows_;

    struct pvalue_terms {
        double variance = 0;  // Fisher z: 1 / (n_cases - cond_size - 3) and sqrt(2 variance)
        double scale = 0;
        double df = 0;  // Student t: n_cases - cond_size - 2 and its log-beta part
        double log_beta = 0;
    };
    pvalue_terms terms_[2];              // [0]: a non-member's test, [1]: a member's
    std::vector<double> statistics_[2];  // this pass's statistics of each kind, in test order
    std::vector<double> kind_pvalues_[2];
    error_function_scratch erf_scratch_;
    student_scratch student_scratch_;
    std::vector<double> tail_arguments_;
    std::vector<int> tail_places_;
    int member_count_ = 0;
};

}  // namespace gaussnet
