// The program's start-up as a user meets it: the usage message, the banner on
// the console and in "res.txt", and every input error, each run in a fresh
// temporary directory.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace gaussnet {
namespace {

using test::count_occurrences;
using test::program_result;
using test::run_program;
using test::temp_dir;

const std::string usage_message =
    "\n\n Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) [target radius]. \n\n";

// n_cases cases of n_vars independent values in (0, 10), so that every
// learner has a well-conditioned covariance to work with.
std::string data_file(int n_cases, int n_vars) {
    std::string text;
    for (int i = 0; i < n_vars; ++i) text += (i == 0 ? "" : " ") + std::string("x") + std::to_string(i);
    text += "\n";
    unsigned state = 12345;
    for (int j = 0; j < n_cases; ++j) {
        for (int i = 0; i < n_vars; ++i) {
            state = state * 1103515245u + 12345u;
            char value[32];
            std::snprintf(value, sizeof value, "%s%.4f", i == 0 ? "" : " ", ((state >> 8) % 100000) / 10000.0);
            text += value;
        }
        text += "\n";
    }
    return text;
}

program_result run(const temp_dir& dir, const std::vector<std::string>& args) {
    return run_program(GAUSSNET_BIN, args, dir);
}

std::vector<std::string> args(const std::string& n_cases, const std::string& n_vars, const std::string& true_net) {
    return {"data.txt", n_cases, n_vars, true_net, "0.05", "0"};
}

std::string banner(int n_vars, int n_cases, int n_edges) {
    return "\n n_vars= " + std::to_string(n_vars) + ", n_cases= " + std::to_string(n_cases) +
           ", n_edges= " + std::to_string(n_edges);
}

// The console shows the banner without its comma; runs start new lines after it.
void expect_console_banner(const program_result& result, const std::string& expected) {
    ASSERT_EQ(result.out.substr(0, expected.size()), expected) << result.out;
    const std::string rest = result.out.substr(expected.size());
    EXPECT_TRUE(rest.empty() || rest[0] == '\n') << result.out;
}

TEST(Startup, WrongArgumentCountPrintsUsage) {
    for (const std::vector<std::string>& words : {std::vector<std::string>{},
                                                  {"data.txt", "100", "5", "0", "0.05"},
                                                  {"data.txt", "100", "5", "0", "0.05", "0", "x1"},
                                                  {"data.txt", "100", "5", "0", "0.05", "0", "x1", "1", "extra"}}) {
        temp_dir dir;
        dir.write("data.txt", data_file(100, 5));
        const program_result result = run(dir, words);
        EXPECT_EQ(result.exit_status, 2) << words.size();
        EXPECT_EQ(result.out, usage_message);
        // Standard error says what was wrong with the line.
        EXPECT_EQ(result.err,
                  "gaussnet: " + std::to_string(words.size()) +
                      " arguments given, 6 or 8 expected; gaussnet --help lists the arguments and options.\n");
        EXPECT_FALSE(dir.exists("res.txt"));
    }
}

TEST(Startup, HelpAndVersion) {
    temp_dir dir;
    const program_result version = run(dir, {"--version"});
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.out, std::string("gaussnet ") + GAUSSNET_VERSION + "\n");
    const program_result help = run(dir, {"--help"});
    EXPECT_EQ(help.exit_status, 0);
    EXPECT_EQ(help.out.rfind("Usage: gaussnet [options] data_file n_cases n_vars", 0), 0u) << help.out;
    EXPECT_FALSE(dir.exists("res.txt"));
}

TEST(Startup, BannerOnConsoleAndInResultLog) {
    temp_dir dir;
    dir.write("data.txt", data_file(100, 5));
    const program_result result = run(dir, args("100", "5", "0"));
    EXPECT_EQ(result.exit_status, 0) << result.out;
    expect_console_banner(result, banner(5, 100, 0));
    const std::string log = dir.read("res.txt");
    EXPECT_EQ(log.substr(0, banner(5, 100, 0).size() + 1), banner(5, 100, 0) + ",") << log;
    EXPECT_EQ(count_occurrences(log, "\n n_vars= "), 1);
}

TEST(Startup, ArgumentsConvertLikeAtoi) {
    temp_dir dir;
    dir.write("data.txt", data_file(100, 5));
    const program_result result = run(dir, {"data.txt", "100abc", " 5", "x", "abc", "0"});
    expect_console_banner(result, banner(5, 100, 0));
}

TEST(Startup, ThreadsOptionLeavesTheBannerAlone) {
    temp_dir dir;
    dir.write("data.txt", data_file(100, 5));
    std::vector<std::string> words{"--threads", "1"};
    for (const auto& word : args("100", "5", "0")) words.push_back(word);
    const program_result result = run(dir, words);
    EXPECT_EQ(result.exit_status, 0) << result.out;
    expect_console_banner(result, banner(5, 100, 0));
}

TEST(Startup, ResultLogIsAppendedTo) {
    temp_dir dir;
    dir.write("data.txt", data_file(100, 5));
    dir.write("res.txt", "earlier results");
    EXPECT_EQ(run(dir, args("100", "5", "0")).exit_status, 0);
    EXPECT_EQ(run(dir, args("100", "5", "0")).exit_status, 0);
    const std::string log = dir.read("res.txt");
    EXPECT_EQ(log.rfind("earlier results" + banner(5, 100, 0) + ",", 0), 0u) << log;
    EXPECT_EQ(count_occurrences(log, "\n n_vars= "), 2) << log;
    EXPECT_EQ(count_occurrences(log, banner(5, 100, 0) + ","), 2) << log;
}

TEST(Startup, TrueNetworkGivesTheMoralGraphsEdgeCount) {
    temp_dir dir;
    dir.write("data.txt", data_file(100, 5));
    // Arcs 0->2, 1->2, 2->3, 3->4: four edges and the married parents 0 and 1.
    dir.write("net.txt", "00100\r\n00100\r\n00010\r\n00001\r\n00000\r\n");
    const program_result result = run(dir, args("100", "5", "1"));
    EXPECT_EQ(result.exit_status, 0) << result.out;
    expect_console_banner(result, banner(5, 100, 5));
    EXPECT_EQ(dir.read("res.txt").rfind(banner(5, 100, 5) + ",", 0), 0u);
}

TEST(Startup, NetTxtIsNotOpenedUnlessTrueNetIsOne) {
    for (const char* true_net : {"0", "2", "-1"}) {
        temp_dir dir;
        dir.write("data.txt", data_file(100, 5));
        dir.write("net.txt", "1");  // far too short: reading it would be an error
        const program_result result = run(dir, args("100", "5", true_net));
        EXPECT_EQ(result.exit_status, 0) << true_net << result.out;
        expect_console_banner(result, banner(5, 100, 0));
    }
}

struct input_error_case {
    const char* what;
    std::string data;  // content of data.txt, written when the first argument names it
    const char* net;   // content of net.txt, or nullptr for none
    std::vector<std::string> args;
    std::string message;  // the console's whole output, unframed
};

TEST(Startup, InputErrorsEndTheRunBeforeTheBanner) {
    const std::string header = "a b\n";
    const input_error_case cases[] = {
        {"data file missing",
         "",
         nullptr,
         {"none.txt", "1", "2", "0", "0.05", "0"},
         "Cannot open data file none.txt: No such file or directory."},
        {"data file empty", "", nullptr, args("1", "2", "0"), "Data file data.txt is empty."},
        {"too few names", header + "1 2 3\n", nullptr, args("1", "3", "0"),
         "Data file data.txt: the header has 2 names, fewer than n_vars (3)."},
        {"too few values", header + "1 2\n3\n", nullptr, args("2", "2", "0"),
         "Data file data.txt: 3 values, fewer than n_cases x n_vars (4)."},
        {"empty CSV field", header + "1,,2\n", nullptr, args("1", "2", "0"),
         "Data file data.txt: case 1, variable b: not a number (empty field)."},
        {"NA", header + "1 2\n3 NA\n", nullptr, args("2", "2", "0"),
         "Data file data.txt: case 2, variable b: not a number (NA)."},
        {"trailing letter", header + "1.5x 2\n", nullptr, args("1", "2", "0"),
         "Data file data.txt: case 1, variable a: not a number (1.5x)."},
        {"overflow", header + "1 1e39\n", nullptr, args("1", "2", "0"),
         "Data file data.txt: case 1, variable b: out of the single-precision range (1e39)."},
        {"header too long", "a" + std::string(99'997, ' ') + "\n1\n", nullptr, args("1", "1", "0"),
         "Exceeding MAX_LINE_LENGTH."},
        {"name too long", std::string(100, 'n') + "\n1\n", nullptr, args("1", "1", "0"), "Exceeding MAX_STATE_LENGTH."},
        {"net.txt missing", header + "1 2\n", nullptr, args("1", "2", "1"),
         "Cannot open net.txt: No such file or directory."},
        {"net.txt short", header + "1 2\n", "01\n0", args("1", "2", "1"), "net.txt ends before row 2 is complete."},
        {"negative count", header + "1 2\n", nullptr, args("-3", "2", "0"), "Negative n_cases (-3)."},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        if (c.args[0] == "data.txt") dir.write("data.txt", c.data);
        if (c.net != nullptr) dir.write("net.txt", c.net);
        const program_result result = run(dir, c.args);
        EXPECT_EQ(result.exit_status, 1) << c.what;
        EXPECT_EQ(result.out, "\n\n " + c.message + " \n\n") << c.what;
        EXPECT_FALSE(dir.exists("res.txt")) << c.what;
    }
}

TEST(Startup, UnwritableResultLogIsAnError) {
    temp_dir dir;
    dir.write("data.txt", data_file(100, 5));
    // A directory in its place cannot be opened for appending, even by root.
    std::filesystem::create_directory(dir / "res.txt");
    const program_result result = run(dir, args("100", "5", "0"));
    EXPECT_EQ(result.exit_status, 1);
    // Found before the data is read: no banner.
    EXPECT_EQ(result.out.find("n_vars="), std::string::npos) << result.out;
    const std::string framed = "\n\n Cannot open res.txt for appending: Is a directory. \n\n";
    ASSERT_GE(result.out.size(), framed.size());
    EXPECT_EQ(result.out.substr(result.out.size() - framed.size()), framed) << result.out;
}

}  // namespace
}  // namespace gaussnet
