// The data file's header line: the variable names, as spreadsheets, R and
// pandas write them, within the line and name limits.

#include "input/data_header.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

namespace {

constexpr std::string_view name_delimiters = " ,\t\n\r";
constexpr const char* long_header_hint = "--long-header lifts the limit";

// The header line as a line buffer of MAX_LINE_LENGTH characters holds it:
// up to and including the first line end, at most MAX_LINE_LENGTH - 1
// characters, a CR LF pair counting as one. A line that fills the buffer is
// too long; the longest accepted one has MAX_LINE_LENGTH - 3 characters
// before its line end. With --long-header the line is read whole.
std::string read_header_line(file_reader& reader, const run_state& state) {
    const std::size_t capacity =
        state.reading.long_header ? std::numeric_limits<std::size_t>::max() : std::size_t{MAX_LINE_LENGTH - 1};
    std::string line;
    int c = 0;
    while (line.size() < capacity && (c = reader.get_text()) >= 0) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (line.empty()) throw fatal_error(strprintf("Data file %s is empty.", state.data_file.c_str()));
    if (line.size() < capacity) return line;
    // How long the line really is, for the diagnostic.
    std::size_t length = line.size();
    while ((c = reader.get_text()) >= 0 && c != '\n') ++length;
    throw fatal_error("Exceeding MAX_LINE_LENGTH.", exit_failure,
                      strprintf("Data file %s: the header line has %zu characters before its line end; at most %d "
                                "are read (%s).",
                                state.data_file.c_str(), length, MAX_LINE_LENGTH - 3, long_header_hint));
}

// A name in double quotes from at (the opening quote) to its closing quote,
// a doubled quote inside standing for one; at moves past the closing quote.
// False, with at unchanged, when the quotes do not enclose a whole name.
bool take_quoted(std::string_view header, std::size_t& at, std::string& name) {
    std::string inner;
    for (std::size_t k = at + 1; k < header.size(); ++k) {
        if (header[k] != '"') {
            inner.push_back(header[k]);
        } else if (k + 1 < header.size() && header[k + 1] == '"') {
            inner.push_back('"');
            ++k;
        } else {
            const bool whole = k + 1 == header.size() || name_delimiters.find(header[k + 1]) != std::string_view::npos;
            if (!whole) return false;
            name = std::move(inner);
            at = k + 1;
            return true;
        }
    }
    return false;
}

[[noreturn]] void name_too_long(const run_state& state, int i, std::size_t length) {
    throw fatal_error("Exceeding MAX_STATE_LENGTH.", exit_failure,
                      strprintf("Data file %s: name %d of the header has %zu characters; at most %d are read (%s).",
                                state.data_file.c_str(), i + 1, length, MAX_STATE_LENGTH - 1, long_header_hint));
}

// With --row-names, the header's first name labels the row name column when
// it is empty (R's write.csv) or one name too many (pandas writes none).
void drop_row_name_heading(std::vector<std::string>& names, int n_vars) {
    if (!names.empty() && (names.front().empty() || names.size() == static_cast<std::size_t>(n_vars) + 1))
        names.erase(names.begin());
}

void warn_about_names(const std::vector<std::string>& all, int n_vars, bool lone_cr, run_state& state) {
    const char* file = state.data_file.c_str();
    // Lines that end in CR alone make one header of the whole file: the error that follows says so.
    if (all.size() > static_cast<std::size_t>(n_vars) && !lone_cr) {
        state.warnings.push_back(strprintf(
            "Data file %s: the header holds %zu names, more than n_vars (%d); the first %d were taken. %s", file,
            all.size(), n_vars, n_vars,
            state.reading.row_names ? "Check n_vars."
                                    : "If the first column holds row names, use --row-names; else check n_vars."));
    }
    std::unordered_map<std::string_view, int> first_of;
    for (int i = 0; i < n_vars; ++i) {
        const auto [place, fresh] = first_of.try_emplace(all[static_cast<std::size_t>(i)], i);
        if (fresh) continue;
        state.warnings.push_back(
            strprintf("Data file %s: variables %d and %d are both named \"%s\"; the local mode takes the first. "
                      "Give every variable its own name.",
                      file, place->second + 1, i + 1, printable(place->first, false).c_str()));
        return;  // one line says it: the user renames and looks again
    }
}

}  // namespace

std::vector<std::string> split_header_names(std::string_view header) {
    std::vector<std::string> names;
    std::size_t at = 0;
    for (;;) {
        const std::size_t begin = header.find_first_not_of(name_delimiters, at);
        if (begin == std::string_view::npos) return names;
        at = begin;
        std::string name;
        if (header[begin] != '"' || !take_quoted(header, at, name)) {
            at = std::min(header.find_first_of(name_delimiters, begin), header.size());
            name.assign(header.substr(begin, at - begin));
        }
        names.push_back(std::move(name));
    }
}

data_header read_data_header(file_reader& reader, run_state& state) {
    std::string line = read_header_line(reader, state);
    // Like a C string, the header's text ends at a zero byte.
    line.resize(std::min(line.size(), line.find('\0')));
    data_header header;
    header.lone_cr = line.find('\r') != std::string::npos;  // a CR LF pair has been read as LF
    std::vector<std::string> all = split_header_names(line);
    if (state.reading.row_names) drop_row_name_heading(all, state.n_vars);
    // Names are checked in order, so a too long name is reported even when
    // too few names follow it.
    const std::size_t wanted = static_cast<std::size_t>(state.n_vars);
    for (std::size_t i = 0; i < std::min(wanted, all.size()); ++i)
        if (!state.reading.long_header && all[i].size() > static_cast<std::size_t>(MAX_STATE_LENGTH - 1))
            name_too_long(state, static_cast<int>(i), all[i].size());
    if (all.size() < wanted) {
        // An odd number of quotes: a quoted name runs on past the header's line end.
        const bool open_quote = std::count(line.begin(), line.end(), '"') % 2 == 1;
        throw fatal_error(strprintf("Data file %s: the header has %zu names, fewer than n_vars (%d).",
                                    state.data_file.c_str(), all.size(), state.n_vars),
                          exit_failure,
                          open_quote ? strprintf("Data file %s: a quoted name in the header holds a line end, which "
                                                 "ends the header there; take the line ends out of the names.",
                                                 state.data_file.c_str())
                                     : "");
    }
    warn_about_names(all, state.n_vars, header.lone_cr, state);
    all.resize(wanted);
    header.names = std::move(all);
    return header;
}

}  // namespace gaussnet
