// gaussnet-mpi through mpirun: for any number of ranks and threads it must
// give gaussnet's bytes (console, res.txt, exports, table rows but for the
// seconds), print an error once and end every rank with the same status.
// Ranks are oversubscribed: the machine may have fewer cores than ranks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::mask_seconds;
using test::program_result;
using test::read_file;
using test::run_program;
using test::temp_dir;

#ifdef GAUSSNET_MPI_BIN

const fs::path source_root = fs::path(GAUSSNET_SOURCE_DIR);

// What Open MPI needs to start here: as root (CI), and more ranks than cores.
void allow_this_machine() {
    ::setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
    ::setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
    ::setenv("OMPI_MCA_rmaps_base_oversubscribe", "1", 1);
    // Containers often forbid the cross-process copy that shared memory uses by default.
    ::setenv("OMPI_MCA_btl_vader_single_copy_mechanism", "none", 1);
    ::unsetenv("OMPI_MCA_orte_abort_on_non_zero_status");  // mpirun's default unless a test says otherwise
#ifdef __SANITIZE_ADDRESS__
    // The MPI library's own allocations live until exit; the leak check is gaussnet's tests' job.
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
#endif
}

struct layout {
    int ranks;
    int threads;
};

std::string layout_name(const layout& l) {
    return std::to_string(l.ranks) + "ranks_" + std::to_string(l.threads) + "threads";
}

void PrintTo(const layout& l, std::ostream* out) { *out << layout_name(l); }

std::vector<std::string> with_threads(int threads, const std::vector<std::string>& args) {
    std::vector<std::string> words = {"--threads", std::to_string(threads)};
    words.insert(words.end(), args.begin(), args.end());
    return words;
}

program_result run_mpi(const layout& l, const std::vector<std::string>& args, const fs::path& dir) {
    allow_this_machine();
    std::vector<std::string> words = {"-np", std::to_string(l.ranks), "--oversubscribe", GAUSSNET_MPI_BIN};
    for (const std::string& word : with_threads(l.threads, args)) words.push_back(word);
    return run_program(GAUSSNET_MPIEXEC, words, dir);
}

// Each rank's exit status, from a shell around it that says "rank-status N" on standard error.
// mpirun would end the other ranks as soon as one exits with a status other
// than 0, before they could say theirs: here it lets every rank end by itself.
program_result run_mpi_reporting_ranks(int ranks, const std::vector<std::string>& args, const fs::path& dir) {
    allow_this_machine();
    ::setenv("OMPI_MCA_orte_abort_on_non_zero_status", "0", 1);
    std::vector<std::string> words = {"-np",
                                      std::to_string(ranks),
                                      "--oversubscribe",
                                      "/bin/sh",
                                      "-c",
                                      "\"$0\" \"$@\"; s=$?; echo \"rank-status $s\" >&2; exit $s",
                                      GAUSSNET_MPI_BIN};
    words.insert(words.end(), args.begin(), args.end());
    return run_program(GAUSSNET_MPIEXEC, words, dir);
}

std::vector<std::string> split_blanks(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// A results table's seconds (the eleventh field) differ from run to run.
std::string mask_table_seconds(const std::string& table) {
    static const std::regex seconds("^((?:[^,]*,){10})[0-9]+\\.[0-9]+,", std::regex::multiline);
    return std::regex_replace(table, seconds, "$1S,");
}

// ---------------------------------------------------------------------------
// The end-to-end cases: the expected files are gaussnet's bytes.

const fs::path cases_root = source_root / "tests" / "e2e" / "cases";

struct case_run {
    std::string name;
    layout on;
};

void PrintTo(const case_run& run, std::ostream* out) { *out << run.name << " on " << layout_name(run.on); }

class CaseOverRanks : public ::testing::TestWithParam<case_run> {};

TEST_P(CaseOverRanks, GivesTheExpectedBytes) {
    const fs::path dir = cases_root / GetParam().name;
    temp_dir scratch;
    for (const char* input : {"data.txt", "net.txt"})
        if (fs::exists(dir / input)) scratch.write(input, read_file(dir / input));
    if (fs::exists(dir / "res.before")) scratch.write("res.txt", read_file(dir / "res.before"));

    const program_result result = run_mpi(GetParam().on, split_blanks(read_file(dir / "args")), scratch.path());
    const int expected_status = fs::exists(dir / "status") ? std::stoi(read_file(dir / "status")) : 0;
    EXPECT_EQ(result.exit_status, expected_status) << result.err;
    EXPECT_EQ(mask_seconds(result.out), read_file(dir / "stdout")) << result.err;
    if (fs::exists(dir / "res.txt")) {
        ASSERT_TRUE(scratch.exists("res.txt"));
        EXPECT_EQ(mask_seconds(scratch.read("res.txt")), read_file(dir / "res.txt"));
    } else {
        EXPECT_FALSE(scratch.exists("res.txt"));
    }
}

const layout all_layouts[] = {{1, 1}, {2, 1}, {3, 1}, {2, 2}};

std::vector<case_run> case_runs() {
    std::vector<case_run> runs;
    for (const std::string& name : test::folder_names(cases_root))
        for (const layout& l : all_layouts) runs.push_back({name, l});
    return runs;
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseOverRanks, ::testing::ValuesIn(case_runs()),
                         [](const ::testing::TestParamInfo<case_run>& info) {
                             return info.param.name + "_" + layout_name(info.param.on);
                         });

// ---------------------------------------------------------------------------
// Runs compared with gaussnet's own run of the same command line.

struct both_runs {
    program_result single;
    program_result spread;
};

// Runs gaussnet and gaussnet-mpi, each in its own copy of the inputs, and
// expects the same status, console and res.txt; the directories stay for
// the caller to compare further.
both_runs expect_same_run(const layout& l, const std::vector<std::string>& args, const temp_dir& single_dir,
                          const temp_dir& spread_dir) {
    both_runs runs{run_program(GAUSSNET_BIN, with_threads(l.threads, args), single_dir),
                   run_mpi(l, args, spread_dir.path())};
    EXPECT_EQ(runs.spread.exit_status, runs.single.exit_status) << runs.spread.err;
    EXPECT_EQ(mask_seconds(runs.spread.out), mask_seconds(runs.single.out)) << runs.spread.err;
    EXPECT_EQ(single_dir.exists("res.txt"), spread_dir.exists("res.txt"));
    if (single_dir.exists("res.txt") && spread_dir.exists("res.txt")) {
        EXPECT_EQ(mask_seconds(spread_dir.read("res.txt")), mask_seconds(single_dir.read("res.txt")));
    }
    return runs;
}

void copy_example(const temp_dir& dir) {
    dir.write("data.txt", read_file(source_root / "examples" / "data.txt"));
    dir.write("net.txt", read_file(source_root / "examples" / "net.txt"));
}

class ExampleOverRanks : public ::testing::TestWithParam<layout> {};

TEST_P(ExampleOverRanks, GivesGaussnetsBytes) {
    temp_dir single;
    temp_dir spread;
    copy_example(single);
    copy_example(spread);
    const std::vector<std::string> args = split_blanks(read_file(source_root / "examples" / "args.txt"));
    const both_runs runs = expect_same_run(GetParam(), args, single, spread);
    EXPECT_EQ(runs.single.exit_status, 0);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExampleOverRanks, ::testing::ValuesIn(all_layouts),
                         [](const ::testing::TestParamInfo<layout>& info) { return layout_name(info.param); });

// The files of an export directory, by name.
std::vector<std::string> file_names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void expect_same_exports(const temp_dir& single, const temp_dir& spread) {
    ASSERT_TRUE(fs::is_directory(spread / "out"));
    const std::vector<std::string> names = file_names(single / "out");
    EXPECT_EQ(file_names(spread / "out"), names);
    for (const std::string& name : names)
        EXPECT_EQ(read_file(spread / "out" / name), read_file(single / "out" / name)) << name;
}

// Without a true network and with one; the table's rows differ only in their seconds.
TEST(OptionsOverRanks, LearnersExportAndTableGiveGaussnetsFiles) {
    for (const char* true_net : {"0", "1"}) {
        SCOPED_TRACE(std::string("true_net ") + true_net);
        temp_dir single;
        temp_dir spread;
        copy_example(single);
        copy_example(spread);
        const std::vector<std::string> args = {"--learners", "iamb1,IAMB2", "--export", "out",    "--table", "runs.csv",
                                               "data.txt",   "1000",        "30",       true_net, "0.05",    "0"};
        const both_runs runs = expect_same_run({2, 1}, args, single, spread);
        EXPECT_EQ(runs.single.exit_status, 0);
        expect_same_exports(single, spread);
        EXPECT_EQ(mask_table_seconds(spread.read("runs.csv")), mask_table_seconds(single.read("runs.csv")));
    }
}

// Known pairs reach every rank: the comparison with its bootstraps and the
// local run give gaussnet's bytes, the export's required column included.
TEST(OptionsOverRanks, KnownPairsGiveGaussnetsFiles) {
    const std::vector<std::vector<std::string>> tails = {{"1", "0.05", "0"}, {"1", "0.05", "0", "X1", "2"}};
    for (const auto& tail : tails) {
        temp_dir single;
        temp_dir spread;
        for (const temp_dir* dir : {&single, &spread}) {
            copy_example(*dir);
            dir->write("forbid.csv", "X3,X1\nX2,X14\n");
            dir->write("require.csv", "source,target\nX1,X10\nX5,X25\n");
        }
        std::vector<std::string> args = {"--forbid",    "forbid.csv", "--require", "require.csv", "--export", "out",
                                         "--bootstrap", "3",          "data.txt",  "1000",        "30"};
        args.insert(args.end(), tail.begin(), tail.end());
        const both_runs runs = expect_same_run({2, 1}, args, single, spread);
        EXPECT_EQ(runs.single.exit_status, 0);
        expect_same_exports(single, spread);
    }
}

// Three rings around X5 on three ranks, exported and tabled.
TEST(OptionsOverRanks, LocalRunGivesGaussnetsFiles) {
    temp_dir single;
    temp_dir spread;
    copy_example(single);
    copy_example(spread);
    const std::vector<std::string> args = {"--export", "out", "--table", "runs.csv", "data.txt", "1000",
                                           "30",       "1",   "0.05",    "1",        "X5",       "3"};
    const both_runs runs = expect_same_run({3, 1}, args, single, spread);
    EXPECT_EQ(runs.single.exit_status, 0);
    EXPECT_NE(runs.spread.out.find("IAMB(4,3):"), std::string::npos);
    expect_same_exports(single, spread);
    EXPECT_EQ(mask_table_seconds(spread.read("runs.csv")), mask_table_seconds(single.read("runs.csv")));
}

// Bootstrap resamples handed out to two ranks of two threads: the same
// lines, strength and consensus files and table rows as one process.
TEST(OptionsOverRanks, BootstrapGivesGaussnetsFiles) {
    temp_dir single;
    temp_dir spread;
    copy_example(single);
    copy_example(spread);
    const std::vector<std::string> args = {"--learners", "IAMB2,EE", "--bootstrap", "24",       "--seed",   "9",
                                           "--export",   "out",      "--table",     "runs.csv", "data.txt", "1000",
                                           "30",         "1",        "0.05",        "0"};
    const both_runs runs = expect_same_run({2, 2}, args, single, spread);
    EXPECT_EQ(runs.single.exit_status, 0);
    EXPECT_NE(runs.spread.out.find("IAMB2 bootstrap:"), std::string::npos);
    expect_same_exports(single, spread);
    EXPECT_EQ(mask_table_seconds(spread.read("runs.csv")), mask_table_seconds(single.read("runs.csv")));
}

// ---------------------------------------------------------------------------
// Errors: printed once, by rank 0, and every rank ends with the same status.

int count_rank_statuses(const std::string& err, int status) {
    return test::count_occurrences(err, "rank-status " + std::to_string(status) + "\n");
}

TEST(ErrorsOverRanks, InputErrorPrintedOnceAndEveryRankFails) {
    temp_dir single;
    temp_dir spread;
    // The third case has a value that is not a number.
    const std::string data = "a b c\n1 2 3\n4 5 6\n7 x 9\n1 1 1\n";
    single.write("data.txt", data);
    spread.write("data.txt", data);
    const std::vector<std::string> args = {"data.txt", "4", "3", "0", "0.05", "0"};
    const program_result expected = run_program(GAUSSNET_BIN, args, single);
    ASSERT_EQ(expected.exit_status, 1);
    const program_result result = run_mpi_reporting_ranks(3, args, spread.path());
    EXPECT_EQ(result.out, expected.out);
    EXPECT_EQ(count_rank_statuses(result.err, 1), 3) << result.err;
    EXPECT_FALSE(spread.exists("res.txt"));
    // Under mpirun's own policy the job ends with that status too.
    EXPECT_EQ(run_mpi({3, 1}, args, spread.path()).exit_status, 1);
}

TEST(ErrorsOverRanks, UsageErrorPrintedOnceAndEveryRankFails) {
    temp_dir dir;
    const program_result result =
        run_mpi_reporting_ranks(3, {"--learners", "IAMB3", "d", "1", "1", "0", "0", "0"}, dir.path());
    EXPECT_EQ(test::count_occurrences(result.out, "Unknown learner"), 1) << result.out;
    EXPECT_EQ(count_rank_statuses(result.err, 2), 3) << result.err;
    EXPECT_FALSE(dir.exists("res.txt"));
}

// mpirun drops what it cannot copy to a closed standard output; the lead
// meets the closed pipe itself and fails as gaussnet does.
TEST(ErrorsOverRanks, ClosedStandardOutputReportedAsGaussnetReportsIt) {
    temp_dir dir;
    dir.write("data.txt", read_file(source_root / "examples" / "data.txt"));
    allow_this_machine();
    test::child_conditions closed;
    closed.stdout_bytes = 0;
    const program_result result = test::run_program_under(
        GAUSSNET_MPIEXEC, {"-np", "2", "--oversubscribe", GAUSSNET_MPI_BIN, "data.txt", "1000", "30", "0", "0.05", "0"},
        dir.path(), closed);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(test::count_occurrences(result.err, "\n\n Cannot write to standard output: Broken pipe. \n\n"), 1)
        << result.err;
    EXPECT_FALSE(dir.exists("res.txt"));
}

// Column 1 is the sum of columns 2 and 5, which are the same, and column 8
// is column 6: targets 1, 2 and 5 fail on a matrix of order 3, targets 6 and
// 8 on one of order 2, on whichever rank learns them. The message must be
// that of the first failing target in order, as one process reports it.
std::string degenerate_data(int n_cases) {
    std::mt19937_64 rng(5);
    std::normal_distribution<double> normal;
    std::string text = "v0 v1 v2 v3 v4 v5 v6 v7 v8 v9\n";
    for (int k = 0; k < n_cases; ++k) {
        double v[10];
        for (double& x : v) x = normal(rng);
        v[2] = 0.5 * v[0] + v[2];
        v[5] = v[2];
        v[1] = v[2] + v[5];
        v[8] = v[6];
        std::string line;
        for (double x : v) line += std::to_string(x) + " ";
        text += line + "\n";
    }
    return text;
}

// The same faults among 120 variables (a chain), where targets go out in
// batches: column 40 is the sum of columns 38 and 39, column 71 is column 70.
std::string degenerate_chain(int n_cases) {
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal;
    std::string text;
    for (int v = 0; v < 120; ++v) text += "c" + std::to_string(v) + (v + 1 < 120 ? " " : "\n");
    for (int k = 0; k < n_cases; ++k) {
        double v[120];
        for (int j = 0; j < 120; ++j) v[j] = normal(rng) + (j > 0 ? 0.6 * v[j - 1] : 0.0);
        v[40] = v[38] + v[39];
        v[71] = v[70];
        std::string line;
        for (double x : v) line += std::to_string(x) + " ";
        text += line + "\n";
    }
    return text;
}

struct degenerate_case {
    std::string data;
    std::string n_cases;
    std::string n_vars;
};

TEST(ErrorsOverRanks, NotPositiveDefiniteReportsTheFirstTargetsMessage) {
    const degenerate_case cases[] = {{degenerate_data(40), "40", "10"}, {degenerate_chain(150), "150", "120"}};
    for (const auto& [data, n_cases, n_vars] : cases)
        for (const char* learners : {"IAMB2", "IAMB1"}) {
            SCOPED_TRACE(std::string(learners) + " on " + n_vars + " variables");
            temp_dir single;
            temp_dir spread;
            single.write("data.txt", data);
            spread.write("data.txt", data);
            const std::vector<std::string> args = {"--learners", learners, "data.txt", n_cases,
                                                   n_vars,       "0",      "0.05",     "0"};
            const program_result expected = run_program(GAUSSNET_BIN, args, single);
            ASSERT_EQ(expected.exit_status, 1) << expected.out;
            ASSERT_NE(expected.out.find("No Cholesky decomposition"), std::string::npos) << expected.out;
            for (const int threads : {1, 2}) {
                const program_result result = run_mpi_reporting_ranks(3, with_threads(threads, args), spread.path());
                EXPECT_EQ(result.out, expected.out);
                EXPECT_EQ(count_rank_statuses(result.err, 1), 3) << result.err;
                EXPECT_EQ(spread.read("res.txt"), single.read("res.txt"));
                spread.write("res.txt", "");
            }
        }
}

#else

TEST(MpiRuns, SkippedWithoutMpi) { GTEST_SKIP() << "gaussnet-mpi is not built (CMake found no MPI)"; }

#endif

}  // namespace
}  // namespace gaussnet
