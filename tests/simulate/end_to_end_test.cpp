// gaussnet-sim and gaussnet together: data and true network from the one are
// read by the other, and the learner finds the network's moral graph.

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "sim_test_support.h"

namespace {

using sim_test::read_file;
using sim_test::run_program;
using sim_test::scratch_dir;

// Edges of the moral graph of net.txt (row = parent): arcs, and parents of a
// common child.
int moral_edges(const std::vector<std::string>& net) {
    const auto n = net.size();
    int edges = 0;
    for (std::size_t i = 1; i < n; ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            bool married = net[i][j] == '1' || net[j][i] == '1';
            for (std::size_t k = 0; k < n && !married; ++k)
                married = k != i && k != j && net[i][k] == '1' && net[j][k] == '1';
            edges += married;
        }
    }
    return edges;
}

struct rates {
    double tpr = -1, fdr = -1, fdr2 = -1;
};

// The per-edge triple: the second "tpr= ..." of the run's console line.
rates per_edge_rates(const std::string& console, const std::string& run) {
    std::istringstream lines(console);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(" " + run + ":", 0) != 0) continue;
        const auto first = line.find(" tpr= ");
        const auto second = first == std::string::npos ? first : line.find(" tpr= ", first + 1);
        rates r;
        if (second != std::string::npos)
            std::sscanf(line.c_str() + second, " tpr= %lf, fdr= %lf, fdr2= %lf", &r.tpr, &r.fdr, &r.fdr2);
        return r;
    }
    return {};
}

TEST(EndToEnd, GaussnetLearnsTheSimulatedNetwork) {
    scratch_dir dir;
    const auto sim =
        run_program(GAUSSNET_SIM_BIN, {"--vars", "10", "--cases", "5000", "--seed", "1", "run"}, dir.path());
    ASSERT_EQ(sim.status, 0) << sim.err;
    const auto learn = run_program(GAUSSNET_BIN, {"data.txt", "5000", "10", "1", "0.05", "0"}, dir.path() / "run");
    ASSERT_EQ(learn.status, 0) << learn.err;
    if (learn.out.find(" tpr= ") == std::string::npos) GTEST_SKIP() << "gaussnet does not score runs yet";

    std::istringstream net_text(read_file(dir / "run/net.txt"));
    std::vector<std::string> net;
    for (std::string line; std::getline(net_text, line);) net.push_back(line);
    EXPECT_NE(learn.out.find("n_vars= 10, n_cases= 5000, n_edges= " + std::to_string(moral_edges(net))),
              std::string::npos)
        << learn.out;

    const rates iamb2 = per_edge_rates(learn.out, "IAMB2");
    EXPECT_GE(iamb2.tpr, 0.85) << learn.out;
    EXPECT_GE(iamb2.fdr, 0.0) << learn.out;
    EXPECT_LE(iamb2.fdr, 0.10) << learn.out;
}

}  // namespace
