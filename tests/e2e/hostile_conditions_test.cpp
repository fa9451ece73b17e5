// Exports, the results table and the console under hostile conditions: links
// planted under names the program might use, runs sharing a process id, full
// disks and file-size limits part-way through a write, closed pipes, too
// little room for threads, kills between two renames. Whatever happens, no
// file the user did not name is written, a table row is whole or absent, a
// run's export files are never mixed with an earlier run's, and every
// failure is reported.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/example_data.h"
#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::child_conditions;
using test::example_args;
using test::program_result;
using test::temp_dir;

const std::string banner = "\n n_vars= 30, n_cases= 1000, n_edges= 120";

// The example, and a small file of its own.
void copy_example_files(const temp_dir& dir) {
    test::copy_example(dir);
    // Three variables whose graph file is larger than its edge file.
    std::string small = "alpha beta gamma\n";
    for (int k = 0; k < 50; ++k)
        small += std::to_string(k % 7) + " " + std::to_string((k * 3) % 11) + " " + std::to_string((k * 5) % 13) + "\n";
    dir.write("small.txt", small);
}

std::vector<std::string> small_args(std::vector<std::string> options) {
    options.insert(options.end(), {"small.txt", "50", "3", "0", "0.05", "0"});
    return options;
}

// Temporary files and probes the program made and left: hidden, with six random characters at the end.
int temp_files_left(const fs::path& dir) {
    int count = 0;
    if (!fs::is_directory(dir)) return 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        const std::size_t dash = name.rfind('-');
        count += name[0] == '.' && dash != std::string::npos && name.size() - dash == 7;
    }
    return count;
}

std::size_t lines_with_fields(const std::string& text, std::size_t fields) {
    std::size_t count = 0;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        count += static_cast<std::size_t>(std::count(text.begin() + start, text.begin() + end, ',')) + 1 == fields;
    return count;
}

// A file's bytes, or a word saying it is missing (a check goes on to the next case).
std::string contents(const temp_dir& dir, const std::string& name) {
    return fs::is_regular_file(dir / name) ? dir.read(name) : "<missing>";
}

void make_dirs(const temp_dir& dir) { fs::create_directory(dir / "out"); }

struct hostile_case {
    const char* name;
    std::vector<std::string> args;
    child_conditions conditions;
    std::function<void(const temp_dir&)> plant;
    std::function<void(const temp_dir&, const program_result&)> check;
    int temp_files_kept = 0;  // planted ones the run must leave alone
};

const std::string other_runs_rows = "source,target,status,separated\nX1,X2,learned,\n";

std::vector<hostile_case> hostile_cases() {
    return {
        {"links planted under the names a run with process id 1 used to write through",
         example_args({"--learners", "IAMB2", "--export", "out"}), child_conditions{.own_pid_namespace = true},
         [](const temp_dir& dir) {
             make_dirs(dir);
             dir.write("victim.txt", "precious\n");
             for (const char* name : {".gaussnet-probe-1", "IAMB2.edges.csv.partial-1", "IAMB2.dot.partial-1"})
                 fs::create_symlink("../victim.txt", dir / "out" / name);
         },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 0) << run.out;
             EXPECT_EQ(contents(dir, "victim.txt"), "precious\n");
             EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out/IAMB2.edges.csv")));
         }},
        {"another run with the same process id writing the same export",
         example_args({"--learners", "EE", "--export", "out"}), child_conditions{.own_pid_namespace = true},
         [](const temp_dir& dir) {
             make_dirs(dir);
             dir.write("out/EE.edges.csv.partial-1", other_runs_rows);
         },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 0) << run.out;
             EXPECT_EQ(contents(dir, "out/EE.edges.csv.partial-1"), other_runs_rows);
             const std::string edges = contents(dir, "out/EE.edges.csv");
             EXPECT_EQ(edges.rfind("source,target,status,separated,partial_correlation,p_value\n", 0), 0u);
             EXPECT_NE(edges, other_runs_rows);
         }},
        {"temporary files left by runs killed long ago, and one being written now",
         example_args({"--learners", "EE", "--export", "out"}),
         {},
         [](const temp_dir& dir) {
             make_dirs(dir);
             for (const char* name :
                  {".IAMB2.dot.partial-Ab3dEf", "IAMB2.dot.partial-4242", ".EE.dot.partial-Now123",
                   ".bashrc.partial-abcdef", "thesis.tex.partial-2024", ".notes.dot.partial-Ab3dEf"}) {
                 dir.write("out/" + std::string(name), "partial");
                 if (std::string(name).find("Now") == std::string::npos)
                     fs::last_write_time(dir / "out" / name, fs::file_time_type::clock::now() - std::chrono::hours(2));
             }
         },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 0) << run.out;
             EXPECT_FALSE(dir.exists("out/.IAMB2.dot.partial-Ab3dEf"));
             EXPECT_FALSE(dir.exists("out/IAMB2.dot.partial-4242"));
             EXPECT_TRUE(dir.exists("out/.EE.dot.partial-Now123"));
             // Only the export's own names are taken for its temporary files.
             for (const char* users :
                  {".bashrc.partial-abcdef", "thesis.tex.partial-2024", ".notes.dot.partial-Ab3dEf"})
                 EXPECT_TRUE(dir.exists("out/" + std::string(users))) << users;
         },
         3},
        {"an earlier export file replaced by a directory",
         small_args({"--learners", "EE", "--export", "out"}),
         {},
         [](const temp_dir& dir) {
             make_dirs(dir);
             dir.write("out/EE.edges.csv", "old\n");
             dir.write("out/EE.nodes.csv", "old\n");
             fs::create_directory(dir / "out/EE.graphml");
         },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_NE(run.out.find("\n\n Cannot replace out/EE.graphml: Is a directory. \n\n"), std::string::npos)
                 << run.out;
             EXPECT_EQ(contents(dir, "out/EE.edges.csv") + contents(dir, "out/EE.nodes.csv"), "old\nold\n");
         }},
        {"table holding only its header, without a line end",
         example_args({"--learners", "IAMB2", "--table", "t.csv"}),
         {},
         [](const temp_dir& dir) {
             dir.write("t.csv",
                       "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,"
                       "tests,learned_edges,var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2");
         },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 0) << run.out;
             EXPECT_EQ(lines_with_fields(contents(dir, "t.csv"), 19), 2u) << contents(dir, "t.csv");
         }},
        {"file-size limit part-way through a table row", example_args({"--learners", "IAMB2", "--table", "t.csv"}),
         child_conditions{.file_size_limit = 230},
         [](const temp_dir& dir) { dir.write("t.csv", std::string(199, 'h') + "\n"); },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_NE(run.out.find("\n\n Cannot write to t.csv: File too large. \n\n"), std::string::npos) << run.out;
             EXPECT_EQ(contents(dir, "t.csv"), std::string(199, 'h') + "\n");
         }},
        {"file-size limit (ulimit -f) part-way through a run's export files",
         small_args({"--learners", "EE", "--export", "out"}),
         child_conditions{.file_size_limit = 100, .file_size_signal = true},
         [](const temp_dir& dir) {
             make_dirs(dir);
             dir.write("out/EE.edges.csv", "old\n");
             dir.write("out/EE.dot", "old\n");
         },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_NE(run.out.find("Cannot write out/EE."), std::string::npos) << run.out;
             EXPECT_NE(run.out.find(": File too large. \n\n"), std::string::npos) << run.out;
             // The earlier set stays whole: none of the new files came in beside it.
             EXPECT_EQ(contents(dir, "out/EE.edges.csv") + contents(dir, "out/EE.dot"), "old\nold\n");
         }},
        {"standard output closed before the first byte",
         example_args({"--learners", "IAMB2", "--table", "t.csv", "--export", "out"}),
         child_conditions{.stdout_bytes = 0}, nullptr,
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_EQ(run.err, "\n\n Cannot write to standard output: Broken pipe. \n\n");
             EXPECT_FALSE(dir.exists("res.txt"));
             EXPECT_FALSE(dir.exists("t.csv"));  // no row was written, so no table either
         }},
        {"standard output closed after the banner", example_args({"--table", "t.csv", "--export", "out"}),
         child_conditions{.stdout_bytes = static_cast<long>(banner.size())}, nullptr,
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_NE(run.err.find("Cannot write to standard output: Broken pipe."), std::string::npos) << run.err;
             // Every run that reached res.txt has its row and its files, though the console never showed it.
             const std::string log = contents(dir, "res.txt");
             const int logged = test::count_occurrences(log, " EE:") + test::count_occurrences(log, " IAMB2:") +
                                test::count_occurrences(log, " IAMB1:");
             EXPECT_GE(logged, 1);
             EXPECT_EQ(lines_with_fields(contents(dir, "t.csv"), 25), static_cast<std::size_t>(logged + 1));
             EXPECT_EQ(dir.exists("out/EE.dot") + dir.exists("out/IAMB2.dot") + dir.exists("out/IAMB1.dot"), logged);
         }},
        {"res.txt that cannot be opened, and a data file that does not exist",
         {"--table", "t.csv", "missing.txt", "1000", "30", "1", "0.05", "0"},
         {},
         [](const temp_dir& dir) { fs::create_directory(dir / "res.txt"); },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_EQ(run.out, "\n\n Cannot open res.txt for appending: Is a directory. \n\n");
             EXPECT_FALSE(dir.exists("t.csv"));
         }},
        {"a local target naming no variable: no row, no table",
         example_args({"--table", "t.csv"}, {"X99", "1"}),
         {},
         nullptr,
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 0);
             EXPECT_FALSE(dir.exists("t.csv"));
         }},
        {"thread stacks too large for a second thread to start",
         example_args({"--threads", "2", "--learners", "IAMB2", "--table", "t.csv"}),
         child_conditions{.stack_limit = rlim_t{100} << 30}, nullptr,
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 0);
             EXPECT_NE(run.err.find("only 1 of 2 threads could be started"), std::string::npos) << run.err;
             EXPECT_NE(contents(dir, "t.csv").find(",IAMB2,,,1,"), std::string::npos) << contents(dir, "t.csv");
         }},
        {"export directory given as a link to nothing",
         example_args({"--export", "out"}),
         {},
         [](const temp_dir& dir) { fs::create_symlink("gone/away", dir / "out"); },
         [](const temp_dir& dir, const program_result& run) {
             EXPECT_EQ(run.exit_status, 1);
             EXPECT_EQ(run.out,
                       "\n\n Cannot create export directory out: it is a symbolic link to gone/away, which does not "
                       "exist. \n\n");
             EXPECT_FALSE(dir.exists("res.txt"));
         }},
    };  // namespace gaussnet
}

// A table that cannot hold the rows is refused before the banner, never waited on.
hostile_case refused_table(const char* name, const std::string& table, std::function<void(const temp_dir&)> plant,
                           const std::string& why) {
    return {name, example_args({"--learners", "IAMB2", "--table", table}),
            child_conditions{.time_limit = std::chrono::seconds(30)}, std::move(plant),
            [table, why](const temp_dir& dir, const program_result& run) {
                EXPECT_EQ(run.exit_status, 1);
                EXPECT_EQ(run.out, "\n\n Cannot use " + table + " as the results table: " + why + ". \n\n");
                EXPECT_FALSE(dir.exists("res.txt"));
            }};
}

std::vector<hostile_case> refused_table_cases() {
    return {
        refused_table(
            "results table given as a FIFO", "t.csv",
            [](const temp_dir& dir) { ::mkfifo((dir / "t.csv").c_str(), 0666); }, "it is not a regular file"),
        refused_table("results table given as standard output, a pipe", "/dev/stdout", nullptr,
                      "it is not a regular file"),
        refused_table(
            "results table given as a link to nothing", "t.csv",
            [](const temp_dir& dir) { fs::create_symlink("gone/x", dir / "t.csv"); },
            "it is a symbolic link to gone/x, which does not exist"),
    };
}

bool pid_namespaces_available() {
    temp_dir dir;
    return test::run_program_under("/bin/true", {}, dir.path(), child_conditions{.own_pid_namespace = true})
               .exit_status == 0;
}

TEST(HostileConditions, NothingOverwrittenHalfWrittenOrGluedAndEveryFailureReported) {
    const bool namespaces = pid_namespaces_available();
    std::vector<hostile_case> cases = hostile_cases();
    for (hostile_case& c : refused_table_cases()) cases.push_back(std::move(c));
    for (const hostile_case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.conditions.own_pid_namespace && !namespaces) {
            std::printf("skipped (no PID namespaces here): %s\n", c.name);
            continue;
        }
        temp_dir dir;
        copy_example_files(dir);
        if (c.plant) c.plant(dir);
        const program_result run = test::run_program_under(GAUSSNET_BIN, c.args, dir.path(), c.conditions);
        EXPECT_EQ(run.signal, 0);
        EXPECT_FALSE(run.timed_out);
        EXPECT_EQ(temp_files_left(dir / "out"), c.temp_files_kept);
        c.check(dir, run);
    }
}

// A kill between the renames of one run's files (strace injects it at the
// second rename) leaves some new files and the rest under hidden names, but
// no earlier file of the run beside the new ones.
TEST(HostileConditions, KillBetweenRenamesLeavesNoMixedSet) {
    const char* strace = "/usr/bin/strace";
    if (!fs::exists(strace)) GTEST_SKIP() << "strace is not installed";
    temp_dir dir;
    copy_example_files(dir);
    make_dirs(dir);
    for (const char* name : {"IAMB2.edges.csv", "IAMB2.blankets.csv", "IAMB2.dot"})
        dir.write("out/" + std::string(name), "old\n");
    std::vector<std::string> args = {
        "-f", "-o", "/dev/null", "-e", "inject=rename,renameat,renameat2:signal=KILL:when=2", GAUSSNET_BIN};
    for (const std::string& word : example_args({"--learners", "IAMB2", "--export", "out"})) args.push_back(word);
    const program_result run = test::run_program(strace, args, dir);
    if (run.err.find("ptrace") != std::string::npos) GTEST_SKIP() << "no ptrace here: " << run.err;
    EXPECT_NE(run.exit_status, 0);
    EXPECT_EQ(
        contents(dir, "out/IAMB2.edges.csv").rfind("source,target,status,separated,partial_correlation,p_value\n", 0),
        0u);
    // Every earlier file of the run is gone, renamed over or removed.
    for (const auto& entry : fs::directory_iterator(dir / "out"))
        EXPECT_NE(test::read_file(entry.path()), "old\n") << entry.path();
    EXPECT_GE(temp_files_left(dir / "out"), 1);
}

}  // namespace
}  // namespace gaussnet
