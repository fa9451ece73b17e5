// --bootstrap on the shipped example: the same bytes for every thread count,
// the run's own output unchanged, an older results table kept in its layout,
// and bad option values refused with the option named.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/example_data.h"
#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::copy_example;
using test::example_args;
using test::mask_seconds;
using test::program_result;
using test::read_file;
using test::run_program;
using test::temp_dir;

struct bootstrap_files {
    program_result run;
    std::string log;
    std::vector<std::pair<std::string, std::string>> exported;
};

bootstrap_files run_bootstrap(const std::string& threads, const std::string& seed) {
    temp_dir dir;
    copy_example(dir);
    bootstrap_files files{run_program(GAUSSNET_BIN,
                                      example_args({"--threads", threads, "--bootstrap", "16", "--seed", seed,
                                                    "--threshold", "0.75", "--export", "out"}),
                                      dir),
                          dir.read("res.txt"),
                          {}};
    for (const auto& entry : fs::directory_iterator(dir / "out"))
        files.exported.emplace_back(entry.path().filename().string(), read_file(entry.path()));
    std::sort(files.exported.begin(), files.exported.end());
    return files;
}

TEST(Bootstrap, SameBytesForEveryThreadCountAndRunOutputUnchanged) {
    const bootstrap_files one = run_bootstrap("1", "3");
    ASSERT_EQ(one.run.exit_status, 0) << one.run.out;
    for (const char* threads : {"2", "3"}) {
        SCOPED_TRACE(std::string("threads ") + threads);
        const bootstrap_files other = run_bootstrap(threads, "3");
        EXPECT_EQ(mask_seconds(other.run.out), mask_seconds(one.run.out));
        EXPECT_EQ(mask_seconds(other.log), mask_seconds(one.log));
        EXPECT_EQ(other.exported, one.exported);
    }
    // Another seed draws other resamples.
    EXPECT_NE(run_bootstrap("2", "4").exported, one.exported);

    // Without the bootstrap's lines, console and log are those of the plain run.
    temp_dir plain;
    copy_example(plain);
    const program_result without = run_program(GAUSSNET_BIN, example_args({"--threads", "2"}), plain);
    std::string console = mask_seconds(one.run.out);
    std::string log = mask_seconds(one.log);
    for (const char* run : {"EE", "IAMB2", "IAMB1"}) {
        const std::string start = std::string(run) + " bootstrap:";
        const std::size_t at = console.find("\n " + start);
        ASSERT_NE(at, std::string::npos) << run;
        EXPECT_NE(console.find("16 resamples, 0 failed, 0 sec., ", at), std::string::npos);
        console.erase(at, console.find('\n', at + 1) - at);
        const std::size_t logged = log.find(" " + start);
        ASSERT_NE(logged, std::string::npos) << run;
        log.erase(logged, log.find(" IAMB", logged + 1) - logged);
    }
    EXPECT_EQ(console, mask_seconds(without.out));
    EXPECT_EQ(log, mask_seconds(plain.read("res.txt")));
    const auto strength = std::find_if(one.exported.begin(), one.exported.end(),
                                       [](const auto& file) { return file.first == "IAMB2.strength.csv"; });
    ASSERT_NE(strength, one.exported.end());
    EXPECT_EQ(strength->second.rfind("source,target,frequency,status,finished,failed\n", 0), 0u);
}

// A table begun with an older header keeps its layout: rows without the
// bootstrap's three fields and the correlation, or without the correlation.
TEST(Bootstrap, OlderTableKeepsItsLayout) {
    const std::string older =
        "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,tests,learned_edges,"
        "var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2\n";
    const std::string with_bootstrap = older.substr(0, older.size() - 1) + ",bootstrap,threshold,seed\n";
    temp_dir dir;
    copy_example(dir);
    dir.write("old.csv", older);
    dir.write("mid.csv", with_bootstrap);
    const std::vector<std::string> options = {"--learners", "IAMB2", "--bootstrap", "4", "--table"};
    for (const char* table : {"old.csv", "mid.csv", "new.csv"}) {
        std::vector<std::string> args = options;
        args.emplace_back(table);
        const program_result run = run_program(GAUSSNET_BIN, example_args(args), dir);
        ASSERT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.err.find("Table"), std::string::npos) << run.err;  // neither header is warned about
    }
    const std::string old_table = dir.read("old.csv");
    EXPECT_EQ(old_table.rfind(older, 0), 0u);
    EXPECT_EQ(test::count_occurrences(old_table, "\n"), 3);
    EXPECT_EQ(test::count_occurrences(old_table, ","), 3 * 18);
    const std::string mid_table = dir.read("mid.csv");
    EXPECT_EQ(test::count_occurrences(mid_table, ","), 3 * 21);
    EXPECT_NE(mid_table.find(",4,0.5,1\n"), std::string::npos);
    const std::string new_table = dir.read("new.csv");
    EXPECT_EQ(new_table.rfind(with_bootstrap.substr(0, with_bootstrap.size() - 1) + ",correlation\n", 0), 0u);
    EXPECT_NE(new_table.find("IAMB2 bootstrap,"), std::string::npos);
    EXPECT_NE(new_table.find(",4,0.5,1,pearson\n"), std::string::npos);
    // An older table cannot record a rank-based correlation: the run says so.
    const program_result ranked = run_program(
        GAUSSNET_BIN, example_args({"--learners", "IAMB2", "--correlation", "kendall", "--table", "mid.csv"}), dir);
    ASSERT_EQ(ranked.exit_status, 0);
    EXPECT_NE(ranked.err.find("has no correlation column"), std::string::npos) << ranked.err;
}

// 48 of the example's cases: resamples with fewer distinct cases than variables
// fail for EE; the frequencies are shares of those that finished.
TEST(Bootstrap, FailedResamplesAreCountedAndLeftOut) {
    temp_dir dir;
    copy_example(dir);
    const std::string data = dir.read("data.txt");
    std::size_t end = 0;
    for (int line = 0; line < 49; ++line) end = data.find('\n', end) + 1;
    dir.write("data.txt", data.substr(0, end));
    const program_result run = run_program(
        GAUSSNET_BIN,
        {"--learners", "EE", "--bootstrap", "20", "--export", "out", "data.txt", "48", "30", "0", "0.05", "0"}, dir);
    ASSERT_EQ(run.exit_status, 0) << run.out;
    EXPECT_NE(run.out.find(" EE bootstrap: \t 20 resamples, 8 failed, "), std::string::npos) << run.out;
    const std::string strength = dir.read("out/EE.strength.csv");
    EXPECT_EQ(strength.rfind("source,target,frequency,finished,failed\n", 0), 0u) << strength;
    // Every line names the 12 that finished, and a pair learned by 11 of them has 11/12.
    EXPECT_EQ(test::count_occurrences(strength, ",12,8\n") + 1, test::count_occurrences(strength, "\n"));
    EXPECT_NE(strength.find(",0.9166666666666666,12,8\n"), std::string::npos);
}

struct bad_value {
    std::vector<std::string> options;
    std::string named;  // the option the message names
};

TEST(Bootstrap, BadOptionValuesAreUsageErrorsNamingTheOption) {
    const bad_value cases[] = {
        {{"--bootstrap", "0"}, "--bootstrap"},
        {{"--bootstrap", "-5"}, "--bootstrap"},
        {{"--bootstrap", "1.5"}, "--bootstrap"},
        {{"--bootstrap", "many"}, "--bootstrap"},
        {{"--bootstrap", "10", "--seed", "-1"}, "--seed"},
        {{"--bootstrap", "10", "--seed", "0x10"}, "--seed"},
        {{"--bootstrap", "10", "--seed", "99999999999999999999"}, "--seed"},
        {{"--bootstrap", "10", "--threshold", "0"}, "--threshold"},
        {{"--bootstrap", "10", "--threshold", "1.01"}, "--threshold"},
        {{"--bootstrap", "10", "--threshold", "nan"}, "--threshold"},
        {{"--bootstrap", "10", "--threshold="}, "--threshold"},
        {{"--seed", "3"}, "--seed"},
        {{"--threshold", "0.9"}, "--threshold"},
    };
    for (const bad_value& c : cases) {
        SCOPED_TRACE(c.options.back());
        temp_dir dir;
        const program_result result = run_program(GAUSSNET_BIN, example_args(c.options), dir);
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_NE(result.out.find(c.named), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("Usage: "), std::string::npos) << result.out;
        EXPECT_FALSE(dir.exists("res.txt"));
    }
}

}  // namespace
}  // namespace gaussnet
