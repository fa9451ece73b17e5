#include "stats/covariance.h"

#include <algorithm>
#include <vector>

#include "common/parallel.h"

namespace gaussnet {

namespace {

constexpr int ROW_BLOCK = 8;

std::vector<double> column_means(const run_state& state) {
    const int n = state.n_vars;
    std::vector<double> sums(static_cast<std::size_t>(n), 0.0);
    // Each column is summed case by case in file order; the columns are independent.
    for (int k = 0; k < state.n_cases; ++k) {
        const float* row = state.data_matrix.row(k);
        for (int i = 0; i < n; ++i) sums[i] = sums[i] + static_cast<double>(row[i]);
    }
    for (int i = 0; i < n; ++i) sums[i] = sums[i] / state.n_cases;
    return sums;
}

// Rows first..first+count-1 of the covariance, each pair (i, j >= i) summed
// over the cases in file order; several pairs advance together case by case.
void covariance_rows(const run_state& state, const std::vector<double>& means, int first, int count,
                     DoubleMatrix& cov) {
    const int n = state.n_vars;
    const int width = n - first;
    std::vector<double> centred(static_cast<std::size_t>(width));
    std::vector<double> sums(static_cast<std::size_t>(count) * width, 0.0);
    for (int k = 0; k < state.n_cases; ++k) {
        const float* row = state.data_matrix.row(k);
        for (int j = 0; j < width; ++j) centred[j] = static_cast<double>(row[first + j]) - means[first + j];
        for (int b = 0; b < count; ++b) {
            const double d = centred[b];
            double* sum = sums.data() + static_cast<std::size_t>(b) * width;
            for (int j = b; j < width; ++j) sum[j] = sum[j] + d * centred[j];
        }
    }
    for (int b = 0; b < count; ++b) {
        const int i = first + b;
        const double* sum = sums.data() + static_cast<std::size_t>(b) * width;
        for (int j = b; j < width; ++j) {
            const double value = sum[j] / state.n_cases;
            cov(i, first + j) = value;
            cov(first + j, i) = value;
        }
    }
}

}  // namespace

void estimate_covariance(const run_state& state, DoubleMatrix& cov) {
    const int n = state.n_vars;
    if (n <= 0) return;
    const std::vector<double> means = column_means(state);
    const int blocks = (n + ROW_BLOCK - 1) / ROW_BLOCK;
    parallel_for(state.n_threads, blocks, [&](std::int64_t block, int) {
        const int first = static_cast<int>(block) * ROW_BLOCK;
        covariance_rows(state, means, first, std::min(ROW_BLOCK, n - first), cov);
    });
}

}  // namespace gaussnet
