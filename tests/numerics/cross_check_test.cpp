// Independent checks of the special functions against closed forms and the
// standard library, at a spread of points.

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "numerics/numerics.h"

namespace gaussnet {
namespace {

TEST(CrossCheck, ErrorFunctionAgreesWithStdErf) {
    for (double x = -6; x <= 6; x += 0.0137) {
        const double e = std::erf(x);
        if (e != 0) {
            EXPECT_NEAR(error_function(x), e, 1e-9 * std::fabs(e)) << x;
        }
    }
    // Tiny arguments: the series must keep its relative accuracy.
    for (double x = 1e-12; x < 1; x *= 1.7) {
        EXPECT_NEAR(error_function(x), std::erf(x), 1e-9 * std::erf(x)) << x;
        EXPECT_EQ(error_function(-x), -error_function(x)) << x;
    }
}

TEST(CrossCheck, LogGammaAgreesWithStdLgamma) {
    for (double x = 0.01; x <= 200; x *= 1.13) {
        const double ref = std::lgamma(x);
        EXPECT_NEAR(log_gamma(x), ref, 1e-10 * std::fmax(1.0, std::fabs(ref))) << x;
    }
}

TEST(CrossCheck, GammpWithShapeOneIsTheExponentialDistribution) {
    // x = 2 is where the series hands over to the continued fraction.
    for (double x = 0; x <= 40; x += 0.091) EXPECT_NEAR(gammp(1, x), 1 - std::exp(-x), 1e-9) << x;
    EXPECT_NEAR(gammp(1, 2), 1 - std::exp(-2.0), 1e-9);
}

TEST(CrossCheck, BetaiWithSecondShapeOneIsAPower) {
    for (double a : {0.3, 0.5, 1.0, 2.5, 7.0, 30.0}) {
        for (double x = 0.01; x < 1; x += 0.0311) {
            EXPECT_NEAR(betai(a, 1, x), std::pow(x, a), 1e-9) << a << " " << x;
        }
    }
}

TEST(CrossCheck, BetaiReflectionSymmetry) {
    for (double a : {0.3, 0.5, 2.5, 7.0, 30.0}) {
        for (double b : {0.5, 1.5, 4.0, 20.0}) {
            for (double x = 0.01; x < 1; x += 0.0311) {
                EXPECT_NEAR(betai(a, b, x), 1 - betai(b, a, 1 - x), 1e-12) << a << " " << b << " " << x;
            }
        }
    }
}

TEST(CrossCheck, StudentTWithOneAndTwoDegreesOfFreedom) {
    for (double t = -50; t <= 50; t += 0.173) {
        EXPECT_NEAR(studtp(t, 1), 0.5 + std::atan(t) / std::numbers::pi, 1e-9) << t;
        EXPECT_NEAR(studtp(t, 2), 0.5 + t / (2 * std::sqrt(2 + t * t)), 1e-9) << t;
    }
}

TEST(CrossCheck, NormalpAgreesWithStdErfc) {
    for (double mean : {-1.0, 0.0, 2.5}) {
        for (double var : {0.01, 1.0, 9.0}) {
            for (double x = -8; x <= 8; x += 0.37) {
                const double ref = 0.5 * std::erfc(-(x - mean) / std::sqrt(2 * var));
                EXPECT_NEAR(normalp(x, mean, var), ref, 1e-9) << x << " " << mean << " " << var;
            }
        }
    }
}

// The quantile inverts the distribution function: through normalp in the
// body, through the standard library's erfc far into both tails (where a
// probability is small its relative error is what counts).
TEST(CrossCheck, NormalQuantileInvertsTheDistributionFunction) {
    for (double p = 0.001; p < 1; p += 0.00737) {
        const double x = normal_quantile(p);
        EXPECT_NEAR(normalp(x, 0, 1), p, 2e-9) << p;
        EXPECT_NEAR(normal_quantile(1 - p), -x, 1e-13) << p;
    }
    for (double p = 1e-300; p < 0.5; p *= 3.7) {
        const double x = normal_quantile(p);
        EXPECT_NEAR(0.5 * std::erfc(-x / std::numbers::sqrt2), p, 1e-14 * (1 + x * x) * p) << p;
    }
    EXPECT_EQ(normal_quantile(0.5), 0.0);
    EXPECT_NEAR(normal_quantile(0.975), 1.959963984540054, 1e-15);
    EXPECT_NEAR(normal_quantile(1e-10), -6.361340902404056, 1e-14);
    EXPECT_EQ(normal_quantile(0.0), -HUGE_VAL);
    EXPECT_EQ(normal_quantile(1.0), HUGE_VAL);
}

}  // namespace
}  // namespace gaussnet
