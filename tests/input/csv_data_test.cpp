// Data files written as CSV (R's write.csv, pandas' to_csv, spreadsheets):
// values separated by commas with optional blanks, names in quotes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "input/read_input.h"
#include "input_helpers.h"

namespace gaussnet {
namespace {

using test::data_state;
using test::fatal_text;
using test::temp_dir;

struct read_result {
    std::string message;  // "" on success, else the fatal error's text after "Data file <path>"
    std::vector<std::string> names;
    std::vector<float> cells;
};

read_result read_content(const std::string& content, int n_cases, int n_vars) {
    temp_dir dir;
    dir.write("data.txt", content);
    run_state state = data_state(dir, n_cases, n_vars);
    read_result result;
    result.message = fatal_text([&] { read_data_file(state); });
    const std::string prefix = "Data file " + state.data_file;
    if (result.message.rfind(prefix, 0) == 0) result.message.erase(0, prefix.size());
    result.names = state.var_names;
    const float* first = state.data_matrix.data();
    result.cells.assign(first, first + state.data_matrix.rows() * state.data_matrix.cols());
    return result;
}

TEST(CsvData, CommaSeparatedValuesReadAsBlankSeparatedOnes) {
    const std::vector<float> expected{1, 2.5f, -3, 4e-3f, 5, 6};
    const char* const values[] = {
        "1 2.5 -3\n4e-3 5 6\n",       // the blank-separated original
        "1,2.5,-3\n4e-3,5,6\n",       // pandas, R
        "1, 2.5, -3\n4e-3 ,5 , 6\n",  // blanks around the commas
        "1,2.5,-3\r\n4e-3,5,6\r\n",   // CR LF line ends
        "1\t,\t2.5,-3\n4e-3,5,6",     // tabs, no final line end
        "1,2.5,-3,4e-3,5,6\n",        // cases need not follow lines
        "1 2.5,-3\n4e-3,5 6\n",       // commas and blanks mixed
        "1,2.5,-3\n4e-3,5,6,\n",      // after the last value needed nothing is read
        "1,2.5,-3\n4e-3,5,6,,NA,x\n",
    };
    for (const char* v : values) {
        const read_result r = read_content(std::string("\"a\",\"b\",\"c\"\n") + v, 2, 3);
        EXPECT_EQ(r.message, "") << v;
        EXPECT_EQ(r.names, (std::vector<std::string>{"a", "b", "c"})) << v;
        EXPECT_EQ(r.cells, expected) << v;
    }
}

TEST(CsvData, EmptyFieldsAndMissingValuesNameTheCaseAndVariable) {
    struct error_case {
        const char* values;
        const char* message;
    };
    const error_case cases[] = {
        {"1,,3\n4,5,6\n", ": case 1, variable b: not a number (empty field)."},
        {"1,2,3,\n4,5,6\n", ": case 2, variable a: not a number (empty field)."},
        {",1,2\n3,4,5\n", ": case 1, variable a: not a number (empty field)."},
        {"1,2,3\n,4,5\n", ": case 2, variable a: not a number (empty field)."},
        {"1,2, \n3,4,5\n", ": case 1, variable c: not a number (empty field)."},
        {"1,2,3\n4,5,", ": case 2, variable c: not a number (empty field)."},
        {"1,2,3\n4 , , 6\n", ": case 2, variable b: not a number (empty field)."},
        {"1,2,NA\n4,5,6\n", ": case 1, variable c: not a number (NA)."},
        {"1,2,\"3\"\n4,5,6\n", ": case 1, variable c: not a number (\"3\")."},
        {"1,2,3\n4,5\n", ": 5 values, fewer than n_cases x n_vars (6)."},
        {"1,2,3\n4,5;6\n", ": case 2, variable b: not a number (5;6)."},
        {"1,2,3\n4,\x01\xff,6\n", ": case 2, variable b: not a number (\\x01\\xFF)."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(read_content(std::string("a,b,c\n") + c.values, 2, 3).message, c.message) << c.values;
    }
}

// A stated number of cases that the file cannot hold is reported at once,
// without first making room for it.
TEST(CsvData, CountBeyondTheFileIsReportedWithoutAllocating) {
    EXPECT_EQ(read_content("a b\n1 2\n3 4\n", 400'000'000, 2).message,
              ": 4 values, fewer than n_cases x n_vars (800000000).");
    EXPECT_EQ(read_content("a b\n1 2\n3 x\n", 2'000'000'000, 2).message, ": case 2, variable b: not a number (x).");
    // The smallest file that holds the values: one digit each, one separator between.
    const read_result tight = read_content("a b\n1 2\n3 4", 2, 2);
    EXPECT_EQ(tight.message, "");
    EXPECT_EQ(tight.cells, (std::vector<float>{1, 2, 3, 4}));
}

// A pipe has no size: storage grows as the values arrive.
TEST(CsvData, ValuesFromAPipe) {
    temp_dir dir;
    const std::string fifo = (dir / "data.txt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string content = "x,y\n";
    std::vector<float> expected;
    for (int k = 0; k < 200'000; ++k) {
        content += std::to_string(k % 1000) + (k % 2 == 0 ? "," : "\n");
        expected.push_back(static_cast<float>(k % 1000));
    }
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << content; });
    run_state state = data_state(dir, 100'000, 2);
    const std::string message = fatal_text([&] { read_data_file(state); });
    writer.join();
    EXPECT_EQ(message, "");
    const float* first = state.data_matrix.data();
    EXPECT_EQ(std::vector<float>(first, first + 200'000), expected);
}

}  // namespace
}  // namespace gaussnet
