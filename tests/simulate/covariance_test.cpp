// Data drawn from small networks with fixed weights have the covariance that
// the linear model implies.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "simulate/network.h"

namespace gaussnet::simulate {
namespace {

using cov3 = std::array<std::array<double, 3>, 3>;

cov3 sample_covariance(const linear_model& model, int n_cases) {
    xoshiro256ss rng(2024, 1, 2, 3);
    normal_sampler normals;
    double values[3];
    std::array<double, 3> sum{};
    cov3 cross{};
    for (int c = 0; c < n_cases; ++c) {
        sample_case(model, rng, normals, values);
        for (int i = 0; i < 3; ++i) {
            sum[i] += values[i];
            for (int j = 0; j < 3; ++j) cross[i][j] += values[i] * values[j];
        }
    }
    cov3 cov{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) cov[i][j] = (cross[i][j] - sum[i] * sum[j] / n_cases) / (n_cases - 1);
    return cov;
}

// The sample covariance s_ij of Gaussian data has variance about
// (s_ii s_jj + s_ij^2) / n; allow five standard errors.
void expect_covariance(const linear_model& model, const cov3& implied) {
    constexpr int n = 200000;
    const cov3 cov = sample_covariance(model, n);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double se = std::sqrt((implied[i][i] * implied[j][j] + implied[i][j] * implied[i][j]) / n);
            EXPECT_NEAR(cov[i][j], implied[i][j], 5 * se) << i << "," << j;
        }
    }
}

linear_model model_of(const std::vector<std::array<double, 3>>& arcs, double noise_sd) {
    network net{ByteMatrix(3, 3), {}};
    DoubleMatrix weights(3, 3);
    for (const auto& a : arcs) {
        const auto p = static_cast<int>(a[0]), c = static_cast<int>(a[1]);
        net.arcs(p, c) = 1;
        weights(p, c) = a[2];
    }
    std::vector<int> cycle;
    topological_order(net.arcs, net.order, cycle);
    return make_model(net, weights, noise_sd);
}

TEST(ImpliedCovariance, Chain) {
    // X1 -> X2 -> X3 with weights 0.8 and -0.6, unit noise.
    const double b = 0.8, c = -0.6;
    const double v2 = b * b + 1;
    expect_covariance(model_of({{0, 1, b}, {1, 2, c}}, 1.0),
                      {{{1, b, b * c}, {b, v2, c * v2}, {b * c, c * v2, c * c * v2 + 1}}});
}

TEST(ImpliedCovariance, ChainAgainstTheIndexOrder) {
    // X3 -> X2 -> X1: the sampler must follow the arcs, not the columns.
    const double b = 0.9, c = 0.7;
    const double v2 = b * b + 1;
    expect_covariance(model_of({{2, 1, b}, {1, 0, c}}, 1.0),
                      {{{c * c * v2 + 1, c * v2, b * c}, {c * v2, v2, b}, {b * c, b, 1}}});
}

TEST(ImpliedCovariance, ColliderWithWiderNoise) {
    // X1 -> X3 <- X2, weights 0.7 and -0.5, noise SD 2: parents independent.
    const double a = 0.7, b = -0.5, s2 = 4.0;
    expect_covariance(model_of({{0, 2, a}, {1, 2, b}}, 2.0),
                      {{{s2, 0, a * s2}, {0, s2, b * s2}, {a * s2, b * s2, (a * a + b * b + 1) * s2}}});
}

}  // namespace
}  // namespace gaussnet::simulate
