// The command line of gaussnet-sim.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "simulate/options.h"
#include "simulate/sim_error.h"
#include "simulate/transform.h"

namespace gaussnet::simulate {
namespace {

options parse(std::vector<std::string> args) {
    args.insert(args.begin(), "gaussnet-sim");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    return parse_options(static_cast<int>(argv.size()), argv.data());
}

TEST(Options, DefaultsAndEveryOption) {
    const options d = parse({"--vars", "5", "--cases", "10", "out"});
    EXPECT_EQ(d.n_vars, 5);
    EXPECT_EQ(d.n_cases, 10);
    EXPECT_EQ(d.expected_parents, 2.0);
    EXPECT_EQ(d.weight_lo, 0.5);
    EXPECT_EQ(d.weight_hi, 1.0);
    EXPECT_EQ(d.noise_sd, 1.0);
    EXPECT_EQ(d.seed, 1U);
    EXPECT_EQ(d.prefix, "X");
    EXPECT_FALSE(d.force);
    EXPECT_EQ(d.outdir, "out");

    const options o = parse({"--cases=0", "--parents", "0.5", "--weights", "0.1:0.1", "--noise=0", "--seed",
                             "18446744073709551615", "--prefix", "Gene_", "--from", "n.txt", "--force", "--", "-dir"});
    EXPECT_EQ(o.n_vars, 0);  // left out: taken from the net file
    EXPECT_EQ(o.n_cases, 0);
    EXPECT_EQ(o.expected_parents, 0.5);
    EXPECT_EQ(o.weight_lo, 0.1);
    EXPECT_EQ(o.weight_hi, 0.1);
    EXPECT_EQ(o.noise_sd, 0.0);
    EXPECT_EQ(o.seed, 18446744073709551615ULL);
    EXPECT_EQ(o.prefix, "Gene_");
    EXPECT_EQ(o.net_file, "n.txt");
    EXPECT_TRUE(o.force);
    EXPECT_EQ(o.outdir, "-dir");
    EXPECT_EQ(d.transform, transform_kind::none);
    EXPECT_EQ(parse({"--vars", "5", "--cases", "10", "--transform=mix", "out"}).transform, transform_kind::mix);

    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(Options, BadOptionsAreUsageErrors) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--vars", "5", "--cases", "10"},                  // no OUTDIR
        {"--vars", "5", "out"},                            // no --cases
        {"--cases", "10", "out"},                          // no --vars, no --from
        {"--vars", "5", "--cases", "10", "out", "other"},  // two OUTDIRs
        {"--vars", "0", "--cases", "10", "out"},
        {"--vars", "-3", "--cases", "10", "out"},
        {"--vars", "5", "--cases", "-1", "out"},
        {"--vars", "5x", "--cases", "10", "out"},
        {"--vars", "", "--cases", "10", "out"},
        {"--vars", "3000000000", "--cases", "10", "out"},  // beyond a 32-bit count
        {"--vars", "5", "--cases", "1e3", "out"},
        {"--vars", "5", "--cases", "10", "--parents", "-1", "out"},
        {"--vars", "5", "--cases", "10", "--weights", "1:0.5", "out"},
        {"--vars", "5", "--cases", "10", "--weights", "-1:0.5", "out"},
        {"--vars", "5", "--cases", "10", "--weights", "0.5", "out"},
        {"--vars", "5", "--cases", "10", "--weights", "0.5:", "out"},
        {"--vars", "5", "--cases", "10", "--noise", "-0.1", "out"},
        {"--vars", "5", "--cases", "10", "--noise", "nan", "out"},
        {"--vars", "5", "--cases", "10", "--noise", "inf", "out"},
        {"--vars", "5", "--cases", "10", "--seed", "-1", "out"},
        {"--vars", "5", "--cases", "10", "--prefix", "a b", "out"},
        {"--vars", "5", "--cases", "10", "--prefix", "a,b", "out"},
        {"--vars", "5", "--cases", "10", "--from=", "out"},
        {"--vars", "5", "--cases", "10", "--transform", "log", "out"},
        {"--vars", "5", "--cases", "10", "--transform", "EXP", "out"},
        {"--vars", "5", "--cases", "10", "--colour", "red", "out"},
        {"--vars", "5", "--cases", "10", "--force=yes", "out"},
        {"--vars", "5", "out", "--cases"},  // value missing at the end
    };
    for (const auto& args : rows) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        try {
            parse(args);
            ADD_FAILURE() << "accepted: " << line;
        } catch (const sim_error& e) {
            EXPECT_EQ(e.status(), status_usage) << line;
        }
    }
}

// Each transformation is increasing; mix takes exp, cube and logistic in turn.
TEST(Transform, IncreasingFunctionsAndTheMixsTurns) {
    const double x = 0.75;
    const struct {
        transform_kind kind;
        int variable;
        double expected;
    } rows[] = {
        {transform_kind::none, 0, x},
        {transform_kind::exp, 4, std::exp(x)},
        {transform_kind::cube, 1, x * x * x},
        {transform_kind::logistic, 2, 1.0 / (1.0 + std::exp(-x))},
        {transform_kind::mix, 0, std::exp(x)},
        {transform_kind::mix, 4, x * x * x},
        {transform_kind::mix, 5, 1.0 / (1.0 + std::exp(-x))},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(transformed(row.kind, row.variable, x), row.expected) << row.variable;
        EXPECT_LT(transformed(row.kind, row.variable, -x), transformed(row.kind, row.variable, x));
    }
}

}  // namespace
}  // namespace gaussnet::simulate
