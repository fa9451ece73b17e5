// Which runs an invocation makes, as a user sees it: the local mode's choice
// of target and radius, the comparison mode with and without the edge
// exclusion run, and output that does not depend on the run or on the number
// of threads.

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

using test::mask_seconds;
using test::program_result;
using test::run_program;
using test::temp_dir;

std::string banner(int n_vars, int n_cases, int n_edges) {
    return "\n n_vars= " + std::to_string(n_vars) + ", n_cases= " + std::to_string(n_cases) +
           ", n_edges= " + std::to_string(n_edges);
}

// Header "A B A C" (the name A twice): column 0 drives column 1 and column 2
// drives column 3, both strongly; the two pairs are independent. So the first
// A's blanket is {B} and the second A's is {C}.
const char* const two_pairs_net = "0100\n0000\n0001\n0000\n";

std::string two_pairs_data(int n_cases) {
    std::mt19937_64 rng(99);
    std::normal_distribution<double> normal;
    std::string text = "A B A C\n";
    for (int k = 0; k < n_cases; ++k) {
        const double a1 = normal(rng);
        const double b = 0.9 * a1 + normal(rng);
        const double a2 = normal(rng);
        const double c = -0.9 * a2 + normal(rng);
        char line[128];
        std::snprintf(line, sizeof line, "%.5f %.5f %.5f %.5f\n", a1, b, a2, c);
        text += line;
    }
    return text;
}

const std::string empty_scores = " tpr= 0.00, fdr= 0.00, fdr2= 0.00, tpr= 0.00, fdr= 0.00, fdr2= 0.00";

TEST(LocalMode, NameGivenTwiceTakesTheFirst) {
    temp_dir dir;
    dir.write("data.txt", two_pairs_data(500));
    const program_result result = run_program(GAUSSNET_BIN, {"data.txt", "500", "4", "0", "0.05", "0", "A", "1"}, dir);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(mask_seconds(result.out), banner(4, 500, 0) + "\n IAMB(0,1): \t 0 sec.,");
    // Radius 1 learns row 0 only: {B}; the second A would have given 2-3.
    EXPECT_EQ(dir.read("res.txt"), banner(4, 500, 0) + ",\n\n\n0100\n1000\n0000\n0000\n");
}

// A radius below 1 learns nothing: the timing line still shows the radius
// given, and the report is that of an empty graph.
TEST(LocalMode, RadiusBelowOneReportsAnEmptyGraph) {
    struct radius_case {
        const char* argument;
        int shown;
    };
    for (const radius_case& r : {radius_case{"0", 0}, radius_case{"-3", -3}, radius_case{"none", 0}}) {
        for (int true_net : {0, 1}) {
            SCOPED_TRACE(std::string("radius ") + r.argument + ", true_net " + std::to_string(true_net));
            temp_dir dir;
            dir.write("data.txt", two_pairs_data(200));
            dir.write("net.txt", two_pairs_net);
            const program_result result = run_program(
                GAUSSNET_BIN, {"data.txt", "200", "4", std::to_string(true_net), "0.05", "1", "C", r.argument}, dir);
            EXPECT_EQ(result.exit_status, 0) << result.err;
            const int n_edges = true_net == 1 ? 2 : 0;
            const std::string timing = "\n IAMB(3," + std::to_string(r.shown) + "): \t 0 sec.,";
            // The local run writes its timing to the console only.
            if (true_net == 1) {
                EXPECT_EQ(mask_seconds(result.out), banner(4, 200, n_edges) + timing + empty_scores);
                EXPECT_EQ(dir.read("res.txt"), banner(4, 200, n_edges) + "," + empty_scores);
            } else {
                EXPECT_EQ(mask_seconds(result.out), banner(4, 200, n_edges) + timing);
                EXPECT_EQ(dir.read("res.txt"), banner(4, 200, n_edges) + ",\n\n\n0000\n0000\n0000\n0000\n");
            }
        }
    }
}

TEST(LocalMode, TargetMatchingNoNameRunsNothing) {
    // Names are compared whole and byte for byte: no trimming, no prefixes.
    for (const char* target : {"A ", " A", "", "AB", "C\n"}) {
        SCOPED_TRACE(std::string("target '") + target + "'");
        temp_dir dir;
        dir.write("data.txt", two_pairs_data(50));
        const program_result result =
            run_program(GAUSSNET_BIN, {"data.txt", "50", "4", "0", "0.05", "0", target, "2"}, dir);
        EXPECT_EQ(result.exit_status, 0) << result.err;
        EXPECT_EQ(result.out, banner(4, 50, 0));
        EXPECT_EQ(dir.read("res.txt"), banner(4, 50, 0) + ",");
    }
}

// The edge exclusion run needs more cases than variables: with as many, the
// comparison has only the two IAMB runs; with one more, all three.
TEST(ComparisonMode, EdgeExclusionOnlyWithMoreCasesThanVariables) {
    const int n_vars = 10;
    for (int n_cases : {n_vars, n_vars + 1}) {
        SCOPED_TRACE(n_cases);
        std::mt19937_64 rng(7);
        std::normal_distribution<double> normal;
        std::string data;
        for (int v = 0; v < n_vars; ++v) data += "V" + std::to_string(v) + (v + 1 < n_vars ? " " : "\n");
        for (int k = 0; k < n_cases; ++k)
            for (int v = 0; v < n_vars; ++v) data += std::to_string(normal(rng)) + (v + 1 < n_vars ? " " : "\n");
        temp_dir dir;
        dir.write("data.txt", data);
        const program_result result = run_program(
            GAUSSNET_BIN, {"data.txt", std::to_string(n_cases), std::to_string(n_vars), "0", "0.05", "1"}, dir);
        EXPECT_EQ(result.exit_status, 0) << result.out << result.err;
        const std::string ee = n_cases > n_vars ? "\n EE: \t 0 sec.," : "";
        EXPECT_EQ(mask_seconds(result.out),
                  banner(n_vars, n_cases, 0) + ee + "\n IAMB2: \t 0 sec.,\n IAMB1: \t 0 sec.,");
        const std::string log = mask_seconds(dir.read("res.txt"));
        EXPECT_EQ(test::count_occurrences(log, " EE: 0 sec.,"), n_cases > n_vars ? 1 : 0);
        EXPECT_EQ(test::count_occurrences(log, " IAMB2: 0 sec.,"), 1);
        EXPECT_EQ(test::count_occurrences(log, " IAMB1: 0 sec.,"), 1);
        EXPECT_EQ(test::count_occurrences(log, "\n\n\n"), n_cases > n_vars ? 3 : 2);
    }
}

#ifdef GAUSSNET_SIM_BIN

struct repeat_case {
    const char* name;
    int exact;
    int true_net;
    bool local;
};

void PrintTo(const repeat_case& c, std::ostream* os) { *os << c.name; }

class RepeatedRuns : public ::testing::TestWithParam<repeat_case> {};

// The same invocation gives the same console text, "res.txt" (apart from
// the seconds) and exported edges (with their partial correlations and
// p-values) every time, and whatever the number of threads.
TEST_P(RepeatedRuns, SameOutputEveryTimeAndWithAnyThreadCount) {
    const repeat_case& c = GetParam();
    temp_dir data;
    const program_result made =
        run_program(GAUSSNET_SIM_BIN, {"--vars", "30", "--cases", "400", "--seed", "31", data.path().string()}, data);
    ASSERT_EQ(made.exit_status, 0) << made.err;

    std::vector<std::string> positional = {
        "data.txt", "400", "30", std::to_string(c.true_net), "0.05", std::to_string(c.exact)};
    if (c.local) {
        positional.push_back("X7");
        positional.push_back("3");
    }
    std::string first_out;
    std::string first_log;
    std::string first_edges;
    const std::vector<std::vector<std::string>> settings = {
        {}, {"--threads", "1"}, {"--threads", "2"}, {"--threads", "3"}, {}};
    const std::string edges_file = c.local ? "out/local.edges.csv" : "out/IAMB1.edges.csv";
    for (std::size_t run = 0; run < settings.size(); ++run) {
        SCOPED_TRACE(run);
        temp_dir dir;
        dir.write("data.txt", data.read("data.txt"));
        dir.write("net.txt", data.read("net.txt"));
        std::vector<std::string> args = settings[run];
        if (run > 0) args.insert(args.end(), {"--export", "out"});
        args.insert(args.end(), positional.begin(), positional.end());
        const program_result result = run_program(GAUSSNET_BIN, args, dir);
        ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
        const std::string out = mask_seconds(result.out);
        const std::string log = mask_seconds(dir.read("res.txt"));
        if (run == 0) {
            first_out = out;
            first_log = log;
            // Something was learned and reported.
            EXPECT_NE(out.find(c.local ? "\n IAMB(6,3): \t 0 sec.," : "\n IAMB1: \t 0 sec.,"), std::string::npos)
                << out;
            if (c.true_net == 1) {
                EXPECT_NE(out.find(", tpr= "), std::string::npos) << out;
            }
        } else {
            EXPECT_EQ(out, first_out);
            EXPECT_EQ(log, first_log);
            const std::string edges = dir.read(edges_file);
            if (run == 1) first_edges = edges;
            EXPECT_EQ(edges, first_edges);
            EXPECT_NE(edges.find(",partial_correlation,p_value\n"), std::string::npos);
        }
    }
}

// --net FILE scores against FILE exactly as against net.txt in the working
// directory, in each mode.
TEST(NetOption, ScoresAsNetTxtInEveryMode) {
    temp_dir data;
    const program_result made =
        run_program(GAUSSNET_SIM_BIN, {"--vars", "12", "--cases", "200", "--seed", "5", data.path().string()}, data);
    ASSERT_EQ(made.exit_status, 0) << made.err;
    const std::vector<std::string> positional = {"data.txt", "200", "12", "1", "0.05", "0"};
    const std::vector<std::vector<std::string>> modes = {{}, {"X3", "2"}, {"--bootstrap", "5"}};
    for (const std::vector<std::string>& mode : modes) {
        std::string outputs[2];
        for (const bool own_file : {false, true}) {
            temp_dir dir;
            dir.write("data.txt", data.read("data.txt"));
            dir.write(own_file ? "mine.net" : "net.txt", data.read("net.txt"));
            std::vector<std::string> args;
            if (own_file) args = {"--net", (dir / "mine.net").string()};
            const bool option = !mode.empty() && mode.front().rfind("--", 0) == 0;
            if (option) args.insert(args.end(), mode.begin(), mode.end());
            args.insert(args.end(), positional.begin(), positional.end());
            if (!option) args.insert(args.end(), mode.begin(), mode.end());
            const program_result result = run_program(GAUSSNET_BIN, args, dir);
            ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
            outputs[own_file] = mask_seconds(result.out) + mask_seconds(dir.read("res.txt"));
        }
        EXPECT_NE(outputs[0].find("tpr= "), std::string::npos) << outputs[0];
        EXPECT_EQ(outputs[1], outputs[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RepeatedRuns,
    ::testing::Values(repeat_case{"FisherScored", 0, 1, false}, repeat_case{"FisherMatrices", 0, 0, false},
                      repeat_case{"ExactScored", 1, 1, false}, repeat_case{"ExactMatrices", 1, 0, false},
                      repeat_case{"LocalFisherScored", 0, 1, true}, repeat_case{"LocalExactMatrices", 1, 0, true}),
    [](const ::testing::TestParamInfo<repeat_case>& info) { return info.param.name; });

#endif  // GAUSSNET_SIM_BIN

}  // namespace
}  // namespace gaussnet
