// The precision matrix of the edge exclusion test: the shortcut inversion must
// give the bits of the plain in-place inversion, on any thread count.
#include "stats/precision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "common/fatal_error.h"
#include "stats/cholesky.h"

namespace gaussnet {
namespace {

DoubleMatrix random_covariance(int n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal;
    DoubleMatrix factor(n, n);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c <= r; ++c) factor(r, c) = normal(rng) + (r == c ? 3.0 : 0.0);
    DoubleMatrix cov(n, n);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c <= r; ++c) {
            double s = 0;
            for (int k = 0; k <= c; ++k) s += factor(r, k) * factor(c, k);
            cov(r, c) = s;
            cov(c, r) = s;
        }
    return cov;
}

bool same_bits(const DoubleMatrix& a, const DoubleMatrix& b) {
    return a.rows() == b.rows() &&
           std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.rows() * a.cols()) * sizeof(double)) == 0;
}

TEST(InvertCovariance, MatchesPlainInversionBitForBit) {
    for (int n : {1, 2, 3, 7, 33, 90}) {
        for (int threads : {1, 2, 3}) {
            const DoubleMatrix cov = random_covariance(n, 17u + n);
            DoubleMatrix plain = cov;
            invert_positive_definite(plain.data(), n);
            DoubleMatrix fast = cov;
            invert_covariance(threads, fast);
            EXPECT_TRUE(same_bits(plain, fast)) << "order " << n << ", threads " << threads;
        }
    }
}

TEST(InvertCovariance, InfiniteEntriesTakeThePlainPath) {
    DoubleMatrix cov = random_covariance(4, 3);
    cov(3, 3) = std::numeric_limits<double>::infinity();
    DoubleMatrix plain = cov;
    invert_positive_definite(plain.data(), 4);
    DoubleMatrix fast = cov;
    invert_covariance(1, fast);
    for (int cell = 0; cell < 16; ++cell) {
        const double a = plain.data()[cell], b = fast.data()[cell];
        EXPECT_TRUE((std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0) << cell;
    }
}

TEST(InvertCovariance, NotPositiveDefiniteNamesTheOrder) {
    DoubleMatrix cov(3, 3, 1.0);  // rank one
    try {
        invert_covariance(1, cov);
        FAIL() << "no error";
    } catch (const fatal_error& e) {
        EXPECT_STREQ(e.what(), "No Cholesky decomposition (3).");
    }
}

}  // namespace
}  // namespace gaussnet
