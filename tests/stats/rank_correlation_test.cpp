// Rank correlations against their definitions computed the slow way, ties
// included, and the matrix the learners get from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

#include "numerics/numerics.h"
#include "stats/cholesky.h"
#include "stats/covariance.h"
#include "stats/rank_correlation.h"
#include "stats/rank_products.h"

namespace gaussnet {
namespace {

// Values on a coarse grid, so that many are tied; column 3 is constant.
FloatMatrix tied_data(int n_cases, int n_vars, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grid(0, 6);
    FloatMatrix data(n_cases, n_vars);
    for (int k = 0; k < n_cases; ++k)
        for (int v = 0; v < n_vars; ++v) data(k, v) = v == 3 ? 2.5f : static_cast<float>(grid(random) + (v % 2) * k);
    return data;
}

double slow_rank(const FloatMatrix& data, int v, int k) {
    double below = 0, equal = 0;
    for (int m = 0; m < data.rows(); ++m) {
        below += data(m, v) < data(k, v);
        equal += data(m, v) == data(k, v);
    }
    return below + (equal + 1) / 2;
}

double slow_spearman(const FloatMatrix& data, int a, int b) {
    const int n = static_cast<int>(data.rows());
    double sab = 0, saa = 0, sbb = 0, mean = (n + 1) / 2.0;
    for (int k = 0; k < n; ++k) {
        const double ra = slow_rank(data, a, k) - mean, rb = slow_rank(data, b, k) - mean;
        sab += ra * rb;
        saa += ra * ra;
        sbb += rb * rb;
    }
    return sab / std::sqrt(saa * sbb);
}

double slow_kendall(const FloatMatrix& data, int a, int b) {
    const long long n = data.rows();
    long long difference = 0, ties_a = 0, ties_b = 0;
    for (int k = 0; k < n; ++k) {
        for (int m = k + 1; m < n; ++m) {
            const float da = data(k, a) - data(m, a), db = data(k, b) - data(m, b);
            ties_a += da == 0;
            ties_b += db == 0;
            if (da != 0 && db != 0) difference += (da > 0) == (db > 0) ? 1 : -1;
        }
    }
    const long long pairs = n * (n - 1) / 2;
    return static_cast<double>(difference) /
           std::sqrt(static_cast<double>(pairs - ties_a) * static_cast<double>(pairs - ties_b));
}

TEST(RankCorrelation, MatchesTheDefinitionsWithTiesAndIsTheSameAtEveryThreadCount) {
    const int n_cases = 67, n_vars = 13;
    const FloatMatrix data = tied_data(n_cases, n_vars, 5);
    DoubleMatrix rho(n_vars, n_vars), tau(n_vars, n_vars);
    spearman_matrix(data, 1, rho);
    kendall_matrix(data, 1, tau);
    for (int a = 0; a < n_vars; ++a) {
        for (int b = 0; b < n_vars; ++b) {
            if (a == 3 || b == 3) {
                // A constant variable's correlations are undefined: zero row and column.
                EXPECT_EQ(rho(a, b), 0.0);
                EXPECT_EQ(tau(a, b), 0.0);
            } else if (a == b) {
                EXPECT_EQ(rho(a, b), 1.0);
                EXPECT_EQ(tau(a, b), 1.0);
            } else {
                EXPECT_NEAR(rho(a, b), slow_spearman(data, a, b), 1e-13) << a << "," << b;
                // tau-b is formed from the same whole counts either way.
                EXPECT_EQ(tau(a, b), slow_kendall(data, a, b)) << a << "," << b;
            }
        }
    }
    for (const correlation_kind kind : {correlation_kind::spearman, correlation_kind::kendall}) {
        DoubleMatrix one(n_vars, n_vars), two(n_vars, n_vars);
        estimate_association(data, kind, 1, one);
        estimate_association(data, kind, 2, two);
        EXPECT_EQ(std::memcmp(one.data(), two.data(), sizeof(double) * n_vars * n_vars), 0);
        EXPECT_EQ(one(0, 0), 1.0);
        EXPECT_EQ(one(3, 3), 0.0);
        const double expected =
            kind == correlation_kind::spearman ? gaussian_from_spearman(rho(0, 1)) : gaussian_from_kendall(tau(0, 1));
        EXPECT_EQ(one(0, 1), expected);
        EXPECT_EQ(one(1, 0), expected);
    }
}

// Average ranks (as floats) the plain way: a stable sort, runs of equal values.
FloatMatrix sorted_ranks(const FloatMatrix& data) {
    FloatMatrix ranks(data.rows(), data.cols());
    std::vector<int> order(static_cast<std::size_t>(data.rows()));
    for (int v = 0; v < data.cols(); ++v) {
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return data(a, v) < data(b, v); });
        for (std::size_t a = 0, b = 0; a < order.size(); a = b) {
            while (b < order.size() && data(order[b], v) == data(order[a], v)) ++b;
            for (std::size_t k = a; k < b; ++k) ranks(order[k], v) = static_cast<float>((a + 1 + b) / 2.0);
        }
    }
    return ranks;
}

// Spearman's rho is the correlation of the ranks' covariance, bit for bit,
// however the ranks' products are summed: with ties, -0 beside +0, a
// constant column, shapes that fill no whole tile, and case counts at which
// the whole-number sums must be flushed early or cannot be used.
TEST(RankCorrelation, SpearmanHasTheBitsOfTheRanksCovariance) {
    struct shape {
        int n_cases, n_vars;
    };
    for (const shape s : {shape{67, 13}, shape{1001, 37}, shape{int{MAX_WHOLE_RANK_CASES}, 3},
                          shape{int{MAX_WHOLE_RANK_CASES} + 1, 3}}) {
        FloatMatrix data = tied_data(s.n_cases, s.n_vars, static_cast<unsigned>(s.n_cases));
        std::mt19937 random(3);
        std::normal_distribution<float> normal;
        for (int k = 0; k < s.n_cases; ++k) {
            data(k, 0) = k % 5 == 0 ? (k % 2 ? -0.0f : 0.0f) : normal(random);
            data(k, 2) = normal(random) + data(k, 0);
        }
        DoubleMatrix cov(s.n_vars, s.n_vars), expected(s.n_vars, s.n_vars);
        estimate_covariance(sorted_ranks(data), 1, cov);
        for (int i = 0; i < s.n_vars; ++i)
            for (int j = 0; j < s.n_vars; ++j)
                if (cov(i, i) > 0 && cov(j, j) > 0)
                    expected(i, j) = i == j ? 1.0 : cov(i, j) / std::sqrt(cov(i, i) * cov(j, j));
        for (const int n_threads : {1, 3}) {
            DoubleMatrix rho(s.n_vars, s.n_vars);
            spearman_matrix(data, n_threads, rho);
            EXPECT_EQ(std::memcmp(rho.data(), expected.data(), sizeof(double) * s.n_vars * s.n_vars), 0)
                << s.n_cases << " cases, " << n_threads << " threads";
        }
    }
}

TEST(RankCorrelation, GaussianMapsAndAnIncreasingTransformation) {
    // rho = 1 and tau = 1 map to 1, never beyond; 0 to 0; tau 1/3 to sin(pi/6) = 1/2.
    for (double r : {-1.0, 1.0}) {
        EXPECT_EQ(gaussian_from_spearman(r), r);
        EXPECT_EQ(gaussian_from_kendall(r), r);
    }
    EXPECT_EQ(gaussian_from_kendall(0.0), 0.0);
    EXPECT_NEAR(gaussian_from_kendall(1.0 / 3), 0.5, 1e-15);
    EXPECT_NEAR(gaussian_from_spearman(0.5), 2 * std::sin(std::numbers::pi / 12), 1e-15);

    // The ranks, and so both matrices, are those of exp(x) and x^3.
    std::mt19937 random(9);
    std::normal_distribution<float> normal;
    FloatMatrix data(200, 4), transformed(200, 4);
    for (int k = 0; k < 200; ++k) {
        for (int v = 0; v < 4; ++v) {
            data(k, v) = normal(random) + (v > 0 ? data(k, v - 1) : 0.0f);
            transformed(k, v) = v % 2 ? std::exp(data(k, v)) : data(k, v) * data(k, v) * data(k, v);
        }
    }
    for (const correlation_kind kind :
         {correlation_kind::spearman, correlation_kind::kendall, correlation_kind::normal}) {
        DoubleMatrix a(4, 4), b(4, 4);
        estimate_association(data, kind, 2, a);
        estimate_association(transformed, kind, 2, b);
        EXPECT_EQ(a, b);
    }
}

// A correlation matrix that is not positive definite is shrunk just enough;
// one that is, or one with a constant variable, is left as it is.
TEST(RankCorrelation, ShrinkageMakesAnIndefiniteMatrixPositiveDefinite) {
    auto matrix = [](std::vector<double> cells) { return DoubleMatrix(3, 3, std::move(cells)); };
    const DoubleMatrix indefinite = matrix({1, 0.9, 0.9, 0.9, 1, -0.9, 0.9, -0.9, 1});
    const DoubleMatrix definite = matrix({1, 0.5, 0.2, 0.5, 1, 0.3, 0.2, 0.3, 1});
    const DoubleMatrix constant = matrix({1, 0.9, 0, 0.9, 1, 0, 0, 0, 0});
    for (const DoubleMatrix& unchanged : {definite, constant}) {
        DoubleMatrix m = unchanged;
        EXPECT_EQ(shrink_to_positive_definite(m), 0.0);
        EXPECT_EQ(m, unchanged);
    }
    DoubleMatrix m = indefinite;
    const double shrink = shrink_to_positive_definite(m);
    // The smallest eigenvalue, 1 - 1.8 = -0.8, becomes the margin 0.01: s = 0.81 / 1.8 nearly.
    EXPECT_NEAR(shrink, (0.8 + 0.01) / 1.8, 1e-5);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(m(i, j), i == j ? 1.0 : (1.0 - shrink) * indefinite(i, j));
    std::vector<double> diag(3);
    DoubleMatrix factor = m;
    EXPECT_TRUE(cholesky_decompose(factor.data(), 3, diag.data()));
}

// Normal scores are the quantiles of rank / (n + 1), ties sharing their
// average rank's, a constant variable all 0; the matrix is their covariance.
TEST(RankCorrelation, NormalScoresAndTheirCovariance) {
    const FloatMatrix data(4, 3, std::vector<float>{3, 7, 1, 1, 7, 2, 2, 7, 3, 2, 7, 4});
    const FloatMatrix scores = normal_scores(data, 2);
    const std::vector<double> first = {normal_quantile(0.8), normal_quantile(0.2), 0.0, 0.0};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(scores(k, 0), static_cast<float>(first[k])) << k;
        EXPECT_EQ(scores(k, 1), 0.0f) << k;
        EXPECT_EQ(scores(k, 2), static_cast<float>(normal_quantile((k + 1) / 5.0))) << k;
    }
    DoubleMatrix expected(3, 3), matrix(3, 3);
    estimate_covariance(scores, 1, expected);
    EXPECT_EQ(estimate_association(data, correlation_kind::normal, 2, matrix), 0.0);
    EXPECT_EQ(matrix, expected);
}

}  // namespace
}  // namespace gaussnet
