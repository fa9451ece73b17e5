// The error function and normal tails evaluated side by side must give the
// bits, and the reports, of one call at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "numerics/numerics.h"

namespace gaussnet {
namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

std::vector<double> arguments() {
    const double inf = std::numeric_limits<double>::infinity();
    // Around the switch from series to continued fraction (z * z = 1.5), zero,
    // the tie bounds, huge values, negatives, infinities and NaN.
    std::vector<double> z = {0.0,
                             -0.0,
                             5e-9,
                             -5e-9,
                             6e-9,
                             1e-300,
                             1.2247448713915889,
                             1.224744871391589,
                             1.2247448713915892,
                             0.3,
                             2.0,
                             6.0,
                             30.0,
                             1e154,
                             1e200,
                             -1.0,
                             -3.0,
                             inf,
                             -inf,
                             std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 rng(4);
    std::uniform_real_distribution<double> uniform(0.0, 4.0);
    for (int i = 0; i < 5000; ++i) z.push_back(uniform(rng) * uniform(rng));
    return z;
}

TEST(Lanes, ErrorFunctionManyMatchesOneAtATime) {
    const std::vector<double> z = arguments();
    testing::internal::CaptureStderr();
    std::vector<double> one(z.size());
    for (std::size_t i = 0; i < z.size(); ++i) one[i] = error_function(z[i]);
    const std::string one_reports = testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
    std::vector<double> many(z.size());
    error_function_scratch scratch;
    error_function_many(z.data(), static_cast<int>(z.size()), many.data(), scratch);
    const std::string many_reports = testing::internal::GetCapturedStderr();
    for (std::size_t i = 0; i < z.size(); ++i) EXPECT_TRUE(same_bits(one[i], many[i])) << "z = " << z[i];
    // The same reports (the continued fraction's, for the infinite and NaN arguments), perhaps in another order.
    EXPECT_EQ(one_reports.size(), many_reports.size());
    EXPECT_GT(one_reports.size(), 0u);
}

TEST(Lanes, NormalUpperTailsMatchOneAtATime) {
    std::vector<double> x = arguments();
    for (double& v : x) v = std::fabs(v);
    error_function_scratch scratch;
    std::vector<double> z;
    std::vector<int> at;
    for (const double variance : {1.0 / 997, 0.25, 1.0, 0.0, -1.0}) {
        const double scale = std::sqrt(variance + variance);
        testing::internal::CaptureStderr();
        std::vector<double> one(x.size());
        for (std::size_t i = 0; i < x.size(); ++i) one[i] = 1 - normalp_with_scale(x[i], 0.0, variance, scale);
        const std::string one_reports = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        std::vector<double> many(x.size());
        normal_upper_tails(x.data(), static_cast<int>(x.size()), variance, scale, many.data(), scratch, z, at);
        const std::string many_reports = testing::internal::GetCapturedStderr();
        for (std::size_t i = 0; i < x.size(); ++i)
            EXPECT_TRUE(same_bits(one[i], many[i])) << "x = " << x[i] << ", variance " << variance;
        EXPECT_EQ(one_reports.size(), many_reports.size()) << "variance " << variance;
    }
}

TEST(Lanes, StudentUpperTailsMatchOneAtATime) {
    std::vector<double> t = arguments();
    for (double& v : t) v = std::fabs(v) * 3;
    t.push_back(1e160);  // t * t is infinite: u = 0
    student_scratch scratch;
    // Degrees of freedom of real tests, one that is not an integer, and invalid ones.
    for (const double df : {1.0, 2.0, 7.0, 38.0, 997.0, 1e6, 2.5, 0.0, -1.0}) {
        const double part = log_beta_part(df * 0.5, 0.5);
        testing::internal::CaptureStderr();
        std::vector<double> one(t.size());
        for (std::size_t i = 0; i < t.size(); ++i) one[i] = 1 - studtp_with_log_beta(t[i], df, part);
        const std::string one_reports = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        std::vector<double> many(t.size());
        student_upper_tails(t.data(), static_cast<int>(t.size()), df, part, many.data(), scratch);
        const std::string many_reports = testing::internal::GetCapturedStderr();
        for (std::size_t i = 0; i < t.size(); ++i)
            EXPECT_TRUE(same_bits(one[i], many[i])) << "t = " << t[i] << ", df " << df;
        EXPECT_EQ(one_reports.size(), many_reports.size()) << "df " << df;
    }
}

TEST(Lanes, ContinuedFractionsOfTheIncompleteBetaMatchOneAtATime) {
    std::mt19937_64 rng(8);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> x = {0.0, 1e-300, 0.5, 0.999999, 1.0};
    for (int i = 0; i < 2000; ++i) x.push_back(unit(rng));
    for (const auto& [a, b] : std::vector<std::pair<double, double>>{{0.5, 0.5}, {3.5, 0.5}, {0.5, 498.5}, {2, 3}}) {
        std::vector<double> many(x.size());
        testing::internal::CaptureStderr();
        betacf_many(a, b, x.data(), static_cast<int>(x.size()), many.data());
        const std::string many_reports = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        for (std::size_t i = 0; i < x.size(); ++i)
            EXPECT_TRUE(same_bits(betacf(a, b, x[i]), many[i])) << "a " << a << " b " << b << " x " << x[i];
        EXPECT_EQ(testing::internal::GetCapturedStderr().size(), many_reports.size());
    }
}

}  // namespace
}  // namespace gaussnet
