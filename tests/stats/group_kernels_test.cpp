// The lockstep kernels take the base products from a table or form them, and
// factorise (and finish the columns of) one group alone or two groups at one
// position in the same loops. Every one of these ways must give the same bits.
// (The engine tests compare the engine with one plain test at a time; they run
// on whichever build this processor picks, and again as test_stats_baseline on
// the baseline build alone.)
#include "stats/group_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace gaussnet {
namespace {

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// Inputs of two groups at one position of one base, with values like a
// factorisation's (positive pivots mostly, and now and then a lane that fails).
struct kernel_inputs {
    int n = 0, p = 0;
    std::vector<double> base_upper, base_cov, w[2], cand_cov[2], cand_var[2];
    std::vector<std::size_t> product_rows;
    std::vector<double> products;

    kernel_inputs(int n_, int p_, std::mt19937& rng) : n(n_), p(p_) {
        const int nb = n - 1;
        std::uniform_real_distribution<double> small(-0.3, 0.3);
        base_upper.assign(static_cast<std::size_t>(nb) * nb + GROUP_PADDING, 0.0);
        base_cov.assign(static_cast<std::size_t>(nb) * nb + GROUP_PADDING, 0.0);
        for (auto& v : base_upper) v = small(rng);
        for (auto& v : base_cov) v = small(rng);
        for (int r = 0; r < nb; ++r) base_cov[static_cast<std::size_t>(r) * nb + r] = 2 + small(rng);
        for (int g = 0; g < 2; ++g) {
            w[g].resize(static_cast<std::size_t>(n) * GROUP_LANES);
            cand_cov[g].resize(static_cast<std::size_t>(n) * GROUP_LANES + GROUP_PADDING);
            cand_var[g].resize(GROUP_LANES);
            for (auto& v : w[g]) v = small(rng);
            for (auto& v : cand_cov[g]) v = small(rng);
            for (auto& v : cand_var[g]) v = rng() % 9 == 0 ? 0.1 : 3 + small(rng);  // 0.1: the lane may fail
        }
        product_rows.resize(static_cast<std::size_t>(nb));
        products.assign(base_product_table(base_upper.data(), nb, nb, product_rows.data(), nullptr) + KERNEL_BLOCK * nb,
                        0.0);
        base_product_table(base_upper.data(), nb, nb, product_rows.data(), products.data());
    }

    group_base base(bool with_table) const {
        return {n, p, base_upper.data(), base_cov.data(), with_table ? products.data() : nullptr, product_rows.data()};
    }
};

struct group_result {
    std::vector<double> upper, diag, sums, column_a, column_b, r;
    std::vector<int> failed;
    explicit group_result(int n)
        : upper(static_cast<std::size_t>(n) * n * GROUP_LANES + GROUP_PADDING, 0.0),
          diag(static_cast<std::size_t>(n) * GROUP_LANES, 0.0),
          sums(static_cast<std::size_t>(n) * GROUP_LANES + GROUP_PADDING, 0.0),
          column_a(static_cast<std::size_t>(n) * GROUP_LANES, 0.0),
          column_b(static_cast<std::size_t>(n) * GROUP_LANES, 0.0),
          r(GROUP_LANES, 0.0),
          failed(GROUP_LANES, -1) {}
};

// Both groups factorised alone or together, then their inverse-factor columns
// (the candidate's from p, a target's from t) and partial correlations.
std::vector<group_result> run(const kernel_inputs& in, int together, bool with_table, int t) {
    std::vector<group_result> out{group_result(in.n), group_result(in.n)};
    lane_group_data data[2];
    for (int g = 0; g < 2; ++g) {
        group_result& o = out[g];
        for (int lane = 0; lane < GROUP_LANES; ++lane) {
            o.column_a[in.p * GROUP_LANES + lane] = 1;
            o.column_b[t * GROUP_LANES + lane] = 1;
        }
        data[g] = {in.w[g].data(), in.cand_cov[g].data(), in.cand_var[g].data(), o.upper.data(),    o.diag.data(),
                   o.sums.data(),  o.failed.data(),       o.column_a.data(),     o.column_b.data(), o.r.data()};
    }
    const group_base base = in.base(with_table);
    for (int first = 0; first < 2; first += together) {
        factor_groups(base, data + first, together);
        finish_group_columns(in.n, in.p, t, data + first, together);
        group_pair_correlations(in.n, in.p, t, {0.0, t}, data + first, together);
    }
    return out;
}

void expect_same(const std::vector<group_result>& x, const std::vector<group_result>& y, const std::string& what) {
    for (int g = 0; g < 2; ++g) {
        EXPECT_TRUE(same_bits(x[g].upper, y[g].upper)) << what << ", group " << g << ": factor";
        EXPECT_TRUE(same_bits(x[g].diag, y[g].diag)) << what << ", group " << g << ": pivots";
        EXPECT_EQ(x[g].failed, y[g].failed) << what << ", group " << g;
        EXPECT_TRUE(same_bits(x[g].column_a, y[g].column_a)) << what << ", group " << g << ": candidate column";
        EXPECT_TRUE(same_bits(x[g].column_b, y[g].column_b)) << what << ", group " << g << ": target column";
        EXPECT_TRUE(same_bits(x[g].r, y[g].r)) << what << ", group " << g << ": correlations";
    }
}

TEST(GroupKernels, AloneTogetherWithAndWithoutTableGiveTheSameBits) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 150; ++trial) {
        const int n = 2 + static_cast<int>(rng() % 40);
        const int p = static_cast<int>(rng() % n);
        const int t = p + static_cast<int>(rng() % (n - p));  // a target column at or after p
        const kernel_inputs in(n, p, rng);
        const std::vector<group_result> reference = run(in, 1, false, t);
        for (const int together : {1, 2})
            for (const bool with_table : {false, true})
                expect_same(reference, run(in, together, with_table, t),
                            std::to_string(together) + " together" + (with_table ? " with table" : " without") +
                                ", n " + std::to_string(n) + ", p " + std::to_string(p));
    }
}

TEST(GroupKernels, ForwardSolveIsTheScalarSolve) {
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> small(-0.3, 0.3);
    for (int trial = 0; trial < 40; ++trial) {
        const int order = 1 + static_cast<int>(rng() % 30);
        const int groups = 1 + static_cast<int>(rng() % 9);
        const int rows = static_cast<int>(rng() % (order + 1));  // those before a failed pivot
        const std::size_t block = static_cast<std::size_t>(order) * GROUP_LANES;
        std::vector<double> lower(static_cast<std::size_t>(order) * order), diag(order), cov(groups * block);
        for (auto& v : lower) v = small(rng);
        for (auto& v : diag) v = 1 + small(rng);
        for (auto& v : cov) v = small(rng);
        std::vector<int> positions(groups);
        int position = 0;
        for (int& at : positions) at = position = std::min(order, position + static_cast<int>(rng() % 4));
        const group_solve_input in{lower.data(), order, diag.data(), rows, positions.data(), groups, cov.data(), block};
        std::vector<double> solved(groups * block, 0.0), expected(groups * block, 0.0);
        solve_group_columns(in, solved.data());
        for (int g = 0; g < groups; ++g)
            for (int lane = 0; lane < GROUP_LANES; ++lane) {
                auto at = [&](std::vector<double>& v, int r) -> double& {
                    return v[g * block + r * GROUP_LANES + lane];
                };
                for (int r = 0; r < std::min(rows, positions[g]); ++r) {
                    double s = at(cov, r);
                    for (int k = r - 1; k >= 0; --k) s = s - lower[r * order + k] * at(expected, k);
                    at(expected, r) = s / diag[r];
                }
            }
        EXPECT_TRUE(same_bits(solved, expected)) << "trial " << trial;
    }
}

}  // namespace
}  // namespace gaussnet
