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

// A table begun under an earlier header keeps its layout: rows without the
// fields that header lacks (the bootstrap's three, the correlation, the two
// counts, or a middle one: the correlation of a table with the counts).
TEST(Bootstrap, EarlierTablesKeepTheirLayout) {
    const std::string older =
        "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,tests,learned_edges,"
        "var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2";
    const std::string with_bootstrap = older + ",bootstrap,threshold,seed";
    struct layout {
        const char* table;
        std::string header;  // "": none yet
        int fields;
        const char* bootstrap_row_end;
    };
    const layout layouts[] = {{"older.csv", older, 19, ",IAMB2 bootstrap,"},
                              {"before-correlation.csv", with_bootstrap, 22, ",4,0.5,1\n"},
                              {"before-counts.csv", with_bootstrap + ",correlation", 23, ",4,0.5,1,pearson\n"},
                              {"counts-only.csv", with_bootstrap + ",finished,failed", 24, ",4,0.5,1,4,0\n"},
                              {"new.csv", "", 25, ",4,0.5,1,pearson,4,0\n"}};
    temp_dir dir;
    copy_example(dir);
    for (const layout& l : layouts) {
        SCOPED_TRACE(l.table);
        if (!l.header.empty()) dir.write(l.table, l.header + "\n");
        const program_result run = run_program(
            GAUSSNET_BIN, example_args({"--learners", "IAMB2", "--bootstrap", "4", "--table", l.table}), dir);
        ASSERT_EQ(run.exit_status, 0);
        EXPECT_EQ(run.err.find("Table"), std::string::npos) << run.err;  // no header is warned about
        const std::string table = dir.read(l.table);
        EXPECT_EQ(
            table.rfind(l.header.empty() ? with_bootstrap + ",correlation,finished,failed\n" : l.header + "\n", 0), 0u);
        EXPECT_EQ(test::count_occurrences(table, "\n"), 3);
        EXPECT_EQ(test::count_occurrences(table, ","), 3 * (l.fields - 1)) << table;
        EXPECT_NE(table.find(l.bootstrap_row_end), std::string::npos) << table;
    }
    // A table without the correlation column cannot record a rank-based one: the run says so.
    const program_result ranked = run_program(
        GAUSSNET_BIN, example_args({"--learners", "IAMB2", "--correlation", "kendall", "--table", "counts-only.csv"}),
        dir);
    ASSERT_EQ(ranked.exit_status, 0);
    EXPECT_NE(ranked.err.find("has no correlation column"), std::string::npos) << ranked.err;
}

struct failing_bootstrap {
    int cases;  // the example's first cases, of its 30 variables
    int true_net;
    const char* threshold;
    int status;
    std::string console;   // the bootstrap's line holds it
    std::string err;       // standard error holds it
    std::string counts;    // every strength row ends with it
    std::string strength;  // the strength file holds it
};

// Few cases: resamples with fewer distinct cases than variables fail for EE;
// the frequencies are shares of those that finished, and the failures are
// said on standard error, in the strength file and in the table. With none
// finished every file is still written, and the status says so.
TEST(Bootstrap, FailedResamplesAreCountedSaidAndLeftOut) {
    const failing_bootstrap cases[] = {
        {48, 0, "0.4999999", 0, " 20 resamples, 8 failed, 0 sec., ",
         "EE bootstrap: 8 of 20 resamples failed: ", ",12,8\n", ",0.9166666666666666,12,8\n"},
        {31, 0, "0.5", 3, " 20 resamples, 20 failed, 0 sec., 0 edges >= 0.5,",
         "EE bootstrap: all 20 resamples failed: ", ",0,20\n", "source,target,frequency,finished,failed\n,,,0,20\n"},
        {31, 1, "0.5", 3, " 20 resamples, 20 failed, 0 sec., 0 edges >= 0.5, tpr= 0.00",
         "EE bootstrap: all 20 resamples failed: ", ",0,20\n",
         "source,target,frequency,status,finished,failed\n,,,,0,20\n"},
    };
    for (const failing_bootstrap& c : cases) {
        SCOPED_TRACE(std::to_string(c.cases) + " cases, true_net " + std::to_string(c.true_net));
        temp_dir dir;
        copy_example(dir);
        const std::string data = dir.read("data.txt");
        std::size_t end = 0;
        for (int line = 0; line <= c.cases; ++line) end = data.find('\n', end) + 1;
        dir.write("data.txt", data.substr(0, end));
        const program_result run = run_program(
            GAUSSNET_BIN,
            {"--learners", "EE", "--bootstrap", "20", "--threshold", c.threshold, "--export", "out", "--table", "t.csv",
             "data.txt", std::to_string(c.cases), "30", std::to_string(c.true_net), "0.05", "0"},
            dir);
        EXPECT_EQ(run.exit_status, c.status) << run.out;
        EXPECT_NE(run.out.find(" EE bootstrap: \t" + c.console), std::string::npos) << run.out;
        EXPECT_NE(run.out.find(std::string(" edges >= ") + c.threshold + ","), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        const std::string strength = dir.read("out/EE.strength.csv");
        EXPECT_EQ(test::count_occurrences(strength, c.counts) + 1, test::count_occurrences(strength, "\n"));
        EXPECT_NE(strength.find(c.strength), std::string::npos) << strength;
        const std::string table = dir.read("t.csv");
        EXPECT_NE(table.find(std::string(",EE bootstrap,")), std::string::npos) << table;
        EXPECT_EQ(table.substr(table.size() - c.counts.size()), c.counts) << table;
    }
}

// The local run's bootstrap lists missed edges (never learned, or below the
// threshold) only where the run learned a blanket at one end, as the run's
// own edge file does.
TEST(Bootstrap, LocalBootstrapMissesOnlyEdgesItLookedFor) {
    temp_dir dir;
    copy_example(dir);
    const program_result run =
        run_program(GAUSSNET_BIN, example_args({"--bootstrap", "6", "--export", "out"}, {"X3", "2"}), dir);
    ASSERT_EQ(run.exit_status, 0) << run.out;
    std::vector<std::string> learned;  // the variables whose blankets the run learned
    const std::string nodes = dir.read("out/local.nodes.csv");
    for (std::size_t at = nodes.find('\n') + 1; at < nodes.size(); at = nodes.find('\n', at) + 1) {
        const std::size_t comma = nodes.find(',', at);
        if (nodes[comma + 1] != ',') learned.push_back(nodes.substr(at, comma - at));
    }
    ASSERT_FALSE(learned.empty());
    const auto in_scope = [&](const std::string& name) {
        return std::find(learned.begin(), learned.end(), name) != learned.end();
    };
    for (const char* file : {"out/local.strength.csv", "out/local.consensus.edges.csv", "out/local.edges.csv"}) {
        SCOPED_TRACE(file);
        const std::string text = dir.read(file);
        // The strength file keeps every pair a resample learned; the ones never learned are added in scope.
        const bool strength = std::string(file).find("strength") != std::string::npos;
        int missed = 0;
        for (std::size_t at = text.find('\n') + 1; at < text.size(); at = text.find('\n', at) + 1) {
            const std::string line = text.substr(at, text.find('\n', at) - at);
            if (line.find(strength ? ",0,fn," : ",fn,") == std::string::npos) continue;
            ++missed;
            const std::size_t comma = line.find(',');
            const std::string source = line.substr(0, comma);
            const std::string target = line.substr(comma + 1, line.find(',', comma + 1) - comma - 1);
            EXPECT_TRUE(in_scope(source) || in_scope(target)) << line;
        }
        if (!strength) {
            EXPECT_GT(missed, 0);
        }
    }
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
        {{"--bootstrap", "10", "--threshold", " 0.5"}, "--threshold"},
        {{"--bootstrap", "10", "--threshold", "0.5 "}, "--threshold"},
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
