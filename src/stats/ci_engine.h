#pragma once
// All the conditional independence tests of one IAMB pass: every variable but
// the target against the target given the current members (a member given the
// others). The results are bit-identical to testing each candidate with
// ci_statistic and statistic_pvalue (test_pass_plain, the reference path);
// only work that would be repeated is shared. candidate_tests.h states the
// mathematics. One engine per thread; its scratch is reused from pass to
// pass, and it keeps nothing of one pass for the next.

#include <cstdint>
#include <memory>
#include <vector>

#include "common/matrix.h"
#include "common/test_setting.h"
#include "stats/pass_pvalues.h"

namespace gaussnet {

struct ci_engine_scratch;

class ci_engine {
public:
    // How non-members that share a position are tested: side by side, one at a
    // time, or chosen by size. All three give the same bits.
    enum class grouping { automatic, always, never };

    ci_engine(const test_setting& test, const DoubleMatrix& cov, grouping mode = grouping::automatic);
    ci_engine(ci_engine&&) noexcept;
    ~ci_engine();

    // Writes, for every variable j != target in ascending order, its p-value
    // and j into pvalues[] and index[] (n_vars - 1 entries). member_count is
    // the number of flags set. Throws fatal_error "No Cholesky decomposition"
    // for the first test (in ascending j) whose matrix is not positive definite.
    void test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

    // test_pass as a value, except that a non-member's p-value that is
    // certainly above NORMAL_UPPER_TAIL_FLOOR may be left deferred (see
    // pass_pvalues; only Fisher's z defers). storage: a spent pass whose
    // buffers are reused (its contents are not read).
    pass_pvalues test_pass_deferring(int target, const std::uint8_t* member_flags, int member_count,
                                     pass_pvalues&& storage = {});

    // For every member (flag 1) in ascending order, its partial correlation
    // with the target given the other members: the r of its test in a pass
    // with these flags, bit for bit. Throws as test_pass does.
    void member_correlations(int target, const std::uint8_t* member_flags, std::vector<double>& out);

    // The same results, one ci_statistic call per test (the reference path).
    void test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

private:
    void run_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index,
                  pass_pvalues* deferring);

    test_setting test_;
    int n_vars_;
    const DoubleMatrix& cov_;
    grouping mode_;
    std::unique_ptr<ci_engine_scratch> scratch_;
};

}  // namespace gaussnet
