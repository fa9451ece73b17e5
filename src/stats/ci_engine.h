#pragma once
// All the conditional independence tests of one IAMB pass: every variable but
// the target against the target given the current members (a member given the
// others). One engine per thread; its scratch is reused from pass to pass.
//
// The results are bit-identical to testing each candidate with ci_statistic
// and statistic_pvalue; only work that would be repeated is shared:
// - a member's test uses the matrix of the members and the target, the same
//   for every member, so that matrix is factorised once per pass;
// - a non-member's matrix is that one with the candidate inserted at its
//   position in variable order; the factor's rows before that position do not
//   depend on the candidate, so only the candidate's column there and the rows
//   from its position on are computed;
// - pair mode needs only two columns of the inverse factor, and each column
//   depends only on the factor and on itself;
// - the log-gamma terms of the t distribution depend only on the degrees of freedom.

#include <cstdint>
#include <vector>

#include "common/matrix.h"
#include "driver/run_state.h"

namespace gaussnet {

class ci_engine {
public:
    ci_engine(const run_state& state, const DoubleMatrix& cov);

    // Writes, for every variable j != target in ascending order, its p-value
    // and j into pvalues[] and index[] (n_vars - 1 entries). member_count is
    // the number of flags set. Throws fatal_error "No Cholesky decomposition"
    // for the first test (in ascending j) whose matrix is not positive definite.
    void test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

    // The same results, one ci_statistic call per test (the reference path).
    void test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                         int* index);

private:
    // An upper-triangular factor U = L^T of order n (row-major, stride n) and its diagonal.
    struct factor {
        std::vector<int> vars;  // the variables in position order
        std::vector<double> upper;
        std::vector<double> diag;
        int order = 0;
        int failed_row = -1;  // first row whose pivot was not positive, or -1

        double* row(int r) { return upper.data() + static_cast<std::ptrdiff_t>(r) * order; }
        const double* row(int r) const { return upper.data() + static_cast<std::ptrdiff_t>(r) * order; }
        void reset(int n);
    };

    void factor_rows(factor& f, int first_row);
    void factor_with_candidate(int candidate, int position);
    void inverse_column(const factor& f, int column, std::vector<double>& out);
    double pair_correlation(const factor& f, int i, const std::vector<double>& column_i, int j,
                            const std::vector<double>& column_j) const;
    double pvalue(double r, int cond_size) const;
    void prepare_pvalues(int member_count);

    const run_state& state_;
    const DoubleMatrix& cov_;
    std::vector<std::uint8_t> flags_;
    factor base_;       // members and target
    factor extended_;   // members, target and one candidate
    std::vector<double> row_sums_;
    std::vector<double> target_column_;
    std::vector<double> column_a_;
    std::vector<double> column_b_;
    double log_beta_members_ = 0;      // df of a non-member's test
    double log_beta_one_less_ = 0;     // df of a member's test
    int member_count_ = 0;
};

}  // namespace gaussnet
