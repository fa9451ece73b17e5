// The data file: one header line of variable names, then n_cases x n_vars
// numbers separated by white space, case by case.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/fatal_error.h"
#include "common/text.h"
#include "input/file_reader.h"
#include "input/number_text.h"
#include "input/read_input.h"

namespace gaussnet {

namespace {

constexpr std::string_view name_delimiters = " ,\t\n\r";

// The header line as a line buffer of MAX_LINE_LENGTH characters holds it:
// up to and including the first line end, at most MAX_LINE_LENGTH - 1
// characters, a CR LF pair counting as one. A line that fills the buffer is
// too long; the longest accepted one has MAX_LINE_LENGTH - 3 characters
// before its line end.
std::string read_header_line(file_reader& reader, const std::string& path) {
    std::string line;
    int c = 0;
    while (line.size() < static_cast<std::size_t>(MAX_LINE_LENGTH - 1) && (c = reader.get_text()) >= 0) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (line.empty()) throw fatal_error(strprintf("Data file %s is empty.", path.c_str()));
    if (line.size() == static_cast<std::size_t>(MAX_LINE_LENGTH - 1)) throw fatal_error("Exceeding MAX_LINE_LENGTH.");
    return line;
}

// The first n_vars names of the header, each of at most MAX_STATE_LENGTH - 1
// characters. Names are checked in order, so a too long name is reported
// even when too few names follow it.
std::vector<std::string> split_names(std::string_view header, int n_vars, const std::string& path) {
    // Like a C string, the header's text ends at a zero byte.
    header = header.substr(0, header.find('\0'));
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(n_vars));
    std::size_t at = 0;
    for (int i = 0; i < n_vars; ++i) {
        const std::size_t begin = header.find_first_not_of(name_delimiters, at);
        if (begin == std::string_view::npos) {
            throw fatal_error(
                strprintf("Data file %s: the header has %d names, fewer than n_vars (%d).", path.c_str(), i, n_vars));
        }
        at = std::min(header.find_first_of(name_delimiters, begin), header.size());
        if (at - begin > static_cast<std::size_t>(MAX_STATE_LENGTH - 1)) throw fatal_error("Exceeding MAX_STATE_LENGTH.");
        names.emplace_back(header.substr(begin, at - begin));
    }
    return names;
}

// An offending text in a message: long ones are cut short.
std::string quoted_excerpt(std::string_view text) {
    constexpr std::size_t limit = 40;
    if (text.size() <= limit) return std::string(text);
    return std::string(text.substr(0, limit)) + "...";
}

[[noreturn]] void bad_value(const run_state& state, std::int64_t j, int i, std::string_view token,
                            number_status status) {
    const char* what = status == number_status::out_of_range ? "out of the single-precision range" : "not a number";
    throw fatal_error(strprintf("Data file %s: case %lld, variable %s: %s (%s).", state.data_file.c_str(),
                                static_cast<long long>(j + 1), state.var_names[i].c_str(), what,
                                quoted_excerpt(token).c_str()));
}

[[noreturn]] void too_few_values(const run_state& state, std::int64_t read, std::int64_t total) {
    throw fatal_error(strprintf("Data file %s: %lld values, fewer than n_cases x n_vars (%lld).",
                                state.data_file.c_str(), static_cast<long long>(read), static_cast<long long>(total)));
}

// A matrix beyond what a vector can index cannot be allocated either.
void check_allocatable(std::int64_t cells) {
    if (static_cast<std::uint64_t>(cells) > std::vector<float>().max_size()) throw std::bad_alloc();
}

void read_values(file_reader& reader, run_state& state) {
    const std::int64_t total = static_cast<std::int64_t>(state.n_cases) * state.n_vars;
    check_allocatable(total);
    state.data_matrix = FloatMatrix(state.n_cases, state.n_vars);
    for (std::int64_t j = 0; j < state.n_cases; ++j) {
        float* row = state.data_matrix.row(j);
        for (int i = 0; i < state.n_vars; ++i) {
            const std::string_view token = reader.next_token();
            if (token.empty()) too_few_values(state, j * state.n_vars + i, total);
            const number_status status = parse_float(token, row[i]);
            if (status != number_status::ok) bad_value(state, j, i, token, status);
        }
    }
}

}  // namespace

void read_data_file(run_state& state) {
    file_reader reader(state.data_file, "data file " + state.data_file);
    const std::string header = read_header_line(reader, state.data_file);
    state.var_names = split_names(header, state.n_vars, state.data_file);
    // Whatever follows the last value needed is never read.
    read_values(reader, state);
}

}  // namespace gaussnet
