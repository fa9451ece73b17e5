// --forbid and --require through the program: a bad list ends it before
// anything is learned or logged; empty lists change no byte of any output;
// with a required pair the export says which edges were required.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/example_data.h"
#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::example_args;
using test::program_result;
using test::run_program;
using test::temp_dir;

struct bad_list_case {
    const char* what;
    std::string forbid, require;  // the files' contents; not written when empty
    std::vector<std::string> args;
    std::string message;
};

std::vector<std::string> with_lists(std::vector<std::string> options, const std::string& n_cases = "1000") {
    std::vector<std::string> words = example_args(std::move(options));
    words[words.size() - 5] = n_cases;
    return words;
}

TEST(KnownPairsInput, BadListsEndTheProgramBeforeAnythingIsWritten) {
    const std::vector<std::string> both = {"--forbid", "forbid.csv", "--require", "require.csv"};
    const std::vector<bad_list_case> cases = {
        {"unknown name",
         "X1,X2\nX1,X99\n",
         "",
         {"--forbid", "forbid.csv"},
         "--forbid file forbid.csv, line 2: no variable named \"X99\"."},
        {"one variable twice",
         "",
         "# known\nX1,X2\n\"X4\", X4\n",
         {"--require", "require.csv"},
         "--require file require.csv, line 3: variable \"X4\" is paired with itself."},
        {"three names",
         "X1,X2,X3\n",
         "",
         {"--forbid", "forbid.csv"},
         "--forbid file forbid.csv, line 1: 3 names, 2 expected (a pair of variables)."},
        {"forbidden and required", "X1,X2\n", "source,target\nX5,X6\nX2,X1\n", both,
         "The pair X2, X1 is both forbidden (--forbid file forbid.csv, line 1) and required (--require file "
         "require.csv, line 3)."},
        {"unreadable file",
         "",
         "",
         {"--forbid", "missing.csv"},
         "Cannot open --forbid file missing.csv: No such file or directory."},
    };
    for (const bad_list_case& c : cases) {
        SCOPED_TRACE(c.what);
        temp_dir dir;
        test::copy_example(dir);
        if (!c.forbid.empty()) dir.write("forbid.csv", c.forbid);
        if (!c.require.empty()) dir.write("require.csv", c.require);
        std::vector<std::string> options = c.args;
        options.insert(options.end(), {"--export", "out"});
        const program_result result = run_program(GAUSSNET_BIN, example_args(options), dir);
        EXPECT_EQ(result.exit_status, 1) << result.err;
        EXPECT_EQ(result.out, "\n\n " + c.message + " \n\n");
        EXPECT_FALSE(dir.exists("res.txt"));
        EXPECT_TRUE(fs::is_empty(dir / "out"));
    }
}

// A blanket of more required partners than the cases can test: the error names the variable.
TEST(KnownPairsInput, TooManyRequiredPartnersNameTheVariable) {
    temp_dir dir;
    test::copy_example(dir);
    dir.write("require.csv", "X7,X1\nX7,X2\nX3,X7\n");
    const program_result result = run_program(GAUSSNET_BIN, with_lists({"--require", "require.csv"}, "6"), dir);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out.rfind("\n\n Variable X7 has 3 required neighbours, too many for 6 cases:", 0), 0u)
        << result.out;
    EXPECT_FALSE(dir.exists("res.txt"));
}

std::string every_output(const temp_dir& dir, const program_result& result) {
    static const std::regex table_seconds("^((?:[^,]*,){10})[0-9]+\\.[0-9]+,", std::regex::multiline);
    std::string all = test::mask_seconds(result.out) + test::mask_seconds(dir.read("res.txt")) +
                      std::regex_replace(dir.read("runs.csv"), table_seconds, "$1S,");
    for (const auto& entry : fs::directory_iterator(dir / "out"))
        all += entry.path().filename().string() + "\n" + test::read_file(entry.path());
    return all;
}

TEST(KnownPairsOutput, EmptyListsChangeNoByteAndRequiredEdgesAreMarked) {
    const std::vector<std::string> outputs = {"--export", "out", "--table", "runs.csv", "--bootstrap", "2"};
    std::vector<std::string> empty = {"--forbid", "empty.csv", "--require", "header.csv"};
    empty.insert(empty.end(), outputs.begin(), outputs.end());
    for (const std::vector<std::string>& tail : {std::vector<std::string>{}, std::vector<std::string>{"X5", "2"}}) {
        temp_dir plain, listed;
        for (const temp_dir* dir : {&plain, &listed}) test::copy_example(*dir);
        listed.write("empty.csv", "");
        listed.write("header.csv", "source,target\n# nothing known\n\n");
        const program_result a = run_program(GAUSSNET_BIN, example_args(outputs, tail), plain);
        const program_result b = run_program(GAUSSNET_BIN, example_args(empty, tail), listed);
        EXPECT_EQ(b.exit_status, a.exit_status);
        EXPECT_EQ(every_output(listed, b), every_output(plain, a));
    }

    temp_dir dir;
    test::copy_example(dir);
    dir.write("require.csv", "X10,X1\n");
    const program_result result =
        run_program(GAUSSNET_BIN, example_args({"--require", "require.csv", "--export", "out"}), dir);
    ASSERT_EQ(result.exit_status, 0) << result.out;
    for (const char* run : {"EE", "IAMB2", "IAMB1"}) {
        const std::string edges = dir.read("out/" + std::string(run) + ".edges.csv");
        EXPECT_EQ(edges.rfind("source,target,status,separated,partial_correlation,p_value,required\n", 0), 0u);
        EXPECT_NE(edges.find("\nX1,X10,fp,"), std::string::npos) << run;
        EXPECT_EQ(test::count_occurrences(edges, ",1\n"), 1) << edges;
        EXPECT_NE(dir.read("out/" + std::string(run) + ".graphml").find("<data key=\"required\">true</data>"),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace gaussnet
