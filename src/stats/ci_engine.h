#pragma once
// All the conditional independence tests of one IAMB pass: every variable but
// the target against the target given the current members (a member given the
// others). The results are bit-identical to testing each candidate with
// ci_statistic and statistic_pvalue (test_pass_plain, the reference path);
// only work that would be repeated is shared. ci_engine.cpp states the
// mathematics. One engine per thread; its scratch is reused from pass to pass.

#include <cstdint>
#include <memory>

#include "common/matrix.h"
#include "common/test_setting.h"

namespace gaussnet {

struct ci_engine_scratch;

// The non-member tests that the last test_pass_deferring left deferred.
struct deferred_tests {
    const int* entries = nullptr;          // their entries in the pass, ascending
    const double* correlations = nullptr;  // their partial correlations
    int count = 0;
    double variance = 0;  // their normal variance
    double scale = 0;     // and scale, sqrt(variance + variance)
};

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

    // test_pass, except that a non-member's p-value that is certainly above
    // NORMAL_UPPER_TAIL_FLOOR (numerics.h) is not computed: its entry holds
    // +infinity. Only Fisher's z defers. Returns the number of such entries;
    // complete_deferred writes their p-values, the ones test_pass gives.
    int test_pass_deferring(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
                            int* index);
    // Fills in the entries deferred by the last test_pass_deferring.
    void complete_deferred(double* pvalues);
    // Fills in the deferred entries at places which[0..count) of deferred().
    void complete_deferred_some(const int* which, int count, double* pvalues);
    deferred_tests deferred() const;

    // The same results, one ci_statistic call per test (the reference path).
    void test_pass_plain(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

private:
    int run_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index,
                 bool defer);

    test_setting test_;
    int n_vars_;
    const DoubleMatrix& cov_;
    grouping mode_;
    std::unique_ptr<ci_engine_scratch> scratch_;
};

}  // namespace gaussnet
