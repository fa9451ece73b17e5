#include "driver/command_line.h"

#include <sched.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

std::string usage_text() {
    return "Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) [target radius].";
}

namespace {

// "EE, IAMB2, IAMB1" for messages.
std::string learner_names(const char* separator = ", ") {
    std::string names;
    for (const learner_kind kind : all_learners)
        names += std::string(names.empty() ? "" : separator) + learner_name(kind);
    return names;
}

}  // namespace

std::string help_text() {
    return "Usage: gaussnet [options] data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) "
           "[target radius]\n"
           "\n"
           "Options (before the positional arguments; \"--\" ends them):\n"
           "  --threads N       learn with N threads (default: the cores this process may use)\n"
           "  --learners LIST   run only these of " +
           learner_names(",") +
           " (comma-separated, any case; default all)\n"
           "  --export DIR      write each run's edges, blankets and Graphviz graph into DIR\n"
           "  --table FILE      append one CSV row per run to FILE (created with a header row)\n"
           "  --report FILE     write every run as one interactive HTML page (FILE.html) to open in a browser\n"
           "  --long-header     no limit on the header line's length or a name's but memory\n"
           "  --row-names       each data line begins with a case label (R's write.csv, pandas' to_csv)\n"
           "  --decimal-comma   numbers have decimal commas (3,5); fields end at blanks, tabs or semicolons\n"
           "  --net FILE        read the true network from FILE instead of net.txt (with true_net 1)\n"
           "  --forbid FILE     pairs of variables never joined (CSV: two names a line)\n"
           "  --require FILE    pairs of variables always joined (CSV: two names a line)\n"
           "  --correlation C   learn from pearson (default), normal (normal scores), spearman or kendall\n"
           "                    correlations; the rank-based three suit skewed data (any increasing\n"
           "                    transformation of a variable), normal best\n"
           "  --missing complete  leave out the cases with a missing value (NA, NaN or an empty field)\n"
           "  --bootstrap B     after each run, learn it again on B resamples of the cases: edge frequencies\n"
           "  --seed S          the resamples' random seed (default 1)\n"
           "  --threshold T     frequency that puts an edge in the consensus network (default 0.5)\n"
           "  --help            print this text and exit\n"
           "  --version         print the version and exit\n";
}

int convert_int(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

double convert_double(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

namespace {

[[noreturn]] void usage_error(const std::string& reason, const std::string& diagnostic) {
    throw fatal_error(reason.empty() ? usage_text() : reason + " " + usage_text(), exit_usage,
                      "gaussnet: " + diagnostic + "; gaussnet --help lists the arguments and options.");
}

int parse_thread_count(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || value < 1 || value > api::max_threads)
        usage_error("", strprintf("--threads takes a count from 1 to %d, not \"%s\"", api::max_threads, text.c_str()));
    return static_cast<int>(value);
}

std::array<bool, all_learners.size()> parse_learner_list(const std::string& list) {
    std::array<bool, all_learners.size()> chosen{};
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::optional<learner_kind> kind = api::learner_named(name);
        if (!kind)
            usage_error("Unknown learner \"" + name + "\" in --learners (choose from " + learner_names() + ").",
                        "--learners names \"" + name + "\"");
        chosen[static_cast<std::size_t>(*kind)] = true;
        if (comma == std::string::npos) return chosen;
        start = comma + 1;
    }
}

// A count from the command line: atoi's reading, but a negative count or one
// beyond the int range is an error rather than a failed allocation.
int convert_count(const std::string& text, const char* name) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 0) throw fatal_error(strprintf("Negative %s (%ld).", name, value));
    if (value > INT_MAX) throw fatal_error(strprintf("Too large %s (%ld).", name, value));
    return static_cast<int>(value);
}

// Whether text is what it looks like to the reader: a whole number within
// the int range, or (real) a finite decimal number, and nothing else.
bool clean_number(const std::string& text, bool real) {
    errno = 0;
    char* end = nullptr;
    const bool whole = !real && text.find_first_of(".eExXpP") == std::string::npos;
    const long value = whole ? std::strtol(text.c_str(), &end, 10) : 0;
    const double number = real ? std::strtod(text.c_str(), &end) : 0;
    const bool in_range = real ? std::isfinite(number) : (value >= INT_MIN && value <= INT_MAX && errno == 0);
    return (whole || real) && end != text.c_str() && *end == '\0' && in_range &&
           !std::isspace(static_cast<unsigned char>(text[0]));
}

// A line for standard error when argument position (named name) is not a
// clean number: how it was read all the same.
void check_argument(command_line& line, std::size_t position, const char* name, bool real, const std::string& read) {
    const std::string& text = line.positional[position];
    if (clean_number(text, real)) return;
    line.warnings.push_back(strprintf("gaussnet: argument %zu (%s) \"%s\" is not %s; it was read as %s.", position + 1,
                                      name, text.c_str(), real ? "a decimal number" : "a whole number of int range",
                                      read.c_str()));
}

void check_arguments(command_line& line) {
    check_argument(line, 1, "n_cases", false, std::to_string(line.n_cases));
    check_argument(line, 2, "n_vars", false, std::to_string(line.n_vars));
    check_argument(line, 3, "true_net", false, std::to_string(line.true_net));
    check_argument(line, 4, "alpha", true, strprintf("%g", line.alpha));
    check_argument(line, 5, "exact", false, std::to_string(line.exact));
    if (line.local) check_argument(line, 7, "radius", false, std::to_string(line.local->radius));
    // A decimal comma reads as 0 and is caught above; a clean alpha may still make no sense.
    if (clean_number(line.positional[4], true) && !(line.alpha > 0 && line.alpha < 1)) {
        line.warnings.push_back(strprintf("gaussnet: argument 5 (alpha) %s lies outside (0, 1); it is used as given.",
                                          line.positional[4].c_str()));
    }
}

void convert_positional(command_line& line) {
    const std::vector<std::string>& words = line.positional;
    line.data_file = words[0];
    line.n_cases = convert_count(words[1], "n_cases");
    line.n_vars = convert_count(words[2], "n_vars");
    line.true_net = convert_int(words[3]);
    line.alpha = convert_double(words[4]);
    line.exact = convert_int(words[5]);
    line.test = line.exact != 0 ? test_kind::student_t : test_kind::fisher_z;
    if (words.size() == 8) line.local = local_request{words[6], convert_int(words[7])};
    check_arguments(line);
}

[[noreturn]] void bad_value(const char* option, const std::string& text, const std::string& wanted) {
    throw std::invalid_argument(std::string("Bad value \"") + text + "\" for " + option + " (" + wanted + ").");
}

// A whole decimal number from text, all of it; false when it is not one or is out of range.
bool whole_number(const std::string& text, unsigned long long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

// The bootstrap's option values; each throws std::invalid_argument with a message naming its option.
int parse_resample_count(const std::string& text) {
    unsigned long long value = 0;
    if (!whole_number(text, value) || value < 1 || value > static_cast<unsigned long long>(api::max_resamples))
        bad_value("--bootstrap", text, strprintf("a whole number of resamples from 1 to %d", api::max_resamples));
    return static_cast<int>(value);
}

std::uint64_t parse_bootstrap_seed(const std::string& text) {
    unsigned long long value = 0;
    if (!whole_number(text, value)) bad_value("--seed", text, "a whole number from 0 to 18446744073709551615");
    return value;
}

double parse_bootstrap_threshold(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    // White space is refused at either end, as in the counts.
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || *end != '\0' ||
        !(value > 0.0 && value <= 1.0))
        bad_value("--threshold", text, "a share of the resamples above 0 and at most 1");
    return value;
}

// A bootstrap option's value, or the usage error that names the option.
template <typename Parse>
auto bootstrap_value(Parse&& parse, const std::string& text) {
    try {
        return parse(text);
    } catch (const std::invalid_argument& error) {
        std::string diagnostic = error.what();
        if (!diagnostic.empty() && diagnostic.back() == '.') diagnostic.pop_back();
        usage_error(error.what(), diagnostic);
    }
}

// "--name VALUE" or "--name=VALUE": the value, advancing index past it; none when arg is another option.
std::optional<std::string> option_value(const char* name, int argc, char** argv, int& index) {
    const char* arg = argv[index];
    const std::size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0) return std::nullopt;
    if (arg[length] == '=') return std::string(arg + length + 1);
    if (arg[length] != '\0') return std::nullopt;
    if (index + 1 >= argc) usage_error("", std::string(name) + " needs a value");
    return std::string(argv[++index]);
}

// "--name FILE": the file's name, which may not be empty; none when arg is another option.
std::optional<std::string> file_option(const char* name, int argc, char** argv, int& index) {
    std::optional<std::string> file = option_value(name, argc, argv, index);
    if (file && file->empty())
        usage_error(std::string(name) + " needs a file name.", std::string(name) + " is given no file name");
    return file;
}

// The options that shape the runs and their files; false when arg is none of them.
bool read_run_option(command_line& result, int argc, char** argv, int& index) {
    const char* arg = argv[index];
    if (const auto threads = option_value("--threads", argc, argv, index)) {
        result.n_threads = parse_thread_count(*threads);
    } else if (const auto list = option_value("--learners", argc, argv, index)) {
        result.learners = parse_learner_list(*list);
        result.learners_given = true;
    } else if (const auto dir = option_value("--export", argc, argv, index)) {
        if (dir->empty()) usage_error("--export needs a directory.", "--export is given no directory");
        result.export_dir = *dir;
    } else if (const auto file = file_option("--table", argc, argv, index)) {
        result.table_file = *file;
    } else if (const auto page = file_option("--report", argc, argv, index)) {
        result.report_file = *page;
    } else if (std::strcmp(arg, "--long-header") == 0) {
        result.reading.long_header = true;
    } else if (std::strcmp(arg, "--row-names") == 0) {
        result.reading.row_names = true;
    } else if (std::strcmp(arg, "--decimal-comma") == 0) {
        result.reading.decimal_comma = true;
    } else if (const auto net = file_option("--net", argc, argv, index)) {
        result.net_file = *net;
        result.net_given = true;
    } else {
        return false;
    }
    return true;
}

// How the data become the learners' matrix; false when arg is none of these options.
bool read_data_option(command_line& result, int argc, char** argv, int& index) {
    if (const auto kind = option_value("--correlation", argc, argv, index)) {
        const std::optional<correlation_kind> parsed = api::correlation_named(*kind);
        if (!parsed)
            usage_error("Unknown correlation \"" + *kind +
                            "\" in --correlation (choose from pearson, spearman, kendall, normal).",
                        "--correlation names \"" + *kind + "\"");
        result.correlation = *parsed;
    } else if (const auto forbid = file_option("--forbid", argc, argv, index)) {
        result.forbid_file = *forbid;
    } else if (const auto require = file_option("--require", argc, argv, index)) {
        result.require_file = *require;
    } else if (const auto missing = option_value("--missing", argc, argv, index)) {
        if (*missing != "complete")
            usage_error("Unknown setting \"" + *missing + "\" in --missing (the one setting is complete).",
                        "--missing names \"" + *missing + "\"");
        result.reading.complete_cases = true;
    } else {
        return false;
    }
    return true;
}

// The bootstrap's options; false when arg is none of them. needs_bootstrap
// names --seed or --threshold once given: they mean nothing alone.
bool read_bootstrap_option(command_line& result, int argc, char** argv, int& index, const char*& needs_bootstrap) {
    if (const auto count = option_value("--bootstrap", argc, argv, index)) {
        result.bootstrap.resamples = bootstrap_value(parse_resample_count, *count);
    } else if (const auto seed = option_value("--seed", argc, argv, index)) {
        result.bootstrap.seed = bootstrap_value(parse_bootstrap_seed, *seed);
        needs_bootstrap = "--seed";
    } else if (const auto threshold = option_value("--threshold", argc, argv, index)) {
        result.bootstrap.threshold = bootstrap_value(parse_bootstrap_threshold, *threshold);
        needs_bootstrap = "--threshold";
    } else {
        return false;
    }
    return true;
}

// Reads the options before the positional arguments; returns the first
// positional argument's index.
int read_options(command_line& result, int argc, char** argv, const char*& needs_bootstrap) {
    int index = 1;
    for (; index < argc; ++index) {
        const char* arg = argv[index];
        if (std::strncmp(arg, "--", 2) != 0) break;
        if (std::strcmp(arg, "--") == 0) return index + 1;
        if (std::strcmp(arg, "--help") == 0) {
            result.show_help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            result.show_version = true;
        } else if (!read_run_option(result, argc, argv, index) &&
                   !read_bootstrap_option(result, argc, argv, index, needs_bootstrap) &&
                   !read_data_option(result, argc, argv, index)) {
            usage_error("", strprintf("unknown option %s", arg));
        }
    }
    return index;
}

}  // namespace

command_line parse_command_line(int argc, char** argv) {
    command_line result;
    result.n_threads = available_cores();
    const char* needs_bootstrap = nullptr;
    for (int index = read_options(result, argc, argv, needs_bootstrap); index < argc; ++index)
        result.positional.emplace_back(argv[index]);
    if (result.show_help || result.show_version) return result;
    if (needs_bootstrap != nullptr && result.bootstrap.resamples == 0)
        usage_error(std::string(needs_bootstrap) + " applies only with --bootstrap.",
                    std::string(needs_bootstrap) + " is given without --bootstrap");
    const std::size_t count = result.positional.size();
    if (count != 6 && count != 8) {
        const bool option_among = std::any_of(result.positional.begin(), result.positional.end(),
                                              [](const std::string& word) { return word.rfind("--", 0) == 0; });
        usage_error("", strprintf("%zu arguments given, 6 or 8 expected%s", count,
                                  option_among ? " (options go before the positional arguments)" : ""));
    }
    if (count == 8 && result.learners_given)
        usage_error("--learners applies to the comparison of six arguments, not to the local mode.",
                    "--learners is given with the 8 arguments of the local mode");
    convert_positional(result);
    if (result.net_given && result.true_net != 1)
        usage_error("--net applies only with true_net 1.", "--net is given, but true_net is not 1");
    return result;
}

}  // namespace gaussnet
