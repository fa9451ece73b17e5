// The data file's header line: the variable names, as spreadsheets, R and
// pandas write them, within the line and name limits.

#include "input/data_header.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

namespace {

constexpr std::string_view name_delimiters = " ,\t\n\r";
// With decimal commas the names may be separated by semicolons too (R's write.csv2).
constexpr std::string_view decimal_comma_delimiters = " ,;\t\n\r";
constexpr std::string_view blanks = " \t\n\r";
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
bool take_quoted(std::string_view header, std::size_t& at, std::string& name, std::string_view delimiters) {
    std::string inner;
    for (std::size_t k = at + 1; k < header.size(); ++k) {
        if (header[k] != '"') {
            inner.push_back(header[k]);
        } else if (k + 1 < header.size() && header[k + 1] == '"') {
            inner.push_back('"');
            ++k;
        } else {
            const bool whole = k + 1 == header.size() || delimiters.find(header[k + 1]) != std::string_view::npos;
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
        // One name too many is the heading of a label column; more is a wrong n_vars or a misread header.
        const bool label_column = !state.reading.row_names && all.size() == static_cast<std::size_t>(n_vars) + 1;
        state.warnings.push_back(
            strprintf("Data file %s: the header holds %zu names, more than n_vars (%d); the first %d were taken. %s",
                      file, all.size(), n_vars, n_vars,
                      label_column ? "If the first column holds row names, use --row-names; else check n_vars."
                                   : "Check n_vars."));
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

// The fields of a header line split at commas alone, blanks around each
// trimmed and blanks inside kept, a name in double quotes unquoted; an empty
// field is an empty name.
std::vector<std::string> split_at_commas(std::string_view header) {
    std::vector<std::string> names;
    for (std::size_t at = 0;;) {
        const std::size_t comma = std::min(header.find(',', at), header.size());
        std::string_view field = header.substr(at, comma - at);
        field.remove_prefix(std::min(field.find_first_not_of(blanks), field.size()));
        field.remove_suffix(field.size() - (field.find_last_not_of(blanks) + 1));
        std::string name(field);
        std::size_t end = 0;
        if (!field.empty() && field.front() == '"' && take_quoted(field, end, name, name_delimiters) &&
            end != field.size())
            name.assign(field);
        names.push_back(std::move(name));
        if (comma == header.size()) return names;
        at = comma + 1;
    }
}

// pandas writes names unquoted even when they hold blanks ("raf kinase,mek").
// Such a header splits into more names at blanks than at commas; when the
// commas alone give n_vars names (after a label column's heading), they are
// the names.
std::optional<std::vector<std::string>> names_at_commas(std::string_view line, std::size_t split_count,
                                                        run_state& state) {
    if (line.find(',') == std::string_view::npos || state.reading.decimal_comma) return std::nullopt;
    // The fields that splitting at blanks too makes names of: all but the empty ones.
    std::size_t written = 0;
    for (std::size_t at = 0; at <= line.size(); ++at) {
        const std::size_t comma = std::min(line.find(',', at), line.size());
        written += line.substr(at, comma - at).find_first_not_of(blanks) != std::string_view::npos;
        at = comma;
    }
    if (written >= split_count) return std::nullopt;  // no blank inside a name
    std::vector<std::string> fields = split_at_commas(line);
    // Only spaces join words in a name; a tab or a lone carriage return
    // inside one would reach every output that names the variable.
    const auto unfit = [](const std::string& field) {
        return field.empty() || field.find_first_of("\t\r\n") != std::string::npos;
    };
    if (state.reading.row_names) drop_row_name_heading(fields, state.n_vars);
    if (fields.size() != static_cast<std::size_t>(state.n_vars) || std::any_of(fields.begin(), fields.end(), unfit))
        return std::nullopt;
    state.warnings.push_back(
        strprintf("Data file %s: its header's names hold blanks and are separated by commas, as pandas writes them; "
                  "the names were read at the commas (\"%s\", ...).",
                  state.data_file.c_str(), printable(fields.front(), false).c_str()));
    return fields;
}

}  // namespace

std::vector<std::string> split_header_names(std::string_view header, bool semicolons) {
    const std::string_view delimiters = semicolons ? decimal_comma_delimiters : name_delimiters;
    std::vector<std::string> names;
    std::size_t at = 0;
    for (;;) {
        const std::size_t begin = header.find_first_not_of(delimiters, at);
        if (begin == std::string_view::npos) return names;
        at = begin;
        std::string name;
        if (header[begin] != '"' || !take_quoted(header, at, name, delimiters)) {
            at = std::min(header.find_first_of(delimiters, begin), header.size());
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
    std::vector<std::string> all = split_header_names(line, state.reading.decimal_comma);
    if (auto at_commas = names_at_commas(line, all.size(), state)) all = std::move(*at_commas);
    else if (state.reading.row_names) drop_row_name_heading(all, state.n_vars);
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
