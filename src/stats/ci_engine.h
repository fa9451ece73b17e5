#pragma once
// All the conditional independence tests of one IAMB pass: every variable but
// the target against the target given the current members (a member given the
// others). One engine per thread; its scratch is reused from pass to pass.

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
    // the number of flags set.
    void test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues, int* index);

private:
    const run_state& state_;
    const DoubleMatrix& cov_;
    std::vector<std::uint8_t> flags_;
};

}  // namespace gaussnet
