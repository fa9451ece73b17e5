// A CSV copy of every shipped data file, as R's write.csv, pandas' to_csv or
// a spreadsheet would write it, must give the same console output and the
// same res.txt as the original.

#include <gtest/gtest.h>

#include <filesystem>
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

std::vector<std::string> words_of(const std::string& text, const char* delimiters) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(delimiters, at)) != std::string::npos) {
        const std::size_t end = std::min(text.find_first_of(delimiters, at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

enum class csv_style { r, pandas, spreadsheet };

// The same names and number texts, n_vars values to a line.
std::string csv_copy(const std::string& original, int n_vars, csv_style style) {
    const std::size_t header_end = original.find('\n');
    const std::vector<std::string> names = words_of(original.substr(0, header_end), " ,\t\r");
    const std::vector<std::string> values = header_end == std::string::npos
                                                ? std::vector<std::string>{}
                                                : words_of(original.substr(header_end), " \t\r\n\v\f");
    const std::string comma = style == csv_style::spreadsheet ? ", " : ",";
    const std::string line_end = style == csv_style::spreadsheet ? "\r\n" : "\n";
    std::string csv = style == csv_style::spreadsheet ? "\xEF\xBB\xBF" : "";
    for (std::size_t k = 0; k < names.size(); ++k) {
        csv += (k == 0 ? "" : comma) + (style == csv_style::r ? "\"" + names[k] + "\"" : names[k]);
    }
    csv += line_end;
    const std::size_t per_line = n_vars > 0 ? static_cast<std::size_t>(n_vars) : 1;
    for (std::size_t k = 0; k < values.size(); ++k) {
        csv += values[k] + (k + 1 == values.size() || (k + 1) % per_line == 0 ? line_end : comma);
    }
    return csv;
}

struct csv_run {
    fs::path dir;  // holds data.txt, perhaps net.txt and res.before
    std::vector<std::string> args;
    csv_style style;
};

program_result run_copy(const csv_run& run, temp_dir& scratch) {
    const int n_vars = std::stoi(run.args.at(2));
    scratch.write("data.txt", csv_copy(read_file(run.dir / "data.txt"), n_vars, run.style));
    if (fs::exists(run.dir / "net.txt")) scratch.write("net.txt", read_file(run.dir / "net.txt"));
    if (fs::exists(run.dir / "res.before")) scratch.write("res.txt", read_file(run.dir / "res.before"));
    return run_program(GAUSSNET_BIN, run.args, scratch);
}

const fs::path source_dir(GAUSSNET_SOURCE_DIR);

TEST(CsvCopies, EveryEndToEndCaseGivesTheExpectedOutput) {
    const fs::path root = source_dir / "tests" / "e2e" / "cases";
    int compared = 0;
    for (const std::string& name : test::folder_names(root)) {
        const fs::path dir = root / name;
        if (!fs::exists(dir / "data.txt")) continue;
        std::istringstream line(read_file(dir / "args"));
        std::vector<std::string> args;
        for (std::string word; line >> word;) args.push_back(word);
        if (args.size() < 3) continue;
        const csv_style style = static_cast<csv_style>(compared % 3);
        SCOPED_TRACE(name + ", style " + std::to_string(compared % 3));
        temp_dir scratch;
        const program_result result = run_copy({dir, args, style}, scratch);
        const int expected_status = fs::exists(dir / "status") ? std::stoi(read_file(dir / "status")) : 0;
        EXPECT_EQ(result.exit_status, expected_status) << result.out;
        EXPECT_EQ(mask_seconds(result.out), read_file(dir / "stdout"));
        if (fs::exists(dir / "res.txt")) {
            EXPECT_EQ(mask_seconds(scratch.read("res.txt")), read_file(dir / "res.txt"));
        }
        ++compared;
    }
    EXPECT_GE(compared, 10);
}

TEST(CsvCopies, ShippedExampleGivesTheSameOutput) {
    const fs::path dir = source_dir / "examples";
    std::istringstream line(read_file(dir / "args.txt"));
    std::vector<std::string> args;
    for (std::string word; line >> word;) args.push_back(word);
    ASSERT_EQ(args.size(), 6u);

    temp_dir original;
    original.write("data.txt", read_file(dir / "data.txt"));
    original.write("net.txt", read_file(dir / "net.txt"));
    const program_result expected = run_program(GAUSSNET_BIN, args, original);
    ASSERT_EQ(expected.exit_status, 0) << expected.out;
    for (const csv_style style : {csv_style::r, csv_style::pandas, csv_style::spreadsheet}) {
        temp_dir scratch;
        const program_result result = run_copy({dir, args, style}, scratch);
        EXPECT_EQ(result.exit_status, 0) << result.out;
        EXPECT_EQ(mask_seconds(result.out), mask_seconds(expected.out));
        EXPECT_EQ(mask_seconds(scratch.read("res.txt")), mask_seconds(original.read("res.txt")));
    }
}

}  // namespace
}  // namespace gaussnet
