// Files as R, pandas and spreadsheets write them, and arguments as people
// type them: what would be misread or refused gets one line on standard
// error, while the exit status, standard output and res.txt stay what they
// were. A case with a twin must print and log exactly what its twin (the
// same input written cleanly) does, and the twin must not print its line.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

using test::program_result;
using test::run_program;
using test::temp_dir;
using files = std::map<std::string, std::string>;

const std::string earlier_log = "\n n_vars= 1, n_cases= 1, n_edges= 0, an earlier run";

// n_cases x n_vars values of a chain x1 -> x2 -> ..., well conditioned.
std::vector<std::string> chain_values(int n_cases, int n_vars) {
    std::vector<std::string> values;
    unsigned state = 4711;
    for (int j = 0; j < n_cases; ++j) {
        double previous = 0;
        for (int i = 0; i < n_vars; ++i) {
            state = state * 1103515245u + 12345u;
            previous = 0.7 * previous + ((state >> 8) % 10000) / 2500.0 - 2.0;
            values.push_back(std::to_string(previous));
        }
    }
    return values;
}

// A header and the values laid per_line to a line, each line after a label
// when label is set ("" writes none), separated by sep.
std::string layout(const std::string& header, const std::vector<std::string>& values, std::size_t per_line,
                   const char* sep, bool labels = false) {
    std::string text = header + "\n";
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k % per_line == 0 && labels) text += "\"" + std::to_string(k / per_line + 1) + "\"" + sep;
        text += values[k] + (k % per_line + 1 == per_line || k + 1 == values.size() ? "\n" : sep);
    }
    return text;
}

// net.txt as the reader takes it: n x n cells, one byte each, a line end skipped after each row.
std::string net_as_read(const std::string& net, int n) {
    std::string clean;
    std::size_t at = 0;
    for (int i = 0; i < n; ++i, ++at) {
        for (int j = 0; j < n; ++j, ++at) clean += net[at] >= '1' && net[at] <= '9' ? '1' : '0';
        clean += '\n';
    }
    return clean;
}

// Arguments written as one string, split at blanks.
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> split;
    for (std::size_t at = 0; at < line.size();) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        split.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return split;
}

struct misread_case {
    const char* what;
    files given;
    std::string args;
    int status;
    std::string error_line;      // a whole line of standard error ("": none at all)
    std::string out;             // the exact standard output, when there is no twin
    files twin_given = {};       // the twin's files, when they differ from given
    std::string twin_args = "";  // "": no twin
};

std::vector<misread_case> cases() {
    const std::vector<std::string> values = chain_values(40, 5);
    const std::string names = "x1,x2,x3,x4,x5";
    const std::string clean = layout(names, values, 5, ",");
    const std::string r_file = layout("\"\",\"x1\",\"x2\",\"x3\",\"x4\",\"x5\"", values, 5, ",", true);
    const std::string chain_net = "01000\n00100\n00010\n00001\n00000\n";
    const std::string wide_net = "010000\n001000\n000100\n000010\n000000\n";
    const std::string usage =
        "\n\n Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) [target radius]. \n\n";
    const std::string run = "data.txt 40 5 0 0.05 0";
    const std::string lines_hold =
        "values each, not n_vars (5); the values were read 5 to a case all the same. If "
        "the first column holds row names, use --row-names; else check n_vars.";
    std::vector<std::string> pandas_values;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k % 5 == 0) pandas_values.push_back(std::to_string(k / 5));
        pandas_values.push_back(values[k]);
    }
    const std::string pandas_file = layout("," + names, pandas_values, 6, ",");
    const std::vector<std::string> first_160(values.begin(), values.begin() + 160);
    // clang-format off
    return {
        {"pandas index column", {{"data.txt", pandas_file}}, run, 0,
         "Data file data.txt: its data lines hold 6 " + lines_hold, "",
         {{"data.txt", layout(names, pandas_values, 5, ",")}}, run},
        {"pandas index column read with --row-names", {{"data.txt", pandas_file}}, "--row-names " + run, 0, "", "",
         {{"data.txt", clean}}, run},
        {"R row names read with --row-names", {{"data.txt", r_file}, {"net.txt", chain_net}},
         "--row-names data.txt 40 5 1 0.05 0", 0, "", "",
         {{"data.txt", clean}, {"net.txt", chain_net}}, "data.txt 40 5 1 0.05 0"},
        {"R row names", {{"data.txt", r_file}}, run, 1,
         "Data file data.txt: the header holds 6 names, more than n_vars (5); the first 5 were taken. If the first "
         "column holds row names, use --row-names; else check n_vars.",
         "\n\n Data file data.txt: case 1, variable \"\": not a number (\"1\"). \n\n"},
        {"n_vars one short", {{"data.txt", layout(names, values, 5, " ")}}, "data.txt 40 4 0 0.05 0", 0,
         "Data file data.txt: its data lines hold 5 values each, not n_vars (4); the values were read 4 to a case all "
         "the same. If the first column holds row names, use --row-names; else check n_vars.", "",
         {{"data.txt", layout("x1 x2 x3 x4", first_160, 4, " ")}}, "data.txt 40 4 0 0.05 0"},
        {"duplicate names", {{"data.txt", layout("x1,x2,x1,x4,x5", values, 5, ",")}}, run + " x1 1", 0,
         "Data file data.txt: variables 1 and 3 are both named \"x1\"; the local mode takes the first. Give every "
         "variable its own name.", "", {{"data.txt", clean}}, run + " x1 1"},
        {"decimal comma", {{"data.txt", clean}}, "data.txt 40 5 0 0,05 0", 0,
         "gaussnet: argument 5 (alpha) \"0,05\" is not a decimal number; it was read as 0.", "", {},
         "data.txt 40 5 0 0 0"},
        {"count in exponent form", {{"data.txt", clean}}, "data.txt 4e1 5 0 0.05 0", 0,
         "gaussnet: argument 2 (n_cases) \"4e1\" is not a whole number of int range; it was read as 4.", "", {},
         "data.txt 4 5 0 0.05 0"},
        {"radius beyond the int range", {{"data.txt", clean}}, run + " x2 4294967297", 0,
         "gaussnet: argument 8 (radius) \"4294967297\" is not a whole number of int range; it was read as 1.", "", {},
         run + " x2 1"},
        {"alpha outside (0, 1)", {{"data.txt", clean}}, "data.txt 40 5 0 5 0", 0,
         "gaussnet: argument 5 (alpha) 5 lies outside (0, 1); it is used as given.", ""},
        {"net.txt with a column too many", {{"data.txt", clean}, {"net.txt", wide_net}}, "data.txt 40 5 1 0.05 0", 0,
         "net.txt: line 1 is longer than n_vars characters, so the network is misread: write n_vars (5) digits a "
         "line and nothing else, 1 to 9 for an arc from the row to the column.", "",
         {{"data.txt", clean}, {"net.txt", net_as_read(wide_net, 5)}}, "data.txt 40 5 1 0.05 0"},
        {"table of another program", {{"data.txt", clean}, {"t.csv", "a,b\n1,2\n"}}, "--table t.csv " + run, 0,
         "Table t.csv: its first line is not the results table's header; the rows appended will not match its "
         "columns. Give --table a file of its own.", "", {{"data.txt", clean}}, run},
        {"unknown option", {{"data.txt", clean}}, "--row-name " + run, 2,
         "gaussnet: unknown option --row-name; gaussnet --help lists the arguments and options.", usage},
        {"option after the positional arguments", {{"data.txt", clean}}, run + " --row-names", 2,
         "gaussnet: 7 arguments given, 6 or 8 expected (options go before the positional arguments); gaussnet --help "
         "lists the arguments and options.", usage},
        {"quoted name holding a line end", {{"data.txt", "\"x\n1\",x2,x3\n1,2,3\n"}}, "data.txt 1 3 0 0.05 0", 1,
         "Data file data.txt: a quoted name in the header holds a line end, which ends the header there; take the "
         "line ends out of the names.", "\n\n Data file data.txt: the header has 1 names, fewer than n_vars (3). \n\n"},
        {"header line too long", {{"data.txt", "x1" + std::string(120'000, ' ') + "\n1\n"}}, "data.txt 1 1 0 0.05 0", 1,
         "Data file data.txt: the header line has 120002 characters before its line end; at most 99997 are read "
         "(--long-header lifts the limit).", "\n\n Exceeding MAX_LINE_LENGTH. \n\n"},
        {"name too long", {{"data.txt", "x1 " + std::string(120, 'g') + "\n1 2\n"}}, "data.txt 1 2 0 0.05 0", 1,
         "Data file data.txt: name 2 of the header has 120 characters; at most 99 are read (--long-header lifts the "
         "limit).", "\n\n Exceeding MAX_STATE_LENGTH. \n\n"},
        {"CR-only line ends", {{"data.txt", "a b\r1 2\r3 4\r"}}, "data.txt 2 2 0 0.05 0", 1,
         "Data file data.txt: its lines seem to end in CR alone, so the whole file was read as its header line; "
         "convert the line ends to LF (tr '\\r' '\\n' < old > new).",
         "\n\n Data file data.txt: 0 values, fewer than n_cases x n_vars (4). \n\n"},
    };
    // clang-format on
}

// Runs the program in a directory holding the given files and an earlier res.txt.
program_result run_in(const temp_dir& dir, const files& given, const std::vector<std::string>& args) {
    for (const auto& [name, content] : given) dir.write(name, content);
    dir.write("res.txt", earlier_log);
    return run_program(GAUSSNET_BIN, args, dir, std::chrono::seconds(60));
}

TEST(MisreadInput, EachCaseSaysWhatOnStandardErrorAndChangesNothingElse) {
    for (const misread_case& c : cases()) {
        SCOPED_TRACE(c.what);
        temp_dir dir;
        const program_result result = run_in(dir, c.given, words(c.args));
        EXPECT_EQ(result.exit_status, c.status) << result.out << result.err;
        if (c.error_line.empty()) {
            EXPECT_EQ(result.err, "");
        } else {
            EXPECT_NE(("\n" + result.err).find("\n" + c.error_line + "\n"), std::string::npos) << result.err;
        }
        if (!c.out.empty()) {
            EXPECT_EQ(result.out, c.out);
            EXPECT_EQ(dir.read("res.txt"), earlier_log);
        }
        if (c.twin_args.empty()) continue;
        temp_dir twin_dir;
        const program_result twin = run_in(twin_dir, c.twin_given.empty() ? c.given : c.twin_given, words(c.twin_args));
        EXPECT_EQ(twin.err.find(c.error_line.empty() ? "\x01" : c.error_line), std::string::npos) << twin.err;
        EXPECT_EQ(test::mask_seconds(result.out), test::mask_seconds(twin.out));
        EXPECT_EQ(test::mask_seconds(dir.read("res.txt")), test::mask_seconds(twin_dir.read("res.txt")));
    }
}

// A learner that cannot finish: the message and status stay, and a line
// says which run and target met the singular matrix, why, and what to do.
TEST(MisreadInput, LearnerThatCannotFinishSaysWhy) {
    temp_dir dir;
    std::string header = "v1";
    for (int i = 2; i <= 200; ++i) header += " v" + std::to_string(i);
    const program_result result = run_in(dir, {{"data.txt", layout(header, chain_values(20, 200), 200, " ")}},
                                         {"data.txt", "20", "200", "0", "0.05", "0"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(test::mask_seconds(result.out),
              "\n n_vars= 200, n_cases= 20, n_edges= 0\n IAMB2: \t 0 sec.,"
              "\n\n No Cholesky decomposition (19). \n\n");
    EXPECT_EQ(result.err,
              "IAMB1: the blanket of target v5 reached 17 members, close to the number of cases (20), so "
              "its test matrix of order 19 is singular. Use --learners EE,IAMB2, or more cases.\n");
}

// 20,000 gene identifiers of 15 characters: a header of 319,999 characters,
// refused by default and read with --long-header, as the error in the last
// variable's first value shows.
TEST(MisreadInput, GenomeSizedHeaderIsReadWithLongHeader) {
    std::string header;
    std::string values;
    for (int i = 1; i <= 20'000; ++i) {
        const std::string id = std::to_string(i);
        header += (i > 1 ? " " : "") + ("ENSG" + std::string(11 - id.size(), '0') + id);
        values += i < 20'000 ? "0.5 " : "NA\n";
    }
    ASSERT_EQ(header.size(), 319'999u);
    temp_dir dir;
    const program_result refused =
        run_in(dir, {{"data.txt", header + "\n" + values}}, {"data.txt", "1", "20000", "0", "0.05", "0"});
    EXPECT_EQ(refused.exit_status, 1);
    EXPECT_EQ(refused.out, "\n\n Exceeding MAX_LINE_LENGTH. \n\n");
    const program_result read = run_in(dir, {}, {"--long-header", "data.txt", "1", "20000", "0", "0.05", "0"});
    EXPECT_EQ(read.exit_status, 1);
    EXPECT_EQ(read.out, "\n\n Data file data.txt: case 1, variable ENSG00000020000: not a number (NA). \n\n");
    EXPECT_EQ(dir.read("res.txt"), earlier_log);
}

}  // namespace
}  // namespace gaussnet
