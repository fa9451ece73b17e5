// The lockstep kernels are built for AVX2 and for the baseline, take the base
// products from a table or form them, and factorise (and finish the columns
// of) one group alone or two groups at one position in the same loops. Every
// one of these ways must give the same bits. (The engine tests compare the
// engine with one plain test at a time on whichever build this processor runs.)
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
        products.assign(base_product_table(base_upper.data(), nb, nb, product_rows.data(), nullptr) + 8 * nb, 0.0);
        base_product_table(base_upper.data(), nb, nb, product_rows.data(), products.data());
    }

    group_factor_input input(int g, bool with_table) const {
        return {n,
                p,
                base_upper.data(),
                base_cov.data(),
                w[g].data(),
                cand_cov[g].data(),
                cand_var[g].data(),
                with_table ? products.data() : nullptr,
                product_rows.data()};
    }
};

struct group_result {
    std::vector<double> upper, diag, sums, column_a, column_b, r;
    std::vector<int> failed;
    explicit group_result(int n)
        : upper(static_cast<std::size_t>(n) * n * GROUP_LANES + GROUP_PADDING, 0.0),
          diag(static_cast<std::size_t>(n) * GROUP_LANES, 0.0),
          sums(static_cast<std::size_t>(n) * GROUP_LANES + GROUP_PADDING, 0.0),
          r(GROUP_LANES, 0.0),
          failed(GROUP_LANES, -1) {}
};

enum class way { alone, twin };

// Both groups factorised one way, then their inverse-factor columns (the
// candidate's from p, a target's from t) and partial correlations.
std::vector<group_result> run(const group_kernel_set& set, const kernel_inputs& in, way how, bool with_table, int t) {
    std::vector<group_result> out{group_result(in.n), group_result(in.n)};
    const group_factor_input a = in.input(0, with_table), b = in.input(1, with_table);
    if (how == way::alone) {
        set.factor_group(a, out[0].upper.data(), out[0].diag.data(), out[0].sums.data(), out[0].failed.data());
        set.factor_group(b, out[1].upper.data(), out[1].diag.data(), out[1].sums.data(), out[1].failed.data());
    } else {
        set.factor_twin_groups(a, out[0].upper.data(), out[0].diag.data(), out[0].sums.data(), out[0].failed.data(), b,
                               out[1].upper.data(), out[1].diag.data(), out[1].sums.data(), out[1].failed.data());
    }
    for (group_result& g : out) {
        g.column_a.assign(static_cast<std::size_t>(in.n) * GROUP_LANES, 0.0);
        g.column_b.assign(static_cast<std::size_t>(in.n) * GROUP_LANES, 0.0);
        for (int lane = 0; lane < GROUP_LANES; ++lane) {
            g.column_a[in.p * GROUP_LANES + lane] = 1;
            g.column_b[t * GROUP_LANES + lane] = 1;
        }
        if (how != way::twin)
            set.finish_group_columns(g.upper.data(), g.diag.data(), in.n, in.p, g.column_a.data(), t,
                                     g.column_b.data());
    }
    if (how == way::twin) {
        auto columns = [](group_result& g) -> twin_columns {
            return {g.upper.data(), g.diag.data(), g.column_a.data(), g.column_b.data()};
        };
        set.finish_twin_group_columns(columns(out[0]), columns(out[1]), in.n, in.p, t);
    }
    if (how == way::twin) {
        const double* column_i[2] = {out[0].column_a.data(), out[1].column_a.data()};
        const double* column_j[2] = {out[0].column_b.data(), out[1].column_b.data()};
        double* r[2] = {out[0].r.data(), out[1].r.data()};
        set.twin_pair_correlation(in.n, in.p, t, {0.0, t}, column_i, column_j, r);
    } else {
        for (group_result& g : out)
            set.group_pair_correlation(in.n, in.p, g.column_a.data(), t, g.column_b.data(), {0.0, t}, g.r.data());
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

TEST(GroupKernels, EveryBuildTableAndWayGivesTheSameBits) {
    std::vector<std::pair<const char*, const group_kernel_set*>> sets{{"baseline", &baseline::kernels}};
    if (__builtin_cpu_supports("avx2")) sets.push_back({"avx2", &avx2::kernels});
    std::mt19937 rng(5);
    for (int trial = 0; trial < 150; ++trial) {
        const int n = 2 + static_cast<int>(rng() % 40);
        const int p = static_cast<int>(rng() % n);
        const int t = p + static_cast<int>(rng() % (n - p));  // a target column at or after p
        const kernel_inputs in(n, p, rng);
        const std::vector<group_result> reference = run(baseline::kernels, in, way::alone, false, t);
        for (const auto& [name, set] : sets)
            for (const way how : {way::alone, way::twin})
                for (const bool with_table : {false, true})
                    expect_same(reference, run(*set, in, how, with_table, t),
                                std::string(name) + " way " + std::to_string(static_cast<int>(how)) +
                                    (with_table ? " with table" : " without") + ", n " + std::to_string(n) + ", p " +
                                    std::to_string(p));
    }
}

TEST(GroupKernels, ForwardSolveAgreesAcrossBuilds) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "one build only on this processor";
    std::mt19937 rng(8);
    std::uniform_real_distribution<double> small(-0.3, 0.3);
    for (int trial = 0; trial < 40; ++trial) {
        const int order = 1 + static_cast<int>(rng() % 30);
        const int groups = 1 + static_cast<int>(rng() % 9);
        const std::size_t block = static_cast<std::size_t>(order) * GROUP_LANES;
        std::vector<double> lower(static_cast<std::size_t>(order) * order), diag(order), cov(groups * block);
        for (auto& v : lower) v = small(rng);
        for (auto& v : diag) v = 1 + small(rng);
        for (auto& v : cov) v = small(rng);
        std::vector<int> positions(groups);
        int position = 0;
        for (int& at : positions) at = position = std::min(order, position + static_cast<int>(rng() % 4));
        const group_solve_input in{lower.data(),     order,  diag.data(), order,
                                   positions.data(), groups, cov.data(),  block};
        std::vector<double> base(groups * block, 0.0), wide(groups * block, 0.0);
        baseline::kernels.solve_group_columns(in, base.data());
        avx2::kernels.solve_group_columns(in, wide.data());
        EXPECT_TRUE(same_bits(base, wide)) << "trial " << trial;
    }
}

}  // namespace
}  // namespace gaussnet
