#pragma once
// Argument parsing, all in one place: options first ("--" ends them), then
// the six or eight positional arguments, converted once into typed options.
// Every plain command line keeps its meaning.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "bootstrap/bootstrap.h"
#include "common/cores.h"
#include "common/test_setting.h"
#include "gaussnet/gaussnet.h"
#include "input/run_state.h"

namespace gaussnet {

// The runs of a comparison, in the order they run.
using api::all_learners;
using api::learner_kind;
using api::learner_name;

// The eight-argument mode: the neighbourhood of one named variable.
struct local_request {
    std::string target;  // compared with the names byte for byte
    int radius = 0;
};

// The positional arguments, converted as the C library's atoi and atof
// would (text without digits gives 0); counts may not be negative. The first
// four are the input request (data_file, n_cases, n_vars, true_net).
struct command_line : input_request {
    std::vector<std::string> positional;  // data_file n_cases n_vars true_net alpha exact [target radius], verbatim

    double alpha = 0.0;
    int exact = 0;  // as given; any value but 0 selects Student t
    test_kind test = test_kind::fisher_z;
    correlation_kind correlation = correlation_kind::pearson;  // --correlation
    std::optional<local_request> local;

    // Options.
    int n_threads = 1;
    std::array<bool, all_learners.size()> learners = {true, true, true};  // indexed by learner_kind
    bool learners_given = false;
    bool net_given = false;       // --net FILE (net_file)
    std::string export_dir;       // empty: no export
    std::string table_file;       // empty: no results table
    std::string report_file;      // --report FILE.html; empty: no report
    bootstrap_request bootstrap;  // resamples 0: no bootstrap
    bool show_help = false;
    bool show_version = false;

    // Arguments read otherwise than they look (atoi's and atof's reading
    // kept): one line each for standard error.
    std::vector<std::string> warnings;

    bool runs(learner_kind kind) const { return learners[static_cast<std::size_t>(kind)]; }
};

// The usage line, without its framing line ends.
std::string usage_text();
// The usage line followed by the options, for --help.
std::string help_text();

// Throws fatal_error(usage_text(), exit_usage) for an unknown option, a bad
// option value, or a positional count other than six or eight, with a
// diagnostic naming the fault; fatal_error (status 1) for a negative or too
// large count.
command_line parse_command_line(int argc, char** argv);

// Conversions with the C library's semantics: leading blanks, optional sign,
// digits up to the first other character; text without digits gives 0.
int convert_int(const std::string& text);
double convert_double(const std::string& text);

}  // namespace gaussnet
