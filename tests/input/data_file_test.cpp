#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "input/read_input.h"
#include "input_helpers.h"

namespace gaussnet {
namespace {

using test::data_state;
using test::fatal_text;
using test::temp_dir;

// Reads content as the data file with the given sizes; returns the message
// of the fatal error it ends with, or "" on success.
std::string read_content(const std::string& content, int n_cases, int n_vars, run_state* out = nullptr) {
    temp_dir dir;
    dir.write("data.txt", content);
    run_state state = data_state(dir, n_cases, n_vars);
    const std::string message = fatal_text([&] { read_data_file(state); });
    if (out != nullptr) *out = std::move(state);
    return message;
}

std::vector<float> cells(const run_state& state) {
    const float* first = state.data_matrix.data();
    return std::vector<float>(first, first + state.data_matrix.rows() * state.data_matrix.cols());
}

// --- header line length -------------------------------------------------

struct header_length_case {
    std::size_t length;  // characters before the line end
    const char* line_end;
    bool accepted;
};

TEST(DataFileHeader, LineLengthLimit) {
    const header_length_case cases[] = {
        {99'997, "\n", true},    {99'998, "\n", false},  {99'997, "\r\n", true},
        {99'998, "\r\n", false}, {150'000, "\n", false}, {10, "\n", true},
    };
    for (const auto& c : cases) {
        // One short name, then blanks up to the length: every name stays legal.
        const std::string header = "a" + std::string(c.length - 1, ' ') + c.line_end;
        run_state state;
        const std::string message = read_content(header + "1.5\n", 1, 1, &state);
        SCOPED_TRACE(c.length);
        if (c.accepted) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(state.var_names, std::vector<std::string>{"a"});
            EXPECT_EQ(cells(state), std::vector<float>{1.5f});
        } else {
            EXPECT_EQ(message, "Exceeding MAX_LINE_LENGTH.");
        }
    }
}

TEST(DataFileHeader, LineLengthIsTestedWithoutCases) {
    EXPECT_EQ(read_content("a" + std::string(99'997, ' ') + "\n", 0, 1), "Exceeding MAX_LINE_LENGTH.");
}

// --- names ---------------------------------------------------------------

TEST(DataFileHeader, NameLengthLimit) {
    run_state state;
    const std::string name99(99, 'n');
    EXPECT_EQ(read_content("a " + name99 + "\n1 2\n", 1, 2, &state), "");
    EXPECT_EQ(state.var_names.at(1), name99);

    EXPECT_EQ(read_content("a " + std::string(100, 'n') + "\n1 2\n", 1, 2), "Exceeding MAX_STATE_LENGTH.");
    // Names beyond the first n_vars are never looked at.
    EXPECT_EQ(read_content("a " + std::string(100, 'n') + "\n1\n", 1, 1), "");
}

TEST(DataFileHeader, TooLongNameIsReportedBeforeMissingNames) {
    EXPECT_EQ(read_content(std::string(100, 'n') + "\n", 0, 3), "Exceeding MAX_STATE_LENGTH.");
}

TEST(DataFileHeader, DelimitersGiveTheSameNames) {
    const std::vector<std::string> expected{"a", "b", "c"};
    for (const char* header : {"a b c\n", "a, b, c\n", "a\tb\tc\n", ",a,,b c\n", "a b c\r\n", "  a b c  \n",
                               "a b c d e\n", "a\rb,\t c,\r\n", "a b c"}) {
        run_state state;
        EXPECT_EQ(read_content(header, 0, 3, &state), "") << header;
        EXPECT_EQ(state.var_names, expected) << header;
    }
}

// A quoted name is taken whole, separators inside included (RFC 4180); a
// quote that encloses no whole name is an ordinary character.
TEST(DataFileHeader, NamesAreTakenVerbatimButForEnclosingQuotes) {
    run_state state;
    EXPECT_EQ(read_content("\"Raf\" p-38;x \xc3\xa9t\xc3\xa9 \"a\"\"b\" \"\" \"c d\",\"x,1\" \"u\"v w\" \"z\n", 0, 10,
                           &state),
              "");
    EXPECT_EQ(state.var_names, (std::vector<std::string>{"Raf", "p-38;x", "\xc3\xa9t\xc3\xa9", "a\"b", "", "c d", "x,1",
                                                         "\"u\"v", "w\"", "\"z"}));
}

TEST(DataFileHeader, QuotedNameLimitCountsTheNameWithoutQuotes) {
    run_state state;
    const std::string name99(99, 'n');
    EXPECT_EQ(read_content("\"" + name99 + "\"\n1\n", 1, 1, &state), "");
    EXPECT_EQ(state.var_names.at(0), name99);
    EXPECT_EQ(read_content("\"" + name99 + "n\"\n1\n", 1, 1), "Exceeding MAX_STATE_LENGTH.");
}

TEST(DataFileHeader, ByteOrderMarkIsSkipped) {
    run_state state;
    EXPECT_EQ(read_content("\xEF\xBB\xBF\"a\",b\r\n1,2\r\n", 1, 2, &state), "");
    EXPECT_EQ(state.var_names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(cells(state), (std::vector<float>{1, 2}));
    // Only at the start of the file.
    EXPECT_EQ(read_content("a \xEF\xBB\xBF\n1 2\n", 1, 2, &state), "");
    EXPECT_EQ(state.var_names.at(1), "\xEF\xBB\xBF");
}

TEST(DataFileHeader, OnlyTheFirstLineIsHeader) {
    temp_dir dir;
    dir.write("data.txt", "a b\nc 1 2\n");
    run_state state = data_state(dir, 0, 3);
    EXPECT_EQ(fatal_text([&] { read_data_file(state); }),
              "Data file " + state.data_file + ": the header has 2 names, fewer than n_vars (3).");
}

// --- values --------------------------------------------------------------

TEST(DataFileValues, LayoutOverLinesDoesNotMatter) {
    const std::vector<float> expected{1, 2, 3, 4, 5, 6};
    for (const char* values : {"1 2 3 4 5 6\n", "1 2 3\n4 5 6\n", "1\n2\n3\n\n4\t5\r\n6", "  1 2\n3 4\n5 6",
                               "1 2 3 4 5 6 7 8 junk ,,, NA", "1\v2\f3 4 5 6\n"}) {
        run_state state;
        EXPECT_EQ(read_content(std::string("a b c\n") + values, 2, 3, &state), "") << values;
        EXPECT_EQ(state.data_matrix.rows(), 2);
        EXPECT_EQ(state.data_matrix.cols(), 3);
        EXPECT_EQ(cells(state), expected) << values;
    }
}

TEST(DataFileValues, CasesFillRowsInHeaderOrder) {
    run_state state;
    ASSERT_EQ(read_content("x y\n1 2\n3 4\n5 6\n", 3, 2, &state), "");
    EXPECT_EQ(state.data_matrix(0, 1), 2.0f);
    EXPECT_EQ(state.data_matrix(2, 0), 5.0f);
}

TEST(DataFileValues, StoredInSinglePrecision) {
    run_state state;
    ASSERT_EQ(read_content("a b\n0.1 1.1\n", 1, 2, &state), "");
    EXPECT_EQ(static_cast<double>(state.data_matrix(0, 0)), 0.100000001490116119384765625);
    EXPECT_EQ(static_cast<double>(state.data_matrix(0, 1)), 1.10000002384185791015625);
}

TEST(DataFileValues, NoCasesReadsOnlyTheHeader) {
    run_state state;
    ASSERT_EQ(read_content("a b\n", 0, 2, &state), "");
    EXPECT_EQ(state.var_names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(state.data_matrix.rows(), 0);
}

TEST(DataFileValues, NoVariablesNeedNoNamesAndNoValues) {
    run_state state;
    ASSERT_EQ(read_content("\n", 4, 0, &state), "");
    EXPECT_TRUE(state.var_names.empty());
    EXPECT_EQ(state.data_matrix.rows(), 4);
    EXPECT_EQ(state.data_matrix.cols(), 0);
}

// Values that straddle the reader's chunks, and one token longer than a
// whole chunk, read exactly as short files do.
TEST(DataFileValues, LargeFileAcrossChunkBoundaries) {
    const int n_cases = 60'000;
    const int n_vars = 7;
    std::string content = "v0 v1 v2 v3 v4 v5 v6\n";
    std::vector<float> expected;
    for (int k = 0; k + 1 < n_cases * n_vars; ++k) {
        // Quarters are exact in single precision; the lengths vary from token to token.
        const float value = static_cast<float>((k * 37) % 100'003) * 0.25f - 1000.0f;
        char text[32];
        std::snprintf(text, sizeof text, k % 3 == 0 ? "%.2f " : "%.6e\n", static_cast<double>(value));
        content += text;
        expected.push_back(value);
    }
    // The last value is a 3 MB number: 1, a point and many zeros before a final 1.
    content += "1." + std::string(3'000'000, '0') + "1\n";
    expected.push_back(1.0f);
    run_state state;
    ASSERT_EQ(read_content(content, n_cases, n_vars, &state), "");
    EXPECT_EQ(cells(state), expected);
}

// --- fatal errors --------------------------------------------------------

struct fatal_case {
    const char* content;
    int n_cases;
    int n_vars;
    const char* message;  // after "Data file <path>"
};

TEST(DataFileErrors, ReportsEveryInputThatDoesNotFitTheCommandLine) {
    const fatal_case cases[] = {
        {"", 0, 0, " is empty."},
        {"", 1, 1, " is empty."},
        {"a b\n1 2\n", 1, 3, ": the header has 2 names, fewer than n_vars (3)."},
        {", ,\r\n", 0, 1, ": the header has 0 names, fewer than n_vars (1)."},
        {"a b\n1 2\n3\n", 2, 2, ": 3 values, fewer than n_cases x n_vars (4)."},
        {"a b\n", 1, 2, ": 0 values, fewer than n_cases x n_vars (2)."},
        {"a b\n1 2\n3 NA\n", 2, 2, ": case 2, variable b: not a number (NA)."},
        {"a b\n1.5x 2\n", 1, 2, ": case 1, variable a: not a number (1.5x)."},
        {"a b\n1 inf\n", 1, 2, ": case 1, variable b: not a number (inf)."},
        {"a b\n1 2\n1e39 4\n", 2, 2, ": case 2, variable a: out of the single-precision range (1e39)."},
        {"a\n1\n2\n0123456789012345678901234567890123456789XYZ\n", 3, 1,
         ": case 3, variable a: not a number (0123456789012345678901234567890123456789...)."},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        dir.write("data.txt", c.content);
        run_state state = data_state(dir, c.n_cases, c.n_vars);
        EXPECT_EQ(fatal_text([&] { read_data_file(state); }), "Data file " + state.data_file + c.message) << c.content;
    }
}

TEST(DataFileErrors, MissingFileOrDirectory) {
    temp_dir dir;
    run_state state = data_state(dir, 1, 1);
    EXPECT_EQ(fatal_text([&] { read_data_file(state); }),
              "Cannot open data file " + state.data_file + ": No such file or directory.");
    state.data_file = dir.path().string();
    EXPECT_EQ(fatal_text([&] { read_data_file(state); }),
              "Cannot read data file " + state.data_file + ": Is a directory.");
}

}  // namespace
}  // namespace gaussnet

namespace gaussnet {
namespace {

// --- --row-names ---------------------------------------------------------

struct row_names_case {
    std::string content;
    std::string message;  // after "Data file <path>"; "" when read
};

// Each case is one line: a label (quoted ones may hold separators), then
// n_vars values. The header's first name goes when it is empty or one too many.
TEST(DataFileRowNames, LabelsAreSkippedAndEachLineIsOneCase) {
    const row_names_case cases[] = {
        {"\"\",\"a\",\"b\"\n\"1\",1,2\n\"2\",3,4\n", ""},
        {",a,b\n0,1,2\n1,3,4\n", ""},
        {"id a b\ns1 1 2\n\n\"s 2, x\" 3 4", ""},
        {"a,b\nr1,1,2\nr2,3,4\n", ""},
        {"id a b\ns1 1 2\ns2 3\n4\n", ": line 3 holds 1 values after its row name, fewer than n_vars (2)."},
        {"id a b\ns1 1 2 9\ns2 3 4\n", ": line 2 holds 3 values after its row name, more than n_vars (2)."},
        {"id a b\ns1 1 2\ns2 3 4 5\n", ": line 3 holds 3 values after its row name, more than n_vars (2)."},
        {"id a b\ns1,,2\ns2 3 4\n", ": case 1, variable a: not a number (empty field)."},
    };
    for (const auto& c : cases) {
        temp_dir dir;
        dir.write("data.txt", c.content);
        run_state state = data_state(dir, 2, 2);
        state.reading.row_names = true;
        const std::string message = fatal_text([&] { read_data_file(state); });
        if (!c.message.empty()) {
            EXPECT_EQ(message, "Data file " + state.data_file + c.message) << c.content;
            continue;
        }
        EXPECT_EQ(message, "") << c.content;
        EXPECT_EQ(state.var_names, (std::vector<std::string>{"a", "b"})) << c.content;
        EXPECT_EQ(cells(state), (std::vector<float>{1, 2, 3, 4})) << c.content;
        EXPECT_TRUE(state.warnings.empty()) << c.content;
    }
}

}  // namespace
}  // namespace gaussnet
