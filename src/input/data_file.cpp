// The data file: one header line of variable names, then n_cases x n_vars
// numbers separated by white space or commas (CSV), case by case.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/fatal_error.h"
#include "common/text.h"
#include "input/data_header.h"
#include "input/file_reader.h"
#include "input/index_column.h"
#include "input/missing_values.h"
#include "input/number_text.h"
#include "input/read_input.h"

namespace gaussnet {

namespace {

// An offending value in a message: long ones are cut short.
std::string quoted_excerpt(std::string_view text) {
    constexpr std::size_t limit = 40;
    std::string shown = printable(text.substr(0, limit), true);
    if (text.size() > limit) shown += "...";
    return shown;
}

[[noreturn]] void bad_value(const run_state& state, std::int64_t j, int i, const std::string& what,
                            const std::string& hint = "") {
    throw fatal_error(
        strprintf("Data file %s: case %lld, variable %s: %s.", state.data_file.c_str(), static_cast<long long>(j + 1),
                  state.var_names[i].empty() ? "\"\"" : printable(state.var_names[i], false).c_str(), what.c_str()),
        exit_failure, hint);
}

[[noreturn]] void bad_number(const run_state& state, std::int64_t j, int i, std::string_view token,
                             number_status status) {
    const char* what = status == number_status::out_of_range ? "out of the single-precision range" : "not a number";
    bad_value(state, j, i, strprintf("%s (%s)", what, quoted_excerpt(token).c_str()));
}

[[noreturn]] void too_few_values(const run_state& state, std::int64_t read, std::int64_t total, bool lone_cr) {
    // A file whose lines end in CR alone is one long header line to this reader.
    const std::string hint =
        lone_cr && read == 0
            ? strprintf(
                  "Data file %s: its lines seem to end in CR alone, so the whole file was read as its header "
                  "line; convert the line ends to LF (tr '\\r' '\\n' < old > new).",
                  state.data_file.c_str())
            : "";
    throw fatal_error(strprintf("Data file %s: %lld values, fewer than n_cases x n_vars (%lld).",
                                state.data_file.c_str(), static_cast<long long>(read), static_cast<long long>(total)),
                      exit_failure, hint);
}

// A matrix beyond what a vector can index cannot be allocated either.
void check_allocatable(std::int64_t cells) {
    if (static_cast<std::uint64_t>(cells) > std::vector<float>().max_size()) throw std::bad_alloc();
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

enum class separator { value_follows, empty_field, end_of_file };

// How the values lie on the file's lines: files written by R, pandas or a
// spreadsheet hold one case a line, and a count that disagrees with n_vars
// then means misread values.
struct line_tally {
    std::int64_t line = 2;       // the file's line the reader is on (the header is line 1)
    std::int64_t in_line = 0;    // values on it so far
    std::int64_t per_line = -1;  // values on the first complete line; -1: none yet
    std::int64_t lines = 0;      // complete lines that held values
    bool agree = true;           // every one of them held per_line values

    void line_ends(std::int64_t count) {
        if (count == 0) return;
        if (in_line > 0) {
            if (per_line < 0) per_line = in_line;
            agree = agree && in_line == per_line;
            ++lines;
        }
        in_line = 0;
        line += count;
    }
};

// Skips white space, counting the line ends passed.
void skip_space(file_reader& reader, line_tally& tally) {
    std::int64_t ends = 0;
    reader.skip_while([&ends](char b) {
        ends += b == '\n';
        return file_reader::is_space(b);
    });
    tally.line_ends(ends);
}

// What separates two values: white space, or one comma (a semicolon with
// decimal commas) with optional blanks and tabs around it (CSV). A comma followed by another comma or a line end,
// or a line that begins with a comma, leaves a field empty; so does a comma
// before the first value. Line ends passed are counted in tally.
separator skip_separator(file_reader& reader, bool first, char field_end, line_tally& tally) {
    reader.skip_while(is_blank);
    int c = reader.peek();
    if (c > ' ' && c != field_end) return separator::value_follows;  // the usual case: the next value is here
    if (c == field_end) {
        if (first) return separator::empty_field;
        reader.get();
        reader.skip_while(is_blank);
        c = reader.peek();
        return c < 0 || c == field_end || file_reader::is_space(static_cast<char>(c)) ? separator::empty_field
                                                                                      : separator::value_follows;
    }
    skip_space(reader, tally);
    c = reader.peek();
    if (c == field_end) return separator::empty_field;
    return c < 0 ? separator::end_of_file : separator::value_follows;
}

// Counts the fields left on the current line, without reading past its end.
void count_rest_of_line(file_reader& reader, char field_end, line_tally& tally) {
    for (int c = reader.peek(); c >= 0 && c != '\n' && c != '\r'; c = reader.peek()) {
        if (c == field_end || file_reader::is_space(static_cast<char>(c))) {
            reader.get();
        } else {
            reader.next_field(field_end);
            ++tally.in_line;
        }
    }
}

// With --row-names: each case is one line, a label and then n_vars values.
void skip_row_name(file_reader& reader, char field_end, line_tally& tally) {
    skip_space(reader, tally);
    if (reader.peek() == '"') {
        // A quoted label may hold blanks and commas; a doubled quote stays inside.
        reader.get();
        for (int c = reader.get(); c >= 0; c = reader.get())
            if (c == '"' && reader.peek() != '"') break;
            else if (c == '"') reader.get();
    } else {
        reader.next_field(field_end);
    }
    reader.skip_while(is_blank);
    if (reader.peek() == field_end) reader.get();
    reader.skip_while(is_blank);
}

[[noreturn]] void row_name_line_error(const run_state& state, std::int64_t line, std::int64_t count) {
    throw fatal_error(strprintf("Data file %s: line %lld holds %lld values after its row name, %s than n_vars (%d).",
                                state.data_file.c_str(), static_cast<long long>(line), static_cast<long long>(count),
                                count < state.n_vars ? "fewer" : "more", state.n_vars));
}

void warn_about_lines(const line_tally& tally, run_state& state) {
    if (state.reading.row_names || !tally.agree || tally.lines < 2 || tally.per_line == state.n_vars) return;
    // One value too many a line is a label column's shape; other counts are not.
    const bool label_column = tally.per_line == std::int64_t{state.n_vars} + 1;
    state.warnings.push_back(strprintf(
        "Data file %s: its data lines hold %lld values each, not n_vars (%d); the values were read %d to a case "
        "all the same. %s",
        state.data_file.c_str(), static_cast<long long>(tally.per_line), state.n_vars, state.n_vars,
        label_column ? "If the first column holds row names, use --row-names; else check n_vars." : "Check n_vars."));
}

void warn_about_index_column(run_state& state) {
    if (state.reading.row_names || state.var_names.empty()) return;
    const int first = index_column_start(state.var_names.front(), state.data_matrix, 0);
    if (first < 0) return;
    state.warnings.push_back(
        strprintf("Data file %s: its first column \"%s\" holds the case numbers %d to %lld, as a row index does; it is "
                  "learned as a variable. If it holds row names, use --row-names.",
                  state.data_file.c_str(), printable(state.var_names.front(), false).c_str(), first,
                  static_cast<long long>(state.n_cases) - 1 + first));
}

// A number with a decimal comma ("3,5946", "-0,5e-3"): digits, one comma, digits.
bool has_decimal_comma(std::string_view field) {
    std::size_t at = field.find_first_not_of("+-");
    if (at > 1 || at == std::string_view::npos) return false;
    const std::size_t comma = field.find(',', at);
    if (comma == std::string_view::npos || comma == at || comma + 1 == field.size()) return false;
    const auto digits = [](std::string_view text) {
        return text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const std::size_t exponent = std::min(field.find_first_of("eE", comma), field.size());
    return digits(field.substr(at, comma - at)) && digits(field.substr(comma + 1, exponent - comma - 1)) &&
           exponent > comma + 1;
}

// Values separated by blanks or tabs with decimal commas ("3,5946\t2,1"):
// each would read as two numbers. The first data line tells.
void refuse_decimal_commas(file_reader& reader, const run_state& state) {
    if (state.reading.decimal_comma) return;
    const std::string_view line = reader.peek_line();
    std::vector<std::string_view> fields;
    for (std::size_t at = line.find_first_not_of(" \t\r"); at != std::string_view::npos;) {
        const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = line.find_first_not_of(" \t\r", end);
    }
    if (fields.size() < 2) return;
    const auto found = std::find_if(fields.begin(), fields.end(), has_decimal_comma);
    if (found == fields.end()) return;
    throw fatal_error(strprintf("Data file %s: its numbers have decimal commas (\"%s\" on line 2).",
                                state.data_file.c_str(), quoted_excerpt(*found).c_str()),
                      exit_failure,
                      strprintf("Data file %s: each number with a decimal comma would read as two; read the file "
                                "with --decimal-comma (or write it with decimal points).",
                                state.data_file.c_str()));
}

// How many values to make room for at once. A value takes at least two bytes
// of a regular file (a digit and a separator, the last one a digit alone), so
// a stated count that the file cannot hold is never allocated: the values
// are read as they come until they run out, and the shortfall is reported
// with the count found. A file of unknown size (a pipe) grows its storage too.
std::size_t initial_capacity(const file_reader& reader, std::int64_t total) {
    const std::int64_t left = reader.bytes_left();
    if (left < 0 || (left + 1) / 2 < total) return 0;
    return static_cast<std::size_t>(total);
}

// The number with its decimal comma made a point ("3,5" reads as 3.5).
number_status parse_decimal_comma(std::string_view token, float& value) {
    std::string text(token);
    const std::size_t comma = text.find(',');
    if (comma != std::string::npos) text[comma] = '.';
    return parse_float(text, value);
}

constexpr float MISSING = std::numeric_limits<float>::quiet_NaN();

// With --missing complete: the cases that hold a missing value are left out.
void leave_out_incomplete_cases(run_state& state) {
    const std::string source = "Data file " + state.data_file;
    const std::int64_t left_out = keep_complete_cases(state.data_matrix, source);
    state.n_cases = static_cast<int>(state.data_matrix.rows());
    if (left_out > 0) state.warnings.push_back(left_out_text(source, left_out, state.n_cases));
}

float read_value(file_reader& reader, const run_state& state, std::int64_t j, int i) {
    const bool decimal_comma = state.reading.decimal_comma;
    const std::string_view token = reader.next_field(decimal_comma ? ';' : ',');
    if (is_missing_text(token)) {
        if (state.reading.complete_cases) return MISSING;
        bad_value(state, j, i, strprintf("not a number (%s)", quoted_excerpt(token).c_str()), missing_value_hint());
    }
    float value = 0;
    const number_status status = decimal_comma ? parse_decimal_comma(token, value) : parse_float(token, value);
    if (status != number_status::ok) bad_number(state, j, i, token, status);
    return value;
}

// One case's values; with --row-names first its label, and its line must end after them.
void read_case(file_reader& reader, const run_state& state, std::int64_t j, line_tally& tally, bool lone_cr,
               std::vector<float>& cells) {
    const bool row_names = state.reading.row_names;
    const char field_end = state.reading.decimal_comma ? ';' : ',';
    const std::int64_t total = static_cast<std::int64_t>(state.n_cases) * state.n_vars;
    if (row_names) skip_row_name(reader, field_end, tally);
    const std::int64_t line = tally.line;
    for (int i = 0; i < state.n_vars; ++i) {
        const std::int64_t read = j * state.n_vars + i;
        const separator before = skip_separator(reader, read == 0 || (row_names && i == 0), field_end, tally);
        if (row_names && tally.line != line) row_name_line_error(state, line, i);
        if (before == separator::end_of_file) too_few_values(state, read, total, lone_cr);
        if (before == separator::empty_field && !state.reading.complete_cases)
            bad_value(state, j, i, "not a number (empty field)", missing_value_hint());
        cells.push_back(before == separator::empty_field ? MISSING : read_value(reader, state, j, i));
        ++tally.in_line;
    }
    if (!row_names) return;
    count_rest_of_line(reader, field_end, tally);
    if (tally.in_line != state.n_vars) row_name_line_error(state, line, tally.in_line);
}

void read_values(file_reader& reader, run_state& state, const data_header& header) {
    const std::int64_t total = static_cast<std::int64_t>(state.n_cases) * state.n_vars;
    check_allocatable(total);
    std::vector<float> cells;
    cells.reserve(initial_capacity(reader, total));
    line_tally tally;
    for (std::int64_t j = 0; j < state.n_cases; ++j) read_case(reader, state, j, tally, header.lone_cr, cells);
    // The last line read counts whole, even where the values needed end within it.
    if (tally.in_line > 0) {
        count_rest_of_line(reader, state.reading.decimal_comma ? ';' : ',', tally);
        tally.line_ends(1);
    }
    warn_about_lines(tally, state);
    state.data_matrix = FloatMatrix(state.n_cases, state.n_vars, std::move(cells));
    if (state.reading.complete_cases) leave_out_incomplete_cases(state);
}

}  // namespace

void read_data_file(run_state& state) {
    file_reader reader(state.data_file, "data file " + state.data_file);
    reader.skip_byte_order_mark();
    data_header header = read_data_header(reader, state);
    state.var_names = std::move(header.names);
    refuse_decimal_commas(reader, state);
    // Whatever follows the last value needed (and its line) is never read.
    read_values(reader, state, header);
    warn_about_index_column(state);
}

}  // namespace gaussnet
