// Every case under tests/e2e/cases: the real program, run in a scratch
// directory with 1, 2 and 3 threads, must print exactly the expected console
// text, leave exactly the expected "res.txt" and exit with the expected status.
// The expected files come from an independent implementation (tools/reference).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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

const fs::path cases_root = fs::path(GAUSSNET_SOURCE_DIR) / "tests" / "e2e" / "cases";

std::vector<std::string> split_blanks(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::vector<std::string> case_names() { return test::folder_names(cases_root); }

struct golden_run {
    std::string name;
    int threads;
};

class GoldenCase : public ::testing::TestWithParam<golden_run> {};

TEST_P(GoldenCase, ConsoleLogAndStatusAsExpected) {
    const fs::path dir = cases_root / GetParam().name;
    temp_dir scratch;
    for (const char* input : {"data.txt", "net.txt"})
        if (fs::exists(dir / input)) scratch.write(input, read_file(dir / input));
    if (fs::exists(dir / "res.before")) scratch.write("res.txt", read_file(dir / "res.before"));

    std::vector<std::string> args = {"--threads", std::to_string(GetParam().threads)};
    for (const std::string& word : split_blanks(read_file(dir / "args"))) args.push_back(word);
    const program_result result = run_program(GAUSSNET_BIN, args, scratch);

    const int expected_status = fs::exists(dir / "status") ? std::stoi(read_file(dir / "status")) : 0;
    EXPECT_EQ(result.exit_status, expected_status) << result.err;
    EXPECT_EQ(mask_seconds(result.out), read_file(dir / "stdout"));
    if (fs::exists(dir / "res.txt")) {
        ASSERT_TRUE(scratch.exists("res.txt"));
        EXPECT_EQ(mask_seconds(scratch.read("res.txt")), read_file(dir / "res.txt"));
    } else {
        EXPECT_FALSE(scratch.exists("res.txt"));
    }
}

std::vector<golden_run> golden_runs() {
    std::vector<golden_run> runs;
    for (const std::string& name : case_names())
        for (int threads : {1, 2, 3}) runs.push_back({name, threads});
    return runs;
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenCase);
INSTANTIATE_TEST_SUITE_P(Cases, GoldenCase, ::testing::ValuesIn(golden_runs()),
                         [](const ::testing::TestParamInfo<golden_run>& info) {
                             return info.param.name + "_threads" + std::to_string(info.param.threads);
                         });

TEST(GoldenCases, AreThere) { EXPECT_GE(case_names().size(), 10u); }

}  // namespace
}  // namespace gaussnet
