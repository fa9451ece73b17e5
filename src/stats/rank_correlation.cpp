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
#include "numerics/numerics.h"
#include "stats/covariance.h"
#include "stats/kernels.h"
#include "stats/rank_products.h"

namespace gaussnet {

namespace {

// Average ranks are halves of whole numbers; a float holds them exactly below this.
constexpr std::int64_t MAX_RANKED_CASES = std::int64_t{1} << 23;

constexpr int COLUMNS_PER_TASK = 8;

// A float's bits as an unsigned key in the order of the values; -0 is +0
// (adding +0 makes it so and changes no other value).
std::uint32_t order_key(float value) {
    value = value + 0.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// A few columns' cases in ascending order of value, ties by case number, one
// column at a time: each entry holds the value's key above the case number.
// A stable radix sort, a byte of the key a pass; a byte every key shares
// needs no pass. The columns' keys are read row by row, a few values at a
// time, not down one column across the whole matrix.
class column_sorter {
public:
    void load(const FloatMatrix& data, int first, int count) {
        n_ = data.rows();
        keys_.resize(static_cast<std::size_t>(n_ * count));
        entries_.resize(static_cast<std::size_t>(n_));
        buffer_.resize(static_cast<std::size_t>(n_));
        for (std::int64_t k = 0; k < n_; ++k) {
            const float* row = data.row(k) + first;
            for (int c = 0; c < count; ++c) keys_[c * n_ + k] = order_key(row[c]);
        }
    }
    // The c-th loaded column, sorted.
    const std::vector<std::uint64_t>& sort(int c) {
        std::memset(counts_, 0, sizeof counts_);
        const std::uint32_t* keys = keys_.data() + c * n_;
        for (std::int64_t k = 0; k < n_; ++k) {
            entries_[k] = static_cast<std::uint64_t>(keys[k]) << 32 | static_cast<std::uint64_t>(k);
#pragma GCC unroll 4
            for (int byte = 0; byte < KEY_BYTES; ++byte) ++counts_[byte][(keys[k] >> 8 * byte) & 0xff];
        }
        for (int byte = 0; byte < KEY_BYTES; ++byte) {
            const int shift = 32 + 8 * byte;
            std::size_t* counts = counts_[byte];
            if (n_ == 0 || counts[(entries_[0] >> shift) & 0xff] == static_cast<std::size_t>(n_)) continue;
            std::size_t start = 0;
            for (int b = 0; b < 256; ++b) start += std::exchange(counts[b], start);
            for (const std::uint64_t e : entries_) buffer_[counts[(e >> shift) & 0xff]++] = e;
            entries_.swap(buffer_);
        }
        return entries_;
    }
    static int case_of(std::uint64_t entry) { return static_cast<int>(entry & 0xffffffffu); }
    static std::uint32_t key_of(std::uint64_t entry) { return static_cast<std::uint32_t>(entry >> 32); }

private:
    static constexpr int KEY_BYTES = 4;
    std::int64_t n_ = 0;
    std::size_t counts_[KEY_BYTES][256];
    std::vector<std::uint32_t> keys_;
    std::vector<std::uint64_t> entries_;
    std::vector<std::uint64_t> buffer_;
};

// Calls each(a, b) for every run [a, b) of equal values in a sorted column.
template <typename Each>
void for_each_run(const std::vector<std::uint64_t>& sorted, Each&& each) {
    const std::int64_t n = static_cast<std::int64_t>(sorted.size());
    for (std::int64_t a = 0, b = 0; a < n; a = b) {
        const std::uint32_t key = column_sorter::key_of(sorted[a]);
        while (b < n && column_sorter::key_of(sorted[b]) == key) ++b;
        each(a, b);
    }
}

void check_rankable(std::int64_t n_cases) {
    if (n_cases >= MAX_RANKED_CASES)
        throw fatal_error(strprintf("Rank correlation: %lld cases; at most %lld can be ranked.",
                                    static_cast<long long>(n_cases), static_cast<long long>(MAX_RANKED_CASES - 1)));
}

// Calls rank(sorted, v) for every column v, sorted by one sorter a thread.
template <typename Rank>
void rank_columns(const FloatMatrix& data, int n_threads, Rank&& rank) {
    const int n_vars = static_cast<int>(data.cols());
    std::vector<column_sorter> sorters(static_cast<std::size_t>(std::max(1, n_threads)));
    const int tasks = (n_vars + COLUMNS_PER_TASK - 1) / COLUMNS_PER_TASK;
    parallel_for(n_threads, tasks, [&](std::int64_t task, int thread) {
        const int first = static_cast<int>(task) * COLUMNS_PER_TASK;
        const int count = std::min(n_vars - first, COLUMNS_PER_TASK);
        column_sorter& sorter = sorters[thread];
        sorter.load(data, first, count);
        for (int c = 0; c < count; ++c) rank(sorter.sort(c), first + c);
    });
}

// Each value replaced by its rank (1-based), a run of ties by the run's average rank.
FloatMatrix average_ranks(const FloatMatrix& data, int n_threads) {
    check_rankable(data.rows());
    FloatMatrix ranks(data.rows(), data.cols());
    rank_columns(data, n_threads, [&](const std::vector<std::uint64_t>& sorted, int v) {
        for_each_run(sorted, [&](std::int64_t a, std::int64_t b) {
            const float rank = static_cast<float>(static_cast<double>(a + 1 + b) / 2);
            for (std::int64_t k = a; k < b; ++k) ranks(column_sorter::case_of(sorted[k]), v) = rank;
        });
    });
    return ranks;
}

// Twice each average rank less n_cases + 1: a run [a, b) of the sorted cases
// has the average rank (a + 1 + b) / 2.
centred_rank_columns doubled_centred_ranks(const FloatMatrix& data, int n_threads) {
    const int n = static_cast<int>(data.rows());
    centred_rank_columns ranks(n, static_cast<int>(data.cols()));
    rank_columns(data, n_threads, [&](const std::vector<std::uint64_t>& sorted, int v) {
        std::int32_t* column = ranks.column(v);
        for_each_run(sorted, [&](std::int64_t a, std::int64_t b) {
            const auto doubled = static_cast<std::int32_t>(a + b - n);
            for (std::int64_t k = a; k < b; ++k) column[column_sorter::case_of(sorted[k])] = doubled;
        });
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
    const int n = static_cast<int>(data.rows());
    std::vector<ordered_column> columns(static_cast<std::size_t>(data.cols()));
    rank_columns(data, n_threads, [&](const std::vector<std::uint64_t>& sorted, int v) {
        ordered_column& column = columns[v];
        column.order.resize(static_cast<std::size_t>(n));
        column.rank.resize(static_cast<std::size_t>(n));
        int rank = -1;
        for_each_run(sorted, [&](std::int64_t a, std::int64_t b) {
            ++rank;
            for (std::int64_t k = a; k < b; ++k) {
                column.order[k] = column_sorter::case_of(sorted[k]);
                column.rank[column.order[k]] = rank;
            }
            column.tied_pairs += (b - a) * (b - a - 1) / 2;
        });
    });
    return columns;
}

// Sorts runs of RUN values of y by insertion, counting the moves: each is
// one pair out of order.
constexpr int RUN = 8;

std::int64_t sort_runs(int* y, int n) {
    std::int64_t inversions = 0;
    for (int lo = 0; lo < n; lo += RUN) {
        const int hi = std::min(lo + RUN, n);
        for (int k = lo + 1; k < hi; ++k) {
            const int value = y[k];
            int j = k;
            for (; j > lo && y[j - 1] > value; --j) y[j] = y[j - 1];
            y[j] = value;
            inversions += k - j;
        }
    }
    return inversions;
}

// Merges two sorted runs, counting for each value taken from the right run
// the values of the left one still waiting (greater, so out of order). The
// choice is data, not a branch: it cannot be predicted.
std::int64_t merge_counting(const int* from, int lo, int mid, int hi, int* to) {
    std::int64_t inversions = 0;
    int a = lo, b = mid, out = lo;
    while (a < mid && b < hi) {
        const int left = from[a], right = from[b];
        const bool take_right = right < left;
        to[out++] = take_right ? right : left;
        inversions += take_right ? mid - a : 0;
        a += take_right ? 0 : 1;
        b += take_right ? 1 : 0;
    }
    while (a < mid) to[out++] = from[a++];
    while (b < hi) to[out++] = from[b++];
    return inversions;
}

// Sorts y ascending and returns the number of pairs out of order (strictly
// greater before smaller): runs by insertion, then bottom-up merges.
std::int64_t count_inversions(std::vector<int>& y, std::vector<int>& buffer) {
    const int n = static_cast<int>(y.size());
    std::int64_t inversions = sort_runs(y.data(), n);
    int* from = y.data();
    int* to = buffer.data();
    for (int width = RUN; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width)
            inversions += merge_counting(from, lo, std::min(lo + width, n), std::min(lo + 2 * width, n), to);
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

// Whether (1 - shrink) m + shrink I factorises with every pivot positive
// (m has a unit diagonal; the factor is formed in work).
bool positive_definite_after(const DoubleMatrix& m, double shrink, std::vector<double>& work) {
    const int n = static_cast<int>(m.rows());
    work.resize(static_cast<std::size_t>(n) * (n + 2));
    double* upper = work.data();
    for (int r = 0; r < n; ++r)
        for (int c = r; c < n; ++c)
            upper[static_cast<std::size_t>(r) * n + c] = r == c ? 1.0 : (1.0 - shrink) * m(r, c);
    double* diag = upper + static_cast<std::size_t>(n) * n;
    return factor_upper(upper, upper, n, n, diag, diag + n) < 0;
}

// The smallest shrinkage found by bisection that makes the matrix positive
// definite, then a margin so that its smallest eigenvalue is about
// SHRINK_MARGIN: (1 - s) e + s = margin at the eigenvalue e the bisection met.
constexpr int SHRINK_STEPS = 20;
constexpr double SHRINK_MARGIN = 0.01;

double positive_definite_shrinkage(const DoubleMatrix& m) {
    std::vector<double> work;
    if (positive_definite_after(m, 0.0, work)) return 0.0;
    double low = 0.0, high = 1.0;  // the identity is positive definite
    for (int step = 0; step < SHRINK_STEPS; ++step) {
        const double middle = (low + high) / 2;
        (positive_definite_after(m, middle, work) ? high : low) = middle;
    }
    return high + SHRINK_MARGIN * (1.0 - high);
}

bool unit_diagonal(const DoubleMatrix& m) {
    for (std::int64_t i = 0; i < m.rows(); ++i)
        if (m(i, i) != 1.0) return false;
    return true;
}

}  // namespace

double shrink_to_positive_definite(DoubleMatrix& matrix) {
    if (!unit_diagonal(matrix)) return 0.0;
    const double shrink = positive_definite_shrinkage(matrix);
    if (shrink == 0.0) return 0.0;
    for (std::int64_t i = 0; i < matrix.rows(); ++i)
        for (std::int64_t j = 0; j < matrix.cols(); ++j)
            if (i != j) matrix(i, j) = (1.0 - shrink) * matrix(i, j);
    return shrink;
}

FloatMatrix normal_scores(const FloatMatrix& data, int n_threads) {
    FloatMatrix scores = average_ranks(data, n_threads);
    // Twice an average rank is a whole number from 2 to 2 n: one quantile each.
    const std::int64_t n = data.rows();
    std::vector<float> score_of(static_cast<std::size_t>(2 * n + 1));
    for (std::int64_t k = 2; k <= 2 * n; ++k)
        score_of[k] = static_cast<float>(normal_quantile(static_cast<double>(k) / static_cast<double>(2 * (n + 1))));
    float* cell = scores.data();
    for (std::int64_t i = 0; i < n * scores.cols(); ++i) cell[i] = score_of[static_cast<std::size_t>(2.0f * cell[i])];
    return scores;
}

std::string shrinkage_note(correlation_kind kind, double shrink) {
    const char* name = correlation_name(kind);
    return strprintf(
        "gaussnet: the %s correlation matrix (correlation %s) was not positive definite; its correlations were "
        "shrunk toward 0 by the factor %.4g (each multiplied by %.4g).\n",
        name, name, shrink, 1.0 - shrink);
}

void spearman_matrix(const FloatMatrix& data, int n_threads, DoubleMatrix& rho) {
    if (data.cols() <= 0) return;
    // The ranks' covariance has the same bits either way; in whole numbers it is faster.
    if (data.rows() <= MAX_WHOLE_RANK_CASES) {
        rank_covariance(doubled_centred_ranks(data, n_threads), n_threads, rho);
    } else {
        estimate_covariance(average_ranks(data, n_threads), n_threads, rho);
    }
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

double estimate_association(const FloatMatrix& data, correlation_kind kind, int n_threads, DoubleMatrix& matrix) {
    switch (kind) {
        case correlation_kind::pearson:
            estimate_covariance(data, n_threads, matrix);
            return 0.0;
        case correlation_kind::normal:
            // A covariance, positive semi-definite as it stands.
            estimate_covariance(normal_scores(data, n_threads), n_threads, matrix);
            return 0.0;
        case correlation_kind::spearman:
            spearman_matrix(data, n_threads, matrix);
            map_off_diagonal(matrix, gaussian_from_spearman);
            break;
        case correlation_kind::kendall:
            kendall_matrix(data, n_threads, matrix);
            map_off_diagonal(matrix, gaussian_from_kendall);
            break;
    }
    // With no more cases than variables no correlation matrix is positive
    // definite; the blanket learners' small test matrices may still be.
    return data.rows() > data.cols() ? shrink_to_positive_definite(matrix) : 0.0;
}

}  // namespace gaussnet
