// Files as other programs write them, which used to read wrongly without a
// word: pandas' unquoted names with blanks, decimal commas, a row index left
// in as the first column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/index_column.h"
#include "input/read_input.h"
#include "input_helpers.h"

namespace gaussnet {
namespace {

using test::data_state;
using test::fatal_text;
using test::temp_dir;

struct reading {
    std::string message;  // the fatal error's text, "" when the file was read
    std::vector<std::string> names;
    std::vector<float> cells;
    std::string warnings;  // all of them, one per line
};

reading read_with(const std::string& content, int n_cases, int n_vars, reading_options options) {
    temp_dir dir;
    dir.write("data.txt", content);
    run_state state = data_state(dir, n_cases, n_vars);
    state.reading = options;
    reading result;
    result.message = fatal_text([&] { read_data_file(state); });
    result.names = state.var_names;
    const float* first = state.data_matrix.data();
    result.cells.assign(first, first + state.data_matrix.rows() * state.data_matrix.cols());
    for (const std::string& line : state.warnings) result.warnings += line + "\n";
    return result;
}

bool holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

constexpr reading_options plain{};
constexpr reading_options row_names{false, true, false};
constexpr reading_options decimal_comma{false, false, true};

TEST(ForeignFiles, NamesAndValuesAsTheWriterMeantThem) {
    struct file_case {
        const char* what;
        std::string content;
        int n_vars;
        reading_options options;
        std::vector<std::string> names;
        std::vector<float> cells;
        const char* warning;  // a part of the warnings, "" for none at all
    };
    const std::vector<file_case> cases = {
        {"pandas names with blanks",
         "raf kinase,mek,erk\n1,2,3\n4,5,6\n",
         3,
         plain,
         {"raf kinase", "mek", "erk"},
         {1, 2, 3, 4, 5, 6},
         "read at the commas"},
        {"the same after a row index",
         ",raf kinase,mek\n0,1,2\n1,4,5\n",
         2,
         row_names,
         {"raf kinase", "mek"},
         {1, 2, 4, 5},
         "read at the commas"},
        {"a tab inside is no pandas name: no tab reaches a name",
         "raf\tkinase,mek,erk\n1,2,3\n4,5,6\n",
         3,
         plain,
         {"raf", "kinase", "mek"},
         {1, 2, 3, 4, 5, 6},
         "the first 3 were taken"},
        {"blanks around commas read as today",
         "a , b,c\n1,2,3\n4,5,6\n",
         3,
         plain,
         {"a", "b", "c"},
         {1, 2, 3, 4, 5, 6},
         ""},
        {"blank-separated names read as today",
         "a b c\n1 2 3\n4 5 6\n",
         3,
         plain,
         {"a", "b", "c"},
         {1, 2, 3, 4, 5, 6},
         ""},
        {"more names than n_vars: no row-name hint",
         "a b c d e\n1 2\n3 4\n",
         2,
         plain,
         {"a", "b"},
         {1, 2, 3, 4},
         "the first 2 were taken. Check n_vars."},
        {"one name too many: the row-name hint",
         "id a b\n1 2\n3 4\n",
         2,
         plain,
         {"id", "a"},
         {1, 2, 3, 4},
         "use --row-names"},
        {"decimal commas, tab-separated",
         "a\tb\n3,5946\t-2,5\n1,0\t2,25e1\n",
         2,
         decimal_comma,
         {"a", "b"},
         {3.5946f, -2.5f, 1, 22.5f},
         ""},
        {"decimal commas, R's write.csv2",
         "\"\";\"a\";\"b\"\n\"1\";3,5;2\n\"2\";1;0,5\n",
         2,
         reading_options{false, true, true},
         {"a", "b"},
         {3.5f, 2, 1, 0.5f},
         ""},
        {"a pandas index named index",
         "index,a,b\n0,1.5,2\n1,3,4\n2,5,6\n",
         3,
         plain,
         {"index", "a", "b"},
         {0, 1.5f, 2, 1, 3, 4, 2, 5, 6},
         "first column \"index\" holds the case numbers 0 to 2"},
        {"R's X from 1", "X,a\n1,7\n2,8\n", 2, plain, {"X", "a"}, {1, 7, 2, 8}, "holds the case numbers 1 to 2"},
        {"a variable named X that counts otherwise", "X,a\n1,7\n3,8\n", 2, plain, {"X", "a"}, {1, 7, 3, 8}, ""},
    };
    for (const file_case& c : cases) {
        const reading r = read_with(c.content, static_cast<int>(c.cells.size()) / c.n_vars, c.n_vars, c.options);
        EXPECT_EQ(r.message, "") << c.what;
        EXPECT_EQ(r.names, c.names) << c.what;
        EXPECT_EQ(r.cells, c.cells) << c.what;
        if (*c.warning == '\0') {
            EXPECT_EQ(r.warnings, "") << c.what;
        } else {
            EXPECT_TRUE(holds(r.warnings, c.warning)) << c.what << ":\n" << r.warnings;
        }
    }
}

TEST(ForeignFiles, MisreadingFilesStopWithTheFix) {
    struct bad_case {
        const char* what;
        std::string content;
        int n_cases, n_vars;
        reading_options options;
        const char* message;     // a part of the fatal error's text
        const char* not_hinted;  // a hint that must not be given
    };
    const std::vector<bad_case> cases = {
        {"decimal commas read as two numbers each", "a\tb\tc\n3,5946\t2,1\t0,5\n1,2\t3,4\t5,6\n", 2, 3, plain,
         "decimal commas (\"3,5946\" on line 2)", "--row-names"},
        {"decimal commas between blanks", "a b\n1 -0,25\n", 1, 2, plain, "decimal commas (\"-0,25\"", ""},
        {"--decimal-comma and a field that is no number", "a;b\n1,5;x\n", 1, 2, decimal_comma,
         "case 1, variable b: not a number (x)", ""},
        {"--decimal-comma and a missing field", "a;b\n1,5;;2\n", 1, 2, decimal_comma, "variable b: not a number", ""},
    };
    for (const bad_case& c : cases) {
        const reading r = read_with(c.content, c.n_cases, c.n_vars, c.options);
        EXPECT_TRUE(holds(r.message, c.message)) << c.what << ": " << r.message;
        if (*c.not_hinted != '\0') {
            EXPECT_FALSE(holds(r.warnings, c.not_hinted)) << c.what;
        }
    }
    // Commas between values without blanks stay CSV.
    EXPECT_EQ(read_with("a,b\n1,2\n3,4\n", 2, 2, plain).message, "");
}

TEST(ForeignFiles, IndexColumnRule) {
    const auto column = [](std::vector<float> values) {
        return FloatMatrix(static_cast<std::int64_t>(values.size()), 1, std::move(values));
    };
    EXPECT_EQ(index_column_start("Unnamed: 0", column({0, 1, 2}), 0), 0);
    EXPECT_EQ(index_column_start("", column({1, 2, 3}), 0), 1);
    EXPECT_EQ(index_column_start("index", column({1, 2, 4}), 0), -1);
    EXPECT_EQ(index_column_start("gene", column({0, 1, 2}), 0), -1);
    EXPECT_EQ(index_column_start("X", column({1}), 0), -1);  // one case says nothing
}

}  // namespace
}  // namespace gaussnet
