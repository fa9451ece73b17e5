// The options that take results out of the program: --learners, --export and
// --table, run on the shipped example and on small data of their own. With
// them, the console and res.txt keep exactly the bytes of the runs that ran.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/text.h"
#include "support/example_data.h"
#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::copy_example;
using test::mask_seconds;
using test::program_result;
using test::read_file;
using test::run_program;
using test::temp_dir;

std::vector<std::string> with_positional(std::vector<std::string> options, const std::string& true_net,
                                         const std::string& n_cases = "1000") {
    options.push_back("data.txt");
    options.insert(options.end(), {n_cases, "30", true_net, "0.05", "0"});
    return options;
}

std::string upper_case(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A CSV file without quoted fields, as rows of fields.
std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : lines_of(text)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            fields.push_back(line.substr(start, comma - start));
        fields.push_back(line.substr(start));
        rows.push_back(fields);
    }
    return rows;
}

// The console line of one run (" IAMB2: \t 0 sec., ...") in a full comparison's output.
std::string console_line(const std::string& console, const std::string& run) {
    for (const std::string& line : lines_of(console))
        if (line.rfind(" " + run + ":", 0) == 0) return line;
    return "";
}

// One run's fragment of a res.txt line: from " RUN:" to the next run's label or the end.
std::string log_fragment(const std::string& log, const std::string& run) {
    const std::size_t start = log.find(" " + run + ":");
    if (start == std::string::npos) return "";
    std::size_t end = log.size();
    for (const char* other : {" EE:", " IAMB2:", " IAMB1:"}) {
        const std::size_t at = log.find(other, start + 1);
        if (at != std::string::npos) end = std::min(end, at);
    }
    return log.substr(start, end - start);
}

class FullComparison : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        temp_dir dir;
        copy_example(dir);
        const program_result full = run_program(GAUSSNET_BIN, with_positional({}, "1"), dir);
        ASSERT_EQ(full.exit_status, 0) << full.err;
        console_ = new std::string(mask_seconds(full.out));
        log_ = new std::string(mask_seconds(dir.read("res.txt")));
    }
    static void TearDownTestSuite() {
        delete console_;
        delete log_;
    }
    static std::string* console_;
    static std::string* log_;
};
std::string* FullComparison::console_ = nullptr;
std::string* FullComparison::log_ = nullptr;

TEST_F(FullComparison, LearnersOptionRunsOnlyTheChosenRunsWithTheirBytes) {
    const std::string banner = "\n n_vars= 30, n_cases= 1000, n_edges= 120";
    ASSERT_EQ(console_->rfind(banner, 0), 0u) << *console_;
    for (const std::vector<std::string>& chosen :
         {std::vector<std::string>{"IAMB2"}, {"EE", "IAMB1"}, {"IAMB1", "EE"}, {"ee", "iamb2", "IAMB1"}}) {
        std::string list;
        for (const std::string& name : chosen) list += (list.empty() ? "" : ",") + name;
        SCOPED_TRACE(list);
        temp_dir dir;
        copy_example(dir);
        const program_result run = run_program(GAUSSNET_BIN, with_positional({"--learners", list}, "1"), dir);
        ASSERT_EQ(run.exit_status, 0) << run.err;
        std::string console = banner;
        std::string log = banner + ",";
        for (const char* name : {"EE", "IAMB2", "IAMB1"}) {
            bool asked = false;
            for (const std::string& word : chosen) asked = asked || upper_case(word) == name;
            if (!asked) continue;
            console += "\n" + console_line(*console_, name);
            log += log_fragment(*log_, name);
        }
        EXPECT_EQ(mask_seconds(run.out), console);
        EXPECT_EQ(mask_seconds(dir.read("res.txt")), log);
    }
}

TEST(LearnersOption, EeAskedForWithoutMoreCasesThanVariablesSaysSoOnStandardError) {
    temp_dir dir;
    copy_example(dir);
    const program_result run = run_program(GAUSSNET_BIN, with_positional({"--learners", "EE,IAMB2"}, "0", "30"), dir);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(test::count_occurrences(run.out, " EE:"), 0);
    EXPECT_EQ(test::count_occurrences(run.out, " IAMB2:"), 1);
    EXPECT_NE(run.err.find("EE runs only with more cases than variables"), std::string::npos) << run.err;
    // Without the option the skipped run stays silent, as it always was.
    const program_result plain = run_program(GAUSSNET_BIN, with_positional({}, "0", "30"), dir);
    EXPECT_EQ(plain.err, "");
}

TEST(LearnersOption, UsageErrorsExitWithTwoAndTouchNothing) {
    temp_dir dir;
    copy_example(dir);
    const program_result unknown = run_program(GAUSSNET_BIN, with_positional({"--learners", "IAMB3"}, "1"), dir);
    EXPECT_EQ(unknown.exit_status, 2);
    EXPECT_NE(unknown.out.find("\"IAMB3\""), std::string::npos) << unknown.out;
    EXPECT_EQ(unknown.out.substr(0, 3), "\n\n ");
    std::vector<std::string> local = with_positional({"--learners", "IAMB2"}, "1");
    local.insert(local.end(), {"X1", "1"});
    EXPECT_EQ(run_program(GAUSSNET_BIN, local, dir).exit_status, 2);
    EXPECT_FALSE(dir.exists("res.txt"));
}

// The res.txt matrix block of a run without a true network, as edges.
std::set<std::pair<std::string, std::string>> matrix_edges(const std::string& log,
                                                           const std::vector<std::string>& names) {
    std::set<std::pair<std::string, std::string>> edges;
    const std::size_t block = log.find("\n\n\n");
    const std::vector<std::string> rows = lines_of(log.substr(block + 3));
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j)
            if (rows.at(i).at(j) == '1') edges.insert({names[i], names[j]});
    return edges;
}

std::vector<std::string> example_names() {
    std::vector<std::string> names;
    for (int v = 1; v <= 30; ++v) names.push_back("X" + std::to_string(v));
    return names;
}

TEST(ExportOption, EdgesAgreeWithTheLearnedMatrixWithoutATrueNetwork) {
    for (const char* run_name : {"EE", "IAMB2", "IAMB1"}) {
        SCOPED_TRACE(run_name);
        temp_dir dir;
        copy_example(dir);
        const program_result run =
            run_program(GAUSSNET_BIN, with_positional({"--learners", run_name, "--export", "out/sub"}, "0"), dir);
        ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
        const std::vector<std::vector<std::string>> rows =
            csv_rows(dir.read(std::string("out/sub/") + run_name + ".edges.csv"));
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0], (std::vector<std::string>{"source", "target", "status", "separated", "partial_correlation",
                                                     "p_value"}));
        std::set<std::pair<std::string, std::string>> exported;
        for (std::size_t r = 1; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), 6u);
            EXPECT_EQ(rows[r][2], "learned");
            EXPECT_EQ(rows[r][3], "");
            exported.insert({rows[r][0], rows[r][1]});
        }
        EXPECT_EQ(exported.size(), rows.size() - 1);  // no edge twice
        const auto learned = matrix_edges(dir.read("res.txt"), example_names());
        EXPECT_EQ(exported, learned);
        const bool blankets = std::string(run_name) != "EE";
        EXPECT_EQ(dir.exists(std::string("out/sub/") + run_name + ".blankets.csv"), blankets);
        if (blankets) {
            // The blankets as learned: their union with the transpose is the matrix.
            std::set<std::pair<std::string, std::string>> united;
            const auto members = csv_rows(dir.read(std::string("out/sub/") + run_name + ".blankets.csv"));
            EXPECT_EQ(members[0], (std::vector<std::string>{"target", "member"}));
            for (std::size_t r = 1; r < members.size(); ++r) {
                const std::string& a = members[r][0];
                const std::string& b = members[r][1];
                united.insert(std::stoi(a.substr(1)) < std::stoi(b.substr(1)) ? std::pair{a, b} : std::pair{b, a});
            }
            EXPECT_EQ(united, learned);
        }
        for (const auto& entry : fs::directory_iterator(dir / "out/sub"))
            EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
    }
}

// "tpr= 0.99, fdr= 0.06, fdr2= 0.05" at the end of a console line: the per-edge triple.
std::vector<std::string> edge_rates_text(const std::string& line) {
    const std::size_t at = line.rfind(", tpr= ");
    return {line.substr(at + 7, 4), line.substr(at + 18, 4), line.substr(at + 30, 4)};
}

std::string two_decimals(double value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

TEST(ExportOption, EdgeRowsCountOutToThePrintedRatesWithATrueNetwork) {
    temp_dir dir;
    copy_example(dir);
    const program_result run = run_program(GAUSSNET_BIN, with_positional({"--export", "out"}, "1"), dir);
    ASSERT_EQ(run.exit_status, 0) << run.out << run.err;
    for (const char* run_name : {"EE", "IAMB2", "IAMB1"}) {
        SCOPED_TRACE(run_name);
        const auto rows = csv_rows(dir.read(std::string("out/") + run_name + ".edges.csv"));
        std::map<std::string, int> count;
        for (std::size_t r = 1; r < rows.size(); ++r) {
            ++count[rows[r][2]];
            if (rows[r][2] == "fp") {
                EXPECT_TRUE(rows[r][3] == "0" || rows[r][3] == "1");
                count["fs"] += rows[r][3] == "1";
            } else {
                EXPECT_EQ(rows[r][3], "");
            }
            EXPECT_LT(std::stoi(rows[r][0].substr(1)), std::stoi(rows[r][1].substr(1)));
        }
        EXPECT_EQ(count["tp"] + count["fn"], 120);  // n_edges
        const double learned = count["tp"] + count["fp"];
        const std::vector<std::string> printed = edge_rates_text(console_line(run.out, run_name));
        EXPECT_EQ(printed[0], two_decimals(count["tp"] / 120.0));
        EXPECT_EQ(printed[1], two_decimals(count["fp"] / learned));
        EXPECT_EQ(printed[2], two_decimals(count["fs"] / learned));
        const std::string dot = dir.read(std::string("out/") + run_name + ".dot");
        EXPECT_EQ(test::count_occurrences(dot, "\" -- \""), count["tp"] + count["fp"] + count["fn"]);
        EXPECT_EQ(test::count_occurrences(dot, "[color=red"), count["fp"]);
        EXPECT_NE(dot.find("false (fp) " + std::to_string(count["fp"]) + "<"), std::string::npos);  // the legend
    }
}

TEST(ExportOption, LocalRunExportsUnderItsOwnName) {
    temp_dir dir;
    copy_example(dir);
    std::vector<std::string> args = with_positional({"--export", "out", "--table", "t.csv"}, "1");
    args.insert(args.end(), {"X5", "2"});
    const program_result run = run_program(GAUSSNET_BIN, args, dir);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    for (const char* file : {"local.edges.csv", "local.nodes.csv", "local.blankets.csv", "local.graphml", "local.dot"})
        EXPECT_TRUE(dir.exists("out/" + std::string(file)));
    const auto table = csv_rows(dir.read("t.csv"));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1][6], "local");
    EXPECT_EQ(table[1][7], "X5");
    EXPECT_EQ(table[1][8], "2");
}

// The local run's files show its neighbourhood: missed edges only where it
// learned a blanket (radius 1: the target's own). The console and res.txt
// keep their bytes, the scores over the whole network.
TEST(ExportOption, LocalRunShowsItsNeighbourhoodOnly) {
    temp_dir dir;
    copy_example(dir);
    std::vector<std::string> plain = with_positional({}, "1");
    plain.insert(plain.end(), {"X3", "1"});
    const program_result without = run_program(GAUSSNET_BIN, plain, dir);
    const std::string log_without = dir.read("res.txt");
    dir.write("res.txt", "");
    plain.insert(plain.begin(), {"--export", "out"});
    const program_result with = run_program(GAUSSNET_BIN, plain, dir);
    ASSERT_EQ(with.exit_status, 0) << with.err;
    EXPECT_EQ(mask_seconds(with.out), mask_seconds(without.out));
    EXPECT_EQ(mask_seconds(dir.read("res.txt")), mask_seconds(log_without));

    std::map<std::string, int> count;
    for (const auto& row : csv_rows(dir.read("out/local.edges.csv"))) {
        ++count[row[2]];
        if (row[2] == "fn") {
            EXPECT_TRUE(row[0] == "X3" || row[1] == "X3") << row[0] << " -- " << row[1];
        }
    }
    EXPECT_GT(count["fn"], 0);
    const auto nodes = csv_rows(dir.read("out/local.nodes.csv"));
    EXPECT_EQ(nodes[0], (std::vector<std::string>{"name", "blanket_size", "degree", "ring"}));
    EXPECT_EQ(nodes[3][3], "1");  // X3, the target
}

TEST(ExportOption, NamesAreQuotedForCsvAndGraphviz) {
    temp_dir dir;
    std::string data = "plain a\"b c\\d\n";
    for (int k = 0; k < 40; ++k) {
        const double x = std::sin(k * 1.3), y = x + 0.3 * std::cos(k * 2.1), z = std::cos(k * 0.7);
        data += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + "\n";
    }
    dir.write("data.txt", data);
    const program_result run = run_program(
        GAUSSNET_BIN, {"--learners", "IAMB2", "--export", "out", "data.txt", "40", "3", "0", "0.05", "0"}, dir);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const std::string edges = dir.read("out/IAMB2.edges.csv");
    EXPECT_NE(edges.find("plain,\"a\"\"b\",learned,,"), std::string::npos) << edges;
    const std::string dot = dir.read("out/IAMB2.dot");
    EXPECT_NE(dot.find("\"a\\\"b\";"), std::string::npos) << dot;
    EXPECT_NE(dot.find("[label=\"c\\\\d\"]"), std::string::npos) << dot;
}

TEST(ExportOption, UnwritableDirectoryEndsTheRunBeforeAnythingIsLearned) {
    temp_dir dir;
    copy_example(dir);
    dir.write("taken", "a file, not a directory\n");
    for (const char* target : {"taken", "taken/sub"}) {
        SCOPED_TRACE(target);
        const program_result run = run_program(GAUSSNET_BIN, with_positional({"--export", target}, "1"), dir);
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out.substr(0, 3), "\n\n ");
        EXPECT_NE(run.out.find(target), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("n_vars="), std::string::npos);
        EXPECT_FALSE(dir.exists("res.txt"));
    }
}

TEST(ExportOption, DotFilesRenderWithGraphviz) {
    const char* dot = "/usr/bin/dot";
    if (!fs::exists(dot)) GTEST_SKIP() << "Graphviz is not installed";
    temp_dir dir;
    copy_example(dir);
    ASSERT_EQ(
        run_program(GAUSSNET_BIN, with_positional({"--learners", "EE,IAMB2", "--export", "out"}, "1"), dir).exit_status,
        0);
    ASSERT_EQ(
        run_program(GAUSSNET_BIN, with_positional({"--learners", "IAMB1", "--export", "plain"}, "0"), dir).exit_status,
        0);
    std::vector<std::string> local = with_positional({"--export", "local"}, "1");
    local.insert(local.end(), {"X7", "2"});
    ASSERT_EQ(run_program(GAUSSNET_BIN, local, dir).exit_status, 0);
    for (const char* file : {"out/EE.dot", "out/IAMB2.dot", "plain/IAMB1.dot", "local/local.dot"}) {
        const program_result svg = run_program(dot, {"-Tsvg", file}, dir);
        EXPECT_EQ(svg.exit_status, 0) << file << ": " << svg.err;
        EXPECT_NE(svg.out.find("<svg"), std::string::npos) << file;
        EXPECT_EQ(svg.err, "") << file;
    }
}

// GraphML as networkx reads it: every variable a node, every row of the edge
// file an edge with its verdict.
TEST(ExportOption, GraphmlReadsIntoNetworkx) {
    const char* python = "/usr/bin/python3";
    if (!fs::exists(python) || run_program(python, {"-c", "import networkx"}, temp_dir()).exit_status != 0)
        GTEST_SKIP() << "networkx is not installed";
    temp_dir dir;
    copy_example(dir);
    ASSERT_EQ(
        run_program(GAUSSNET_BIN, with_positional({"--learners", "IAMB1", "--export", "out"}, "1"), dir).exit_status,
        0);
    const program_result read = run_program(
        python,
        {"-c",
         "import collections, networkx\n"
         "g = networkx.read_graphml('out/IAMB1.graphml')\n"
         "kinds = collections.Counter(d['status'] for _, _, d in g.edges(data=True))\n"
         "separated = sum(d.get('separated', False) for _, _, d in g.edges(data=True))\n"
         "print(g.number_of_nodes(), kinds['tp'], kinds['fp'], kinds['fn'], separated, g.nodes['X3']['degree'])\n"},
        dir);
    ASSERT_EQ(read.exit_status, 0) << read.err;
    std::map<std::string, int> count;
    for (const auto& row : csv_rows(dir.read("out/IAMB1.edges.csv"))) {
        ++count[row[2]];
        count["fs"] += row[3] == "1";
    }
    std::string x3_degree;
    for (const auto& row : csv_rows(dir.read("out/IAMB1.nodes.csv")))
        if (row[0] == "X3") x3_degree = row[2];
    EXPECT_EQ(read.out,
              strprintf("30 %d %d %d %d %s\n", count["tp"], count["fp"], count["fn"], count["fs"], x3_degree.c_str()));
}

TEST(TableOption, OneRowPerRunAfterOneHeader) {
    temp_dir dir;
    copy_example(dir);
    const program_result scored = run_program(GAUSSNET_BIN, with_positional({"--table", "t.csv"}, "1"), dir);
    ASSERT_EQ(scored.exit_status, 0) << scored.err;
    const program_result plain = run_program(
        GAUSSNET_BIN, with_positional({"--learners", "iamb2", "--table", "t.csv", "--threads", "1"}, "0"), dir);
    ASSERT_EQ(plain.exit_status, 0) << plain.err;
    const auto rows = csv_rows(dir.read("t.csv"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].size(), 25u);
    EXPECT_EQ(rows[0][0], "data_file");
    EXPECT_EQ(rows[0][18], "edge_fdr2");
    EXPECT_EQ(rows[0][21], "seed");
    EXPECT_EQ(rows[0][22], "correlation");
    EXPECT_EQ(rows[0][24], "failed");
    const char* learners[] = {"EE", "IAMB2", "IAMB1", "IAMB2"};
    for (std::size_t r = 1; r < rows.size(); ++r) {
        SCOPED_TRACE(r);
        ASSERT_EQ(rows[r].size(), 25u);
        EXPECT_EQ(rows[r][19] + rows[r][20] + rows[r][21] + rows[r][23] + rows[r][24], "");  // no bootstrap
        EXPECT_EQ(rows[r][22], "pearson");
        EXPECT_EQ(rows[r][0], "data.txt");
        EXPECT_EQ(rows[r][1], "30");
        EXPECT_EQ(rows[r][2], "1000");
        EXPECT_EQ(rows[r][3], r < 4 ? "120" : "0");
        EXPECT_EQ(rows[r][4], "0.05");
        EXPECT_EQ(rows[r][5], "0");
        EXPECT_EQ(rows[r][6], learners[r - 1]);
        EXPECT_EQ(rows[r][7] + rows[r][8], "");
        EXPECT_GT(std::stoll(rows[r][11]), 0);                // tests
        EXPECT_NE(rows[r][10].find('.'), std::string::npos);  // seconds, to the millisecond
        EXPECT_EQ(rows[r][10].size() - rows[r][10].find('.'), 4u);
        if (r < 4) {
            // The rates are the console's, to more digits.
            const std::vector<std::string> printed = edge_rates_text(console_line(scored.out, learners[r - 1]));
            for (int k = 0; k < 3; ++k) EXPECT_EQ(two_decimals(std::stod(rows[r][16 + k])), printed[k]);
        } else {
            for (int k = 13; k < 19; ++k) EXPECT_EQ(rows[r][k], "");
        }
    }
    EXPECT_EQ(rows[4][9], "1");  // threads
    // The same data learns the same IAMB2 graph with and without a true network.
    EXPECT_GT(std::stoll(rows[4][12]), 0);
    EXPECT_EQ(rows[4][12], rows[2][12]);
}

TEST(TableOption, ConcurrentRunsKeepEveryRowWholeUnderOneHeader) {
    temp_dir dir;
    copy_example(dir);
    constexpr int runs = 6;
    std::vector<std::thread> threads;
    std::vector<int> status(runs, -1);
    for (int k = 0; k < runs; ++k) {
        fs::create_directory(dir / ("run" + std::to_string(k)));
        threads.emplace_back([&, k] {
            // Each run in its own directory (its own res.txt), all on one table.
            const std::vector<std::string> args = {
                "--threads", "1",    "--table", (dir / "t.csv").string(), (dir / "data.txt").string(), "1000", "30",
                "0",         "0.05", "0"};
            status[k] = run_program(GAUSSNET_BIN, args, dir / ("run" + std::to_string(k))).exit_status;
        });
    }
    for (std::thread& t : threads) t.join();
    for (int k = 0; k < runs; ++k) EXPECT_EQ(status[k], 0) << k;
    const std::string table = dir.read("t.csv");
    EXPECT_EQ(test::count_occurrences(table, "data_file,"), 1);
    const auto rows = csv_rows(table);
    ASSERT_EQ(rows.size(), 1u + 3 * runs);
    std::map<std::string, int> per_learner;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 25u) << r;
        ++per_learner[rows[r][6]];
    }
    EXPECT_EQ(per_learner, (std::map<std::string, int>{{"EE", runs}, {"IAMB1", runs}, {"IAMB2", runs}}));
}

TEST(TableOption, UnwritableTableEndsTheRunBeforeTheBanner) {
    temp_dir dir;
    copy_example(dir);
    fs::create_directory(dir / "a_directory");
    const program_result run = run_program(GAUSSNET_BIN, with_positional({"--table", "a_directory"}, "1"), dir);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.out.find("Cannot open a_directory for appending"), std::string::npos) << run.out;
    EXPECT_FALSE(dir.exists("res.txt"));
}

}  // namespace
}  // namespace gaussnet
