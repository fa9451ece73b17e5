// The generator and normal sampler of the simulator and the bootstrap.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "common/random.h"

namespace gaussnet {
namespace {

TEST(Splitmix64, MatchesPublishedOutputForSeedZero) {
    splitmix64 g(0);
    EXPECT_EQ(g.next(), 0xe220a8397b1dcdafULL);
    EXPECT_EQ(g.next(), 0x6e789e6aa1b965f4ULL);
    EXPECT_EQ(g.next(), 0x06c45d188009454fULL);
}

TEST(Xoshiro256ss, MatchesPublishedOutputForStateOneToFour) {
    xoshiro256ss g(1, 2, 3, 4);
    const std::array<std::uint64_t, 6> expected = {
        11520ULL, 0ULL, 1509978240ULL, 1215971899390074240ULL, 1216172134540287360ULL, 607988272756665600ULL};
    for (const auto e : expected) EXPECT_EQ(g.next(), e);
}

TEST(Xoshiro256ss, BelowIsUniformOverSixFaces) {
    xoshiro256ss g(7, 8, 9, 10);
    constexpr int n = 600000;
    std::array<int, 6> counts{};
    for (int i = 0; i < n; ++i) ++counts[g.below(6)];
    double chi2 = 0;
    for (const int c : counts) chi2 += (c - n / 6.0) * (c - n / 6.0) / (n / 6.0);
    EXPECT_LT(chi2, 20.5);  // upper 0.1 % point of chi-square with 5 d.f.
    EXPECT_EQ(g.below(1), 0U);
}

TEST(PortableLog, AgreesWithLibraryLogToAFewUlps) {
    const double values[] = {1.0,
                             0.5,
                             2.0,
                             0.70710678118654746,
                             0.70710678118654757,
                             1.0 + 1e-12,
                             1 - 1e-12,
                             1e-300,
                             1e300,
                             4.9406564584124654e-324,
                             0.1,
                             0.999999,
                             3.0,
                             1e-5,
                             123456.789};
    for (const double x : values) {
        const double expected = std::log(x);
        EXPECT_NEAR(portable_log(x), expected, 4 * std::numeric_limits<double>::epsilon() * std::fabs(expected)) << x;
    }
    xoshiro256ss g(5, 6, 7, 8);
    for (int i = 0; i < 100000; ++i) {
        const double x = 1.0 - g.uniform01();  // (0, 1]: the sampler's range
        const double expected = std::log(x);
        ASSERT_NEAR(portable_log(x), expected, 4 * std::numeric_limits<double>::epsilon() * std::fabs(expected)) << x;
    }
}

// Sample moments and tail shares of a million deviates; each tolerance is five
// standard errors of the statistic under the normal law.
TEST(NormalSampler, MomentsAndTailsMatchTheStandardNormal) {
    constexpr int n = 1000000;
    xoshiro256ss g(11, 12, 13, 14);
    normal_sampler normals;
    double sum = 0, sum2 = 0, sum4 = 0;
    int positive = 0, beyond1 = 0, beyond2 = 0, beyond3 = 0;
    for (int i = 0; i < n; ++i) {
        const double z = normals.next(g);
        sum += z;
        sum2 += z * z;
        sum4 += z * z * z * z;
        positive += z > 0;
        beyond1 += std::fabs(z) > 1;
        beyond2 += std::fabs(z) > 2;
        beyond3 += std::fabs(z) > 3;
    }
    const auto share_tolerance = [](double p) { return 5 * std::sqrt(p * (1 - p) / n); };
    EXPECT_NEAR(sum / n, 0.0, 5 * std::sqrt(1.0 / n));
    EXPECT_NEAR(sum2 / n, 1.0, 5 * std::sqrt(2.0 / n));
    EXPECT_NEAR(sum4 / n, 3.0, 5 * std::sqrt(96.0 / n));  // Var(z^4) = 105 - 9
    EXPECT_NEAR(static_cast<double>(positive) / n, 0.5, share_tolerance(0.5));
    EXPECT_NEAR(static_cast<double>(beyond1) / n, 0.317311, share_tolerance(0.317311));
    EXPECT_NEAR(static_cast<double>(beyond2) / n, 0.045500, share_tolerance(0.0455));
    EXPECT_NEAR(static_cast<double>(beyond3) / n, 0.002700, share_tolerance(0.0027));
}

}  // namespace
}  // namespace gaussnet
