// Missing values (NA, NaN in any case, an empty field): an error by default,
// or with complete cases the file read as if those cases were not in it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/read_input.h"
#include "input_helpers.h"

namespace gaussnet {
namespace {

using test::data_state;
using test::temp_dir;

struct read_outcome {
    std::string message;     // the fatal error's text, "" on success
    std::string diagnostic;  // its line for standard error
    run_state state;
};

read_outcome read_text(const std::string& content, int n_cases, bool complete_cases) {
    temp_dir dir;
    dir.write("data.txt", content);
    read_outcome outcome{"", "", data_state(dir, n_cases, 3)};
    outcome.state.reading.complete_cases = complete_cases;
    try {
        read_data_file(outcome.state);
    } catch (const fatal_error& error) {
        outcome.message = error.what();
        outcome.diagnostic = error.diagnostic();
    }
    return outcome;
}

TEST(MissingValues, CompleteCasesReadAsAFileWithoutTheOthers) {
    const std::string header = "a,b,c\n";
    const std::string kept = "1,2,3\n4,5,6\n7,8,9\n";
    const read_outcome whole = read_text(header + kept, 3, false);
    ASSERT_EQ(whole.message, "");
    struct spelling {
        const char* with_missing;  // kept's cases with others among them
        int left_out;
    };
    const spelling spellings[] = {
        {"1,2,3\nNA,0,0\n4,5,6\n7,8,9\n", 1},
        {"0,nan,0\n1,2,3\n4,5,6\n0,0,NaN\n7,8,9\n", 2},
        {"1,2,3\n0,,0\n4,5,6\n,0,0\n7,8,9\n0,0,\n", 3},
        {"1 2 3\nNAN 0 0\n4 5 6\n7 8 9\n", 1},
        {"1,2,3\n4,5,6\n7,8,9\n", 0},
    };
    for (const spelling& s : spellings) {
        int n_cases = 0;
        for (const char* c = s.with_missing; *c; ++c) n_cases += *c == '\n';
        const read_outcome read = read_text(header + s.with_missing, n_cases, true);
        EXPECT_EQ(read.message, "") << s.with_missing;
        EXPECT_EQ(read.state.n_cases, 3) << s.with_missing;
        EXPECT_EQ(read.state.data_matrix, whole.state.data_matrix) << s.with_missing;
        const std::size_t warnings = s.left_out > 0 ? 1 : 0;
        ASSERT_EQ(read.state.warnings.size(), warnings) << s.with_missing;
        if (warnings > 0) {
            EXPECT_NE(read.state.warnings[0].find(std::to_string(s.left_out) + " cases hold a missing value"),
                      std::string::npos);
        }
    }
}

TEST(MissingValues, ErrorsNameTheCaseTheVariableAndWhatToDo) {
    struct error_case {
        const char* values;
        int n_cases;
        bool complete_cases;
        const char* message_end;
        bool suggests_complete;
    };
    const error_case cases[] = {
        {"1,2,3\n4,NA,6\n", 2, false, ": case 2, variable b: not a number (NA).", true},
        {"1,2,3\n4,5,nan\n", 2, false, ": case 2, variable c: not a number (nan).", true},
        {"1,,3\n4,5,6\n", 2, false, ": case 1, variable b: not a number (empty field).", true},
        {"1,2,3\n4,5,x\n", 2, true, ": case 2, variable c: not a number (x).", false},
        {"1,2,3\n4,5,6\nNA,1,1\n7,8,9\n", 4, false, ": case 3, variable a: not a number (NA).", true},
        {"1,2,3\n4,5,6\nNA,1,1\n7,8,\n", 4, true,
         ": 2 of 4 cases hold a missing value; 2 complete cases remain, fewer than 3.", false},
    };
    for (const error_case& c : cases) {
        const read_outcome read = read_text(std::string("a,b,c\n") + c.values, c.n_cases, c.complete_cases);
        const std::string expected = "Data file " + read.state.data_file + c.message_end;
        EXPECT_EQ(read.message, expected) << c.values;
        EXPECT_EQ(read.diagnostic.find("--missing complete") != std::string::npos, c.suggests_complete) << c.values;
    }
}

}  // namespace
}  // namespace gaussnet
