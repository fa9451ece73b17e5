// Random and given network structures, and the weights put on them.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sim_test_support.h"
#include "simulate/network.h"
#include "simulate/sim_error.h"
#include "simulate/simulate.h"

namespace gaussnet::simulate {
namespace {

// Every arc must go from an earlier to a later place of the order.
bool respects_order(const ByteMatrix& arcs, const std::vector<int>& order) {
    std::vector<int> place(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) place[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    for (std::int64_t p = 0; p < arcs.rows(); ++p)
        for (std::int64_t c = 0; c < arcs.cols(); ++c)
            if (arcs(p, c) == 1 && place[static_cast<std::size_t>(p)] >= place[static_cast<std::size_t>(c)])
                return false;
    return true;
}

TEST(RandomNetwork, IsAcyclicAndHasTheExpectedNumberOfArcs) {
    constexpr int n = 200;
    xoshiro256ss rng(1, 2, 3, 4);
    const network net = random_network(n, 2.0, rng);
    EXPECT_TRUE(respects_order(net.arcs, net.order));
    // n (n - 1) / 2 pairs, each an arc with p = 4 / 199: mean n K = 400.
    const double pairs = n * (n - 1) / 2.0;
    const double p = arc_probability(n, 2.0);
    EXPECT_DOUBLE_EQ(p, 4.0 / 199);
    EXPECT_NEAR(static_cast<double>(count_arcs(net.arcs)), 400.0, 5 * std::sqrt(pairs * p * (1 - p)));
    // The order is a random one, not the index order.
    std::vector<int> identity(n);
    for (int i = 0; i < n; ++i) identity[static_cast<std::size_t>(i)] = i;
    EXPECT_NE(net.order, identity);
}

TEST(RandomNetwork, ExtremeParentCounts) {
    struct row {
        int n;
        double k;
        std::int64_t arcs;
    };
    const row rows[] = {
        {1, 2.0, 0},    // no pair at all (no division by n - 1 = 0)
        {10, 0.0, 0},   // no parents wanted
        {10, 4.5, 45},  // 2K/(n-1) = 1: the complete DAG
        {10, 50, 45},   // capped at probability 1
    };
    for (const auto& r : rows) {
        xoshiro256ss rng(9, 9, 9, 9);
        const network net = random_network(r.n, r.k, rng);
        EXPECT_EQ(count_arcs(net.arcs), r.arcs) << r.n << " " << r.k;
        EXPECT_TRUE(respects_order(net.arcs, net.order));
    }
}

TEST(NetworkFile, ReadsArcsWithRowAsParent) {
    sim_test::scratch_dir dir;
    struct row {
        const char* text;
        std::vector<std::uint8_t> cells;
    };
    const row rows[] = {
        {"010\n001\n000\n", {0, 1, 0, 0, 0, 1, 0, 0, 0}},
        {"010\r\n001\r\n000\r\n", {0, 1, 0, 0, 0, 1, 0, 0, 0}},  // CR LF
        {"001\n001\n000", {0, 0, 1, 0, 0, 1, 0, 0, 0}},          // no final line end
        {"07\n00\n\n\n", {0, 1, 0, 0}},                          // any digit 1-9, blank lines at the end
        {"0\n", {0}},
    };
    for (const auto& r : rows) {
        sim_test::write_file(dir / "net.txt", r.text);
        const ByteMatrix arcs = read_network_file(dir / "net.txt");
        EXPECT_EQ(std::vector<std::uint8_t>(arcs.data(), arcs.data() + arcs.rows() * arcs.cols()), r.cells) << r.text;
    }
}

TEST(NetworkFile, RejectsMalformedFilesNamingTheFault) {
    sim_test::scratch_dir dir;
    struct row {
        const char* text;
        const char* fault;
    };
    const row rows[] = {
        {"", "holds no network"},
        {"\n\n", "holds no network"},
        {"010\n001\n", "2 lines for 3 variables"},
        {"010\n001\n000\n000\n", "4 lines for 3 variables"},
        {"010\n01\n000\n", "line 2: 2 cells, but line 1 has 3"},
        {"0 1\n000\n000\n", "line 1, column 2: ' ' is not a digit"},
        {"010\n00x\n000\n", "line 2, column 3: 'x' is not a digit"},
    };
    for (const auto& r : rows) {
        sim_test::write_file(dir / "net.txt", r.text);
        try {
            read_network_file(dir / "net.txt");
            ADD_FAILURE() << "accepted: " << r.text;
        } catch (const sim_error& e) {
            EXPECT_EQ(e.status(), status_failure);
            EXPECT_NE(std::string(e.what()).find(r.fault), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(read_network_file(dir / "missing.txt"), sim_error);
}

ByteMatrix arcs_of(int n, const std::vector<std::pair<int, int>>& arcs) {
    ByteMatrix m(n, n);
    for (const auto& [p, c] : arcs) m(p, c) = 1;
    return m;
}

TEST(TopologicalOrder, OrdersParentsFirstOrReportsACycle) {
    struct row {
        int n;
        std::vector<std::pair<int, int>> arcs;
        std::vector<int> cycle;  // empty: acyclic
    };
    const row rows[] = {
        {3, {{2, 1}, {1, 0}}, {}},
        {4, {{0, 2}, {1, 2}, {3, 0}}, {}},
        {1, {}, {}},
        {3, {{0, 1}, {1, 0}}, {0, 1, 0}},
        {2, {{1, 1}}, {1, 1}},  // an arc to itself
        {4, {{3, 0}, {0, 1}, {1, 2}, {2, 0}}, {0, 1, 2, 0}},
    };
    for (const auto& r : rows) {
        std::vector<int> order, cycle;
        const ByteMatrix arcs = arcs_of(r.n, r.arcs);
        const bool acyclic = topological_order(arcs, order, cycle);
        EXPECT_EQ(acyclic, r.cycle.empty());
        if (acyclic) {
            EXPECT_EQ(order.size(), static_cast<std::size_t>(r.n));
            EXPECT_TRUE(respects_order(arcs, order));
        } else {
            EXPECT_EQ(cycle, r.cycle);
        }
    }
}

TEST(Model, WeightsLieInTheRangeWithBothSigns) {
    xoshiro256ss rng(3, 1, 4, 1);
    const network net = random_network(60, 3.0, rng);
    const linear_model model = make_model(net, 0.5, 1.0, 1.0, rng);
    ASSERT_EQ(static_cast<std::int64_t>(model.weight.size()), count_arcs(net.arcs));
    int negative = 0;
    for (const double w : model.weight) {
        EXPECT_GE(std::fabs(w), 0.5);
        EXPECT_LT(std::fabs(w), 1.0);
        negative += w < 0;
    }
    EXPECT_GT(negative, 0);
    EXPECT_LT(negative, static_cast<int>(model.weight.size()));
    // Parents are listed per child in topological order.
    for (std::size_t i = 0; i < model.order.size(); ++i)
        for (auto k = model.first[i]; k < model.first[i + 1]; ++k)
            EXPECT_EQ(net.arcs(model.parent[static_cast<std::size_t>(k)], model.order[i]), 1);
}

TEST(RandomStreams, SameSeedSameNumbersOtherSeedOthers) {
    random_streams a(42), b(42), c(43);
    for (int i = 0; i < 100; ++i) {
        const auto x = a.noise.next();
        EXPECT_EQ(x, b.noise.next());
        EXPECT_NE(x, c.noise.next());
    }
    // The three streams of one seed are not copies of each other.
    random_streams d(42);
    EXPECT_NE(d.structure.next(), d.weights.next());
    EXPECT_NE(d.weights.next(), d.noise.next());
}

}  // namespace
}  // namespace gaussnet::simulate
