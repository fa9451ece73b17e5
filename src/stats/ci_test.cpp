#include "stats/ci_test.h"

#include <cmath>
#include <vector>

#include "numerics/numerics.h"
#include "stats/cholesky.h"

namespace gaussnet {

double statistic_from_correlation(const test_setting& test, double r, int cond_size) {
    if (r == 1) return INFINITE_STATISTIC;
    switch (test.kind) {
        case test_kind::student_t: {
            const double df = static_cast<double>(test.n_cases - cond_size - 2);
            return r * std::sqrt(df / (1 - r * r));
        }
        case test_kind::fisher_z:
            break;
    }
    return 0.5 * std::log((1 + r) / (1 - r));
}

double fisher_deferrable_correlation(double variance, double scale) {
    return fisher_correlation_below_cut(variance, scale, NORMAL_UPPER_TAIL_SERIES_CUT);
}

double fisher_correlation_below_cut(double variance, double scale, double cut) {
    if (!(variance > 0) || !(scale > 1e-12) || !std::isfinite(scale)) return -1;
    return std::tanh(0.999 * std::sqrt(cut) * scale);
}

double ci_statistic(const test_setting& test, int candidate, int target, const std::uint8_t* member_flags,
                    const DoubleMatrix& cov) {
    const int n_vars = static_cast<int>(cov.rows());
    int m = 0;
    for (int v = 0; v < n_vars; ++v) m += member_flags[v];
    const int order = m + 2;

    std::vector<int> taken;
    taken.reserve(static_cast<std::size_t>(order));
    int candidate_position = -1;
    int target_position = -1;
    for (int v = 0; v < n_vars; ++v) {
        if (v == candidate) candidate_position = static_cast<int>(taken.size());
        if (v == target) target_position = static_cast<int>(taken.size());
        if (v == candidate || v == target || member_flags[v] == 1) taken.push_back(v);
    }

    std::vector<double> sub(static_cast<std::size_t>(order) * order);
    const int size = static_cast<int>(taken.size());
    for (int p = 0; p < size; ++p) {
        for (int q = 0; q <= p; ++q) {
            sub[static_cast<std::size_t>(p) * order + q] = cov(taken[p], taken[q]);
            sub[static_cast<std::size_t>(q) * order + p] = cov(taken[q], taken[p]);
        }
    }
    const double r = partial_correlation(sub.data(), order, candidate_position, target_position);
    return statistic_from_correlation(test, r, m);
}

edge_evidence evidence_from_correlation(const test_setting& test, double r, int cond_size) {
    return {r, statistic_pvalue(test, std::fabs(statistic_from_correlation(test, r, cond_size)), cond_size)};
}

double statistic_pvalue(const test_setting& test, double statistic, int cond_size) {
    switch (test.kind) {
        case test_kind::student_t: {
            const int df = test.n_cases - cond_size - 2;
            return 1 - studtp(statistic, static_cast<double>(df));
        }
        case test_kind::fisher_z:
            break;
    }
    const int d = test.n_cases - cond_size - 3;
    return 1 - normalp(statistic, 0.0, 1.0 / static_cast<double>(d));
}

}  // namespace gaussnet
