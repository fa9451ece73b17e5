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

// A name written in double quotes, as CSV writers quote them, loses the
// quotes, and a doubled quote inside stands for one.
std::string unquoted(std::string_view name) {
    if (name.size() < 3 || name.front() != '"' || name.back() != '"') return std::string(name);
    std::string inner;
    for (std::size_t k = 1; k + 1 < name.size(); ++k) {
        inner.push_back(name[k]);
        if (name[k] == '"' && name[k + 1] == '"' && k + 2 < name.size()) ++k;
    }
    return inner;
}

// The first n_vars names of the header, each of at most MAX_STATE_LENGTH - 1
// characters. Names are checked in order, so a too long name is reported
// even when too few names follow it.
std::vector<std::string> split_names(std::string_view header, int n_vars, const std::string& path) {
    // Like a C string, the header's text ends at a zero byte.
    header = header.substr(0, header.find('\0'));
    std::vector<std::string> names;
    // A name takes at least two characters of the header: n_vars alone is not trusted.
    names.reserve(std::min<std::size_t>(static_cast<std::size_t>(n_vars), header.size() / 2 + 1));
    std::size_t at = 0;
    for (int i = 0; i < n_vars; ++i) {
        const std::size_t begin = header.find_first_not_of(name_delimiters, at);
        if (begin == std::string_view::npos) {
            throw fatal_error(
                strprintf("Data file %s: the header has %d names, fewer than n_vars (%d).", path.c_str(), i, n_vars));
        }
        at = std::min(header.find_first_of(name_delimiters, begin), header.size());
        std::string name = unquoted(header.substr(begin, at - begin));
        if (name.size() > static_cast<std::size_t>(MAX_STATE_LENGTH - 1))
            throw fatal_error("Exceeding MAX_STATE_LENGTH.");
        names.push_back(std::move(name));
    }
    return names;
}

// Text from the file in a message: control bytes shown as \xNN, and with
// escape_non_ascii (a number is ASCII) every other byte outside printable
// ASCII too, so that a stray byte in a value is seen for what it is.
std::string printable(std::string_view text, bool escape_non_ascii) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || (escape_non_ascii && byte >= 0x80)) {
            shown += strprintf("\\x%02X", byte);
        } else {
            shown.push_back(c);
        }
    }
    return shown;
}

// An offending value in a message: long ones are cut short.
std::string quoted_excerpt(std::string_view text) {
    constexpr std::size_t limit = 40;
    std::string shown = printable(text.substr(0, limit), true);
    if (text.size() > limit) shown += "...";
    return shown;
}

[[noreturn]] void bad_value(const run_state& state, std::int64_t j, int i, const std::string& what) {
    throw fatal_error(strprintf("Data file %s: case %lld, variable %s: %s.", state.data_file.c_str(),
                                static_cast<long long>(j + 1), printable(state.var_names[i], false).c_str(),
                                what.c_str()));
}

[[noreturn]] void bad_number(const run_state& state, std::int64_t j, int i, std::string_view token,
                             number_status status) {
    const char* what = status == number_status::out_of_range ? "out of the single-precision range" : "not a number";
    bad_value(state, j, i, strprintf("%s (%s)", what, quoted_excerpt(token).c_str()));
}

[[noreturn]] void too_few_values(const run_state& state, std::int64_t read, std::int64_t total) {
    throw fatal_error(strprintf("Data file %s: %lld values, fewer than n_cases x n_vars (%lld).",
                                state.data_file.c_str(), static_cast<long long>(read), static_cast<long long>(total)));
}

// A matrix beyond what a vector can index cannot be allocated either.
void check_allocatable(std::int64_t cells) {
    if (static_cast<std::uint64_t>(cells) > std::vector<float>().max_size()) throw std::bad_alloc();
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

enum class separator { value_follows, empty_field, end_of_file };

// What separates two values: white space, or one comma with optional blanks
// and tabs around it (CSV). A comma followed by another comma or a line end,
// or a line that begins with a comma, leaves a field empty; so does a comma
// before the first value.
separator skip_separator(file_reader& reader, bool first) {
    reader.skip_while(is_blank);
    int c = reader.peek();
    if (c > ' ' && c != ',') return separator::value_follows;  // the usual case: the next value is here
    if (c == ',') {
        if (first) return separator::empty_field;
        reader.get();
        reader.skip_while(is_blank);
        c = reader.peek();
        return c < 0 || c == ',' || file_reader::is_space(static_cast<char>(c)) ? separator::empty_field
                                                                                : separator::value_follows;
    }
    reader.skip_while(file_reader::is_space);
    c = reader.peek();
    if (c == ',') return separator::empty_field;
    return c < 0 ? separator::end_of_file : separator::value_follows;
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

void read_values(file_reader& reader, run_state& state) {
    const std::int64_t total = static_cast<std::int64_t>(state.n_cases) * state.n_vars;
    check_allocatable(total);
    std::vector<float> cells;
    cells.reserve(initial_capacity(reader, total));
    for (std::int64_t j = 0; j < state.n_cases; ++j) {
        for (int i = 0; i < state.n_vars; ++i) {
            const std::int64_t read = j * state.n_vars + i;
            const separator before = skip_separator(reader, read == 0);
            if (before == separator::end_of_file) too_few_values(state, read, total);
            if (before == separator::empty_field) bad_value(state, j, i, "not a number (empty field)");
            const std::string_view token = reader.next_field();
            float value = 0;
            const number_status status = parse_float(token, value);
            if (status != number_status::ok) bad_number(state, j, i, token, status);
            cells.push_back(value);
        }
    }
    state.data_matrix = FloatMatrix(state.n_cases, state.n_vars, std::move(cells));
}

}  // namespace

void read_data_file(run_state& state) {
    file_reader reader(state.data_file, "data file " + state.data_file);
    reader.skip_byte_order_mark();
    const std::string header = read_header_line(reader, state.data_file);
    state.var_names = split_names(header, state.n_vars, state.data_file);
    // Whatever follows the last value needed is never read.
    read_values(reader, state);
}

}  // namespace gaussnet
