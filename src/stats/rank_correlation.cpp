#include "stats/rank_correlation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

#include "common/fatal_error.h"
#include "common/parallel.h"
#include "common/text.h"
#include "stats/covariance.h"

namespace gaussnet {

namespace {

// Average ranks are halves of whole numbers; a float holds them exactly below this.
constexpr std::int64_t MAX_RANKED_CASES = std::int64_t{1} << 23;

constexpr int COLUMNS_PER_TASK = 8;

// A float's bits as an unsigned key in the order of the values; -0 is +0.
std::uint32_t order_key(float value) {
    if (value == 0.0f) value = 0.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// One column's cases in ascending order of value, ties by case number: each
// entry holds the value's key above the case number. A stable radix sort, a
// byte of the key a pass.
class column_sorter {
public:
    const std::vector<std::uint64_t>& sort(const FloatMatrix& data, int column) {
        const std::int64_t n = data.rows();
        entries_.resize(static_cast<std::size_t>(n));
        buffer_.resize(static_cast<std::size_t>(n));
        for (std::int64_t k = 0; k < n; ++k)
            entries_[k] = static_cast<std::uint64_t>(order_key(data(k, column))) << 32 | static_cast<std::uint64_t>(k);
        for (int shift = 32; shift < 64; shift += 8) {
            std::size_t counts[257] = {};
            for (const std::uint64_t e : entries_) ++counts[((e >> shift) & 0xff) + 1];
            for (int b = 0; b < 256; ++b) counts[b + 1] += counts[b];
            for (const std::uint64_t e : entries_) buffer_[counts[(e >> shift) & 0xff]++] = e;
            entries_.swap(buffer_);
        }
        return entries_;
    }
    static int case_of(std::uint64_t entry) { return static_cast<int>(entry & 0xffffffffu); }
    static std::uint32_t key_of(std::uint64_t entry) { return static_cast<std::uint32_t>(entry >> 32); }

private:
    std::vector<std::uint64_t> entries_;
    std::vector<std::uint64_t> buffer_;
};

// Each value replaced by its rank (1-based), a run of ties by the run's average rank.
FloatMatrix average_ranks(const FloatMatrix& data, int n_threads) {
    const int n_vars = static_cast<int>(data.cols());
    const std::int64_t n = data.rows();
    if (n >= MAX_RANKED_CASES)
        throw fatal_error(strprintf("Rank correlation: %lld cases; at most %lld can be ranked.",
                                    static_cast<long long>(n), static_cast<long long>(MAX_RANKED_CASES - 1)));
    FloatMatrix ranks(n, n_vars);
    const int tasks = (n_vars + COLUMNS_PER_TASK - 1) / COLUMNS_PER_TASK;
    parallel_for(n_threads, tasks, [&](std::int64_t task, int) {
        column_sorter sorter;
        const int first = static_cast<int>(task) * COLUMNS_PER_TASK;
        for (int v = first; v < std::min(n_vars, first + COLUMNS_PER_TASK); ++v) {
            const std::vector<std::uint64_t>& sorted = sorter.sort(data, v);
            for (std::int64_t a = 0, b = 0; a < n; a = b) {
                const std::uint32_t key = column_sorter::key_of(sorted[a]);
                while (b < n && column_sorter::key_of(sorted[b]) == key) ++b;
                const float rank = static_cast<float>(static_cast<double>(a + 1 + b) / 2);
                for (std::int64_t k = a; k < b; ++k) ranks(column_sorter::case_of(sorted[k]), v) = rank;
            }
        }
    });
    return ranks;
}

// Scales a matrix of covariances to correlations; a variable with no spread
// gets a zero row and column.
void correlations_from(DoubleMatrix& cov) {
    const std::int64_t n = cov.rows();
    std::vector<double> variance(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) variance[i] = cov(i, i);
    for (std::int64_t i = 0; i < n; ++i) {
        for (std::int64_t j = i; j < n; ++j) {
            double value = 0.0;
            if (variance[i] > 0 && variance[j] > 0)
                value = i == j ? 1.0 : cov(i, j) / std::sqrt(variance[i] * variance[j]);
            cov(i, j) = value;
            cov(j, i) = value;
        }
    }
}

// Perfect agreement of the ranks stays a perfect correlation (sin(pi/6) is
// not exactly 1/2 in doubles); nothing maps beyond it.
double clamped(double rank_correlation, double r) {
    if (std::fabs(rank_correlation) == 1.0) return rank_correlation;
    return std::clamp(r, -1.0, 1.0);
}

void map_off_diagonal(DoubleMatrix& matrix, double (*map)(double)) {
    for (std::int64_t i = 0; i < matrix.rows(); ++i)
        for (std::int64_t j = 0; j < matrix.cols(); ++j)
            if (i != j) matrix(i, j) = map(matrix(i, j));
}

// One variable's cases ordered by value (ties by case number), as whole-number
// ranks 0, 1, ... with equal values sharing one, and its count of tied pairs.
struct ordered_column {
    std::vector<int> order;  // case numbers, ascending value
    std::vector<int> rank;   // by case number
    std::int64_t tied_pairs = 0;
};

std::vector<ordered_column> order_columns(const FloatMatrix& data, int n_threads) {
    const int n_vars = static_cast<int>(data.cols());
    const int n = static_cast<int>(data.rows());
    std::vector<ordered_column> columns(static_cast<std::size_t>(n_vars));
    parallel_for(n_threads, n_vars, [&](std::int64_t v, int) {
        column_sorter sorter;
        const std::vector<std::uint64_t>& sorted = sorter.sort(data, static_cast<int>(v));
        ordered_column& column = columns[v];
        column.order.resize(static_cast<std::size_t>(n));
        column.rank.resize(static_cast<std::size_t>(n));
        int rank = -1;
        for (int a = 0, b = 0; a < n; a = b) {
            ++rank;
            const std::uint32_t key = column_sorter::key_of(sorted[a]);
            while (b < n && column_sorter::key_of(sorted[b]) == key) ++b;
            for (int k = a; k < b; ++k) {
                column.order[k] = column_sorter::case_of(sorted[k]);
                column.rank[column.order[k]] = rank;
            }
            column.tied_pairs += static_cast<std::int64_t>(b - a) * (b - a - 1) / 2;
        }
    });
    return columns;
}

// Sorts y ascending by a bottom-up merge sort and returns the number of
// pairs out of order (strictly greater before smaller).
std::int64_t count_inversions(std::vector<int>& y, std::vector<int>& buffer) {
    const int n = static_cast<int>(y.size());
    std::int64_t inversions = 0;
    int* from = y.data();
    int* to = buffer.data();
    for (int width = 1; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            int a = lo, b = mid, out = lo;
            while (a < mid && b < hi) {
                if (from[b] < from[a]) {
                    inversions += mid - a;
                    to[out++] = from[b++];
                } else {
                    to[out++] = from[a++];
                }
            }
            while (a < mid) to[out++] = from[a++];
            while (b < hi) to[out++] = from[b++];
        }
        std::swap(from, to);
    }
    if (from != y.data()) std::copy(from, from + n, y.data());
    return inversions;
}

// Per thread: the second variable's ranks in the first one's order.
struct kendall_scratch {
    std::vector<int> y;
    std::vector<int> buffer;
};

// tau-b of x and y: the pairs ordered by (x, y), joint ties counted within
// x's ties, discordant pairs counted as the inversions left in y.
double kendall_pair(const ordered_column& x, const ordered_column& y, kendall_scratch& scratch) {
    const int n = static_cast<int>(x.order.size());
    const std::int64_t pairs = static_cast<std::int64_t>(n) * (n - 1) / 2;
    if (x.tied_pairs == pairs || y.tied_pairs == pairs) return 0.0;
    scratch.y.resize(static_cast<std::size_t>(n));
    scratch.buffer.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) scratch.y[k] = y.rank[x.order[k]];
    std::int64_t joint_ties = 0;
    if (x.tied_pairs > 0) {
        for (int a = 0, b = 0; a < n; a = b) {
            while (b < n && x.rank[x.order[b]] == x.rank[x.order[a]]) ++b;
            if (b - a < 2) continue;
            std::sort(scratch.y.begin() + a, scratch.y.begin() + b);
            for (int c = a, d = a; c < b; c = d) {
                while (d < b && scratch.y[d] == scratch.y[c]) ++d;
                joint_ties += static_cast<std::int64_t>(d - c) * (d - c - 1) / 2;
            }
        }
    }
    const std::int64_t discordant = count_inversions(scratch.y, scratch.buffer);
    const std::int64_t difference = pairs - x.tied_pairs - y.tied_pairs + joint_ties - 2 * discordant;
    return static_cast<double>(difference) /
           std::sqrt(static_cast<double>(pairs - x.tied_pairs) * static_cast<double>(pairs - y.tied_pairs));
}

}  // namespace

void spearman_matrix(const FloatMatrix& data, int n_threads, DoubleMatrix& rho) {
    if (data.cols() <= 0) return;
    estimate_covariance(average_ranks(data, n_threads), n_threads, rho);
    correlations_from(rho);
}

void kendall_matrix(const FloatMatrix& data, int n_threads, DoubleMatrix& tau) {
    const int n_vars = static_cast<int>(data.cols());
    const std::vector<ordered_column> columns = order_columns(data, n_threads);
    const std::int64_t pairs = data.rows() * (data.rows() - 1) / 2;
    parallel_for(n_threads, n_vars, [&](std::int64_t i, int) {
        kendall_scratch scratch;
        const bool constant = columns[i].tied_pairs == pairs;
        tau(i, i) = constant ? 0.0 : 1.0;
        for (int j = static_cast<int>(i) + 1; j < n_vars; ++j) {
            const double value = kendall_pair(columns[i], columns[j], scratch);
            tau(i, j) = value;
            tau(j, i) = value;
        }
    });
}

double gaussian_from_spearman(double rho) { return clamped(rho, 2.0 * std::sin(std::numbers::pi / 6.0 * rho)); }

double gaussian_from_kendall(double tau) { return clamped(tau, std::sin(std::numbers::pi / 2.0 * tau)); }

void estimate_association(const FloatMatrix& data, correlation_kind kind, int n_threads, DoubleMatrix& matrix) {
    switch (kind) {
        case correlation_kind::pearson:
            estimate_covariance(data, n_threads, matrix);
            return;
        case correlation_kind::spearman:
            spearman_matrix(data, n_threads, matrix);
            map_off_diagonal(matrix, gaussian_from_spearman);
            return;
        case correlation_kind::kendall:
            kendall_matrix(data, n_threads, matrix);
            map_off_diagonal(matrix, gaussian_from_kendall);
            return;
    }
}

}  // namespace gaussnet
