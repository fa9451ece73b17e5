// Figures and error reports of the special functions at their boundary cases.

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "numerics/numerics.h"
#include "numerics/numerics_test_support.h"

namespace gaussnet {
namespace {

using test::with_stderr;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double EXACT = 0;    // tolerance meaning "these very bits"
constexpr double D7 = 5e-8;    // to seven decimal places
constexpr double D10 = 5e-11;  // to ten decimal places

struct Case {
    const char* label;
    std::function<double()> call;
    double expected;  // NaN: the result must be NaN
    double tol;
    std::string reports;  // everything expected on standard error
};

void check(const Case& c) {
    SCOPED_TRACE(c.label);
    const auto [v, err] = with_stderr(c.call);
    if (std::isnan(c.expected)) {
        EXPECT_TRUE(std::isnan(v)) << v;
    } else if (c.tol == EXACT) {
        EXPECT_EQ(v, c.expected);
        EXPECT_EQ(std::signbit(v), std::signbit(c.expected));
    } else {
        EXPECT_NEAR(v, c.expected, c.tol);
    }
    EXPECT_EQ(err, c.reports);
}

TEST(GammaEdgeCases, FiguresAndReports) {
    const std::vector<Case> cases = {
        {"log_gamma(0.5) = ln sqrt(pi)", [] { return log_gamma(0.5); }, 0.5723649429, D10, ""},
        {"log_gamma(10)", [] { return log_gamma(10); }, 12.80182748, 5e-9, ""},
        {"error_function(0)", [] { return error_function(0); }, 0.0, EXACT, ""},
        {"error_function(1)", [] { return error_function(1); }, 0.8427008, D7, ""},
        {"error_function(-1)", [] { return error_function(-1); }, -0.8427008, D7, ""},
        {"error_function(6) saturates", [] { return error_function(6); }, 1.0, EXACT, ""},
        {"error_function(1e200): square overflows", [] { return error_function(1e200); }, NaN, 0, test::GCF_ITMAX},
        {"error_function(NaN)", [] { return error_function(NaN); }, NaN, 0, test::GCF_ITMAX},
        {"gammp(0.5, 0) via series", [] { return gammp(0.5, 0); }, 0.0, EXACT, ""},
        {"gammp(1, 1)", [] { return gammp(1, 1); }, 0.6321206, D7, ""},
        {"gammp(0.5, 1.5)", [] { return gammp(0.5, 1.5); }, 0.9167, 5e-5, ""},
        {"gammp(0.5, 1.4999)", [] { return gammp(0.5, 1.4999); }, 0.9167, 5e-5, ""},
        {"gammp(2, -1)", [] { return gammp(2, -1); }, 0.0, EXACT, test::GAMMP_INVALID},
        {"gammp(0, 1)", [] { return gammp(0, 1); }, 0.0, EXACT, test::GAMMP_INVALID},
        {"gammp(-1, 1)", [] { return gammp(-1, 1); }, 0.0, EXACT, test::GAMMP_INVALID},
        {"gammp(0.5, inf)", [] { return gammp(0.5, Inf); }, NaN, 0, test::GCF_ITMAX},
        {"gammp(0.5, NaN)", [] { return gammp(0.5, NaN); }, NaN, 0, test::GCF_ITMAX},
        // The 100th partial sum falls short of the true 0.5105.
        {"gammp(1000, 1000.5) exhausts the series", [] { return gammp(1000, 1000.5); }, 0.5096, 5e-5, test::GSER_ITMAX},
    };
    for (const Case& c : cases) check(c);
}

TEST(BetaEdgeCases, FiguresAndReports) {
    const std::vector<Case> cases = {
        {"betai(2, 3, 0)", [] { return betai(2, 3, 0); }, 0.0, EXACT, ""},
        {"betai(2, 3, 1) via swapped branch", [] { return betai(2, 3, 1); }, 1.0, EXACT, ""},
        {"betai(2, 3, 0.4)", [] { return betai(2, 3, 0.4); }, 0.5248, D10, ""},
        {"betai(0.5, 0.5, 0.5) at the threshold", [] { return betai(0.5, 0.5, 0.5); }, 0.5, D10, ""},
        {"betai(2, 3, -0.1)", [] { return betai(2, 3, -0.1); }, 0.0, EXACT, test::BETAI_BAD_X},
        {"betai(2, 3, 1.5)", [] { return betai(2, 3, 1.5); }, 0.0, EXACT, test::BETAI_BAD_X},
        {"betai(5, 0.5, 0.1)", [] { return betai(5, 0.5, 0.1); }, 2.5706e-06, 5e-11, ""},
        {"betai(5, 0.5, 0.9)", [] { return betai(5, 0.5, 0.9); }, 0.31664, 5e-6, ""},
        {"betacf(2, 3, 0)", [] { return betacf(2, 3, 0); }, 1.0, EXACT, ""},
        {"betacf(0.5, 7, 0)", [] { return betacf(0.5, 7, 0); }, 1.0, EXACT, ""},
        {"betai_with_log_beta(2, 3, -0.1)", [] { return betai_with_log_beta(2, 3, -0.1, 0); }, 0.0, EXACT,
         test::BETAI_BAD_X},
    };
    for (const Case& c : cases) check(c);
}

TEST(DistributionEdgeCases, FiguresAndReports) {
    const std::vector<Case> cases = {
        {"normalp tie at the mean", [] { return normalp(0, 0, 1); }, 0.5, EXACT, ""},
        {"normalp tie upper bound", [] { return normalp(5e-9, 0, 1); }, 0.5, EXACT, ""},
        {"normalp tie lower bound", [] { return normalp(-5e-9, 0, 1); }, 0.5, EXACT, ""},
        {"normalp just past the tie", [] { return normalp(6e-9, 0, 1); }, 0.5000000024, D10, ""},
        {"normalp(1.96, 0, 1)", [] { return normalp(1.96, 0, 1); }, 0.9750021, D7, ""},
        {"normalp(-1.96, 0, 1)", [] { return normalp(-1.96, 0, 1); }, 0.0249979, D7, ""},
        {"normalp(-1, 0, 0.25)", [] { return normalp(-1, 0, 0.25); }, 0.02275013, 5e-9, ""},
        {"normalp(2.5, 2, 0.25)", [] { return normalp(2.5, 2, 0.25); }, 0.8413447, D7, ""},
        {"normalp(3, 0, inf)", [] { return normalp(3, 0, Inf); }, 0.5, EXACT, ""},
        {"normalp(0, 0, -1) skips the tie", [] { return normalp(0, 0, -1); }, NaN, 0,
         test::NORMALP_INVALID + test::GCF_ITMAX},
        {"normalp(1, 0, 0)", [] { return normalp(1, 0, 0); }, NaN, 0, test::NORMALP_INVALID + test::GCF_ITMAX},
        {"normalp(1, 0, NaN)", [] { return normalp(1, 0, NaN); }, NaN, 0, test::NORMALP_INVALID + test::GCF_ITMAX},
        {"normalp(1e200, 0, 1)", [] { return normalp(1e200, 0, 1); }, NaN, 0, test::GCF_ITMAX},
        {"studtp tie at 0", [] { return studtp(0, 5); }, 0.5, EXACT, ""},
        {"studtp tie upper bound", [] { return studtp(5e-9, 5); }, 0.5, EXACT, ""},
        {"studtp tie lower bound", [] { return studtp(-5e-9, 5); }, 0.5, EXACT, ""},
        {"studtp(2, 10)", [] { return studtp(2, 10); }, 0.9633060, D7, ""},
        {"studtp(-2, 10)", [] { return studtp(-2, 10); }, 0.0366940, D7, ""},
        {"studtp(1, 1)", [] { return studtp(1, 1); }, 0.75, D10, ""},
        {"studtp(-1, 1)", [] { return studtp(-1, 1); }, 0.25, D10, ""},
        {"studtp(2, 1e6) near the normal", [] { return studtp(2, 1e6); }, 0.9772497, D7, ""},
        {"studtp(2, -1)", [] { return studtp(2, -1); }, 1.0, EXACT, test::STUDTP_INVALID + test::BETAI_BAD_X},
        {"studtp(-2, -1) upper form for either sign", [] { return studtp(-2, -1); }, 1.0, EXACT,
         test::STUDTP_INVALID + test::BETAI_BAD_X},
        {"studtp(1, 0)", [] { return studtp(1, 0); }, NaN, 0, test::STUDTP_INVALID},
        {"studtp(0, -1): only the report is fixed", [] { return studtp(0, -1); }, 0.5, EXACT, test::STUDTP_INVALID},
    };
    for (const Case& c : cases) check(c);
}

TEST(NumericsError, WritesTwoLinesToStandardErrorOnly) {
    testing::internal::CaptureStdout();
    const auto [v, err] = with_stderr([] {
        numerics_error("gcf", "a too large, NUMERICS_ITMAX too small");
        return 0.0;
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(err, "Numerics Error in routine gcf\n    a too large, NUMERICS_ITMAX too small\n");
}

TEST(GammaEvaluators, StoreLogGammaFirstAndAlways) {
    double p = -1, lg = 0;
    const auto [v, err] = with_stderr([&] {
        gser(&p, 2, -1, &lg);
        return p;
    });
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(lg, log_gamma(2));
    EXPECT_EQ(err, test::report("gser", "x less than 0"));

    double q = -1;
    lg = 0;
    const auto [w, err2] = with_stderr([&] {
        gcf(&q, 0.5, NaN, &lg);
        return q;
    });
    EXPECT_TRUE(std::isnan(w));
    EXPECT_EQ(lg, log_gamma(0.5));
    EXPECT_EQ(err2, test::GCF_ITMAX);
}

// x = a + 1 is not below a + 1: the continued fraction takes over exactly there.
TEST(GammaEvaluators, GammpChoosesTheEvaluatorAtAPlusOne) {
    double p = 0, q = 0, lg = 0;
    gser(&p, 0.5, 1.4999, &lg);
    EXPECT_EQ(gammp(0.5, 1.4999), p);
    gcf(&q, 0.5, 1.5, &lg);
    EXPECT_EQ(gammp(0.5, 1.5), 1 - q);
}

}  // namespace
}  // namespace gaussnet
