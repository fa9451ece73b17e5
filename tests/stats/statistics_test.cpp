// Covariance, Cholesky factorisation, partial correlation and the test
// statistic on cases whose answers follow from their definitions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "common/fatal_error.h"
#include "input/run_state.h"
#include "stats/cholesky.h"
#include "stats/ci_test.h"
#include "stats/covariance.h"

namespace gaussnet {
namespace {

run_state state_with_data(int n_cases, int n_vars, const std::vector<float>& values) {
    run_state state;
    state.n_cases = n_cases;
    state.n_vars = n_vars;
    state.data_matrix = FloatMatrix(n_cases, n_vars);
    for (int k = 0; k < n_cases; ++k)
        for (int v = 0; v < n_vars; ++v) state.data_matrix(k, v) = values[static_cast<std::size_t>(k) * n_vars + v];
    return state;
}

bool is_positive_zero(double x) { return x == 0 && !std::signbit(x); }

TEST(Covariance, MaximumLikelihoodDivisorAndExactSymmetry) {
    // Two cases 1 and 3: mean 2, variance 1 (divisor n, not n - 1).
    run_state one = state_with_data(2, 1, {1, 3});
    DoubleMatrix cov(1, 1);
    estimate_covariance(one.data_matrix, 1, cov);
    EXPECT_EQ(cov(0, 0), 1.0);

    // Identical columns give four equal entries; odd sizes cross the row blocks.
    std::vector<float> values;
    for (int k = 0; k < 7; ++k)
        for (int v = 0; v < 11; ++v) values.push_back(static_cast<float>((k * 7 + v * 3) % 5) - (v == 1 ? 0 : 0.5f));
    for (int k = 0; k < 7; ++k) values[static_cast<std::size_t>(k) * 11 + 1] = values[static_cast<std::size_t>(k) * 11];
    for (int threads : {1, 2}) {
        run_state state = state_with_data(7, 11, values);
        DoubleMatrix c(11, 11);
        estimate_covariance(state.data_matrix, threads, c);
        EXPECT_EQ(c(0, 0), c(1, 1));
        EXPECT_EQ(c(0, 1), c(0, 0));
        for (int i = 0; i < 11; ++i)
            for (int j = 0; j < 11; ++j) EXPECT_EQ(std::memcmp(&c(i, j), &c(j, i), sizeof(double)), 0);
        // Each pair is the centred products summed case by case, divided by n.
        double mean2 = 0, mean7 = 0;
        for (int k = 0; k < 7; ++k) mean2 = mean2 + static_cast<double>(state.data_matrix(k, 2));
        for (int k = 0; k < 7; ++k) mean7 = mean7 + static_cast<double>(state.data_matrix(k, 7));
        mean2 = mean2 / 7;
        mean7 = mean7 / 7;
        double s = 0;
        for (int k = 0; k < 7; ++k)
            s = s + (static_cast<double>(state.data_matrix(k, 2)) - mean2) *
                        (static_cast<double>(state.data_matrix(k, 7)) - mean7);
        EXPECT_EQ(c(2, 7), s / 7);
    }
}

// Every entry against the definition, one pair at a time: sizes that cross the
// blocks of rows, columns and cases the estimate works in, and 1 to 3 threads.
TEST(Covariance, EveryEntryIsItsPairSummedCaseByCase) {
    std::mt19937 rng(21);
    std::normal_distribution<float> normal;
    for (const auto& [n_cases, n_vars] : std::vector<std::pair<int, int>>{{1, 1}, {33, 17}, {70, 37}, {65, 8}}) {
        std::vector<float> values(static_cast<std::size_t>(n_cases) * n_vars);
        for (float& v : values) v = normal(rng);
        std::vector<double> means(n_vars, 0.0);
        for (int v = 0; v < n_vars; ++v) {
            for (int k = 0; k < n_cases; ++k) means[v] = means[v] + static_cast<double>(values[k * n_vars + v]);
            means[v] = means[v] / n_cases;
        }
        for (int threads : {1, 2, 3}) {
            run_state state = state_with_data(n_cases, n_vars, values);
            DoubleMatrix c(n_vars, n_vars);
            estimate_covariance(state.data_matrix, threads, c);
            for (int i = 0; i < n_vars; ++i)
                for (int j = i; j < n_vars; ++j) {
                    double s = 0;
                    for (int k = 0; k < n_cases; ++k)
                        s = s + (static_cast<double>(values[k * n_vars + i]) - means[i]) *
                                    (static_cast<double>(values[k * n_vars + j]) - means[j]);
                    ASSERT_EQ(std::memcmp(&c(i, j), &c(j, i), sizeof(double)), 0);
                    ASSERT_EQ(c(i, j), s / n_cases) << n_cases << " x " << n_vars << ", pair " << i << ", " << j;
                }
        }
    }
}

TEST(Covariance, NoCasesGivesNaN) {
    run_state state = state_with_data(0, 2, {});
    DoubleMatrix cov(2, 2);
    estimate_covariance(state.data_matrix, 1, cov);
    EXPECT_TRUE(std::isnan(cov(0, 1)));
}

TEST(PartialCorrelation, PairModeExamples) {
    std::vector<double> a = {4, 2, 2, 9};
    EXPECT_DOUBLE_EQ(partial_correlation(a.data(), 2, 0, 1), 1.0 / 3);
    EXPECT_EQ(a[1], 2.0);  // the upper triangle is left as it was

    std::vector<double> diagonal = {2, 0, 0, 0, 3, 0, 0, 0, 5};
    EXPECT_TRUE(is_positive_zero(partial_correlation(diagonal.data(), 3, 0, 2)));

    std::vector<double> same = {4, 2, 2, 9};
    EXPECT_DOUBLE_EQ(partial_correlation(same.data(), 2, 1, 1), -1.0);
}

TEST(PartialCorrelation, InversionReplacesTheMatrixAndIgnoresTheLowerTriangle) {
    std::vector<double> a = {4, 2, 123.0, 9};  // the lower entry must not matter
    invert_positive_definite(a.data(), 2);
    EXPECT_DOUBLE_EQ(a[0], 9.0 / 32);
    EXPECT_DOUBLE_EQ(a[1], -1.0 / 16);
    EXPECT_DOUBLE_EQ(a[2], -1.0 / 16);
    EXPECT_DOUBLE_EQ(a[3], 1.0 / 8);
    EXPECT_EQ(a[1], a[2]);
}

TEST(PartialCorrelation, NotPositiveDefiniteNamesTheMatrixOrder) {
    for (double first : {0.0, -1.0}) {
        std::vector<double> a = {first, 0, 0, 0, 1, 0, 0, 0, 1};
        try {
            partial_correlation(a.data(), 3, 0, 1);
            FAIL();
        } catch (const fatal_error& e) {
            EXPECT_STREQ(e.what(), "No Cholesky decomposition (3).");
            EXPECT_EQ(e.status(), 1);
        }
    }
}

TEST(Cholesky, NaNPivotGoesOnAndEmptyMatrixSucceeds) {
    std::vector<double> a = {std::numeric_limits<double>::quiet_NaN(), 0, 0, 1};
    std::vector<double> diag(2);
    EXPECT_TRUE(cholesky_decompose(a.data(), 2, diag.data()));
    EXPECT_TRUE(cholesky_decompose(nullptr, 0, nullptr));
}

TEST(MatrixRoutines, TransposeAndMultiply) {
    const std::vector<double> left = {1, 2, 3, 4, 5, 6};  // 2 x 3
    std::vector<double> t(6);
    matrix_transpose(left.data(), 2, 3, t.data());
    EXPECT_EQ(t, (std::vector<double>{1, 4, 2, 5, 3, 6}));
    std::vector<double> product(4);
    matrix_multiply(left.data(), 2, 3, t.data(), 2, product.data());
    EXPECT_EQ(product, (std::vector<double>{14, 32, 32, 77}));
}

struct statistic_case {
    int exact;
    int n_cases;
    double r;
    int cond_size;
    double expected;  // NaN means NaN expected
};

class Statistic : public ::testing::TestWithParam<statistic_case> {};

TEST_P(Statistic, FromCorrelation) {
    const statistic_case c = GetParam();
    const test_setting test{c.exact != 0 ? test_kind::student_t : test_kind::fisher_z, c.n_cases};
    const double s = statistic_from_correlation(test, c.r, c.cond_size);
    if (std::isnan(c.expected)) {
        EXPECT_TRUE(std::isnan(s));
    } else {
        EXPECT_DOUBLE_EQ(s, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Statistic,
                         ::testing::Values(statistic_case{0, 100, 1.0, 0, 2147483647.0},
                                           statistic_case{1, 100, 1.0, 0, 2147483647.0},
                                           statistic_case{0, 100, -1.0, 0, -std::numeric_limits<double>::infinity()},
                                           statistic_case{1, 100, -1.0, 0, -std::numeric_limits<double>::infinity()},
                                           statistic_case{0, 100, 0.5, 3, 0.5 * std::log(3.0)},
                                           statistic_case{0, 100, -0.5, 3, -0.5 * std::log(3.0)},
                                           statistic_case{1, 12, 0.6, 0, 0.6 * std::sqrt(10 / 0.64)},
                                           statistic_case{1, 12, 0.6, 10, 0.0},  // no degrees of freedom left
                                           statistic_case{1, 12, 0.6, 11, std::numeric_limits<double>::quiet_NaN()}));

TEST(StatisticPvalue, ZeroStatisticIsOneHalfInBothModes) {
    for (const test_kind kind : {test_kind::fisher_z, test_kind::student_t})
        EXPECT_EQ(statistic_pvalue({kind, 50}, 0.0, 3), 0.5);
    // Fisher with n - cond - 3 = 0: infinite variance, 0.5 for any finite statistic, no report.
    testing::internal::CaptureStderr();
    EXPECT_EQ(statistic_pvalue({test_kind::fisher_z, 50}, 2.5, 47), 0.5);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(CiStatistic, SubMatrixInVariableOrderWhicheverIsTheCandidate) {
    // Three variables; the partial correlation of 0 and 2 given 1 must not
    // depend on which of them is the candidate.
    std::vector<float> values;
    for (int k = 0; k < 40; ++k) {
        const float x = static_cast<float>((k * 37) % 11) - 5;
        const float y = x + static_cast<float>((k * 13) % 7) - 3;
        const float z = y - static_cast<float>((k * 5) % 3);
        values.insert(values.end(), {x, y, z});
    }
    run_state state = state_with_data(40, 3, values);
    const test_setting test{test_kind::student_t, 40};
    DoubleMatrix cov(3, 3);
    estimate_covariance(state.data_matrix, 1, cov);
    const std::uint8_t flags[3] = {0, 1, 0};
    EXPECT_EQ(ci_statistic(test, 0, 2, flags, cov), ci_statistic(test, 2, 0, flags, cov));
    const std::uint8_t none[3] = {0, 0, 0};
    // With no members the statistic is that of the plain correlation.
    const double r = cov(0, 1) / std::sqrt(cov(0, 0) * cov(1, 1));
    EXPECT_NEAR(ci_statistic(test, 0, 1, none, cov), r * std::sqrt(38 / (1 - r * r)), 1e-9);
}

}  // namespace
}  // namespace gaussnet
