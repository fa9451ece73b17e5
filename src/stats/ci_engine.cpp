#include "stats/ci_engine.h"

#include <cmath>

#include "stats/ci_test.h"

namespace gaussnet {

ci_engine::ci_engine(const run_state& state, const DoubleMatrix& cov)
    : state_(state), cov_(cov), flags_(static_cast<std::size_t>(state.n_vars)) {}

void ci_engine::test_pass(int target, const std::uint8_t* member_flags, int member_count, double* pvalues,
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

}  // namespace gaussnet
