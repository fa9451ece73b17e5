#include "driver/startup.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "common/fatal_error.h"
#include "common/text.h"
#include "driver/command_line.h"
#include "evaluation/result_log.h"
#include "input/read_input.h"
#include "learners/edge_exclusion.h"
#include "learners/iamb.h"
#include "learners/local_iamb.h"
#include "stats/covariance.h"

namespace gaussnet {

namespace {

// A count from the command line: atoi's reading, but a negative count or one
// beyond the int range is an error rather than a failed allocation.
int convert_count(const std::string& text, const char* name) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 0) throw fatal_error(strprintf("Negative %s (%ld).", name, value));
    if (value > INT_MAX) throw fatal_error(strprintf("Too large %s (%ld).", name, value));
    return static_cast<int>(value);
}

void write_banner(const run_state& state) {
    const std::string banner =
        strprintf("\n n_vars= %d, n_cases= %d, n_edges= %d", state.n_vars, state.n_cases, state.n_edges);
    print_console(banner);
    flush_console();
    append_to_log(banner + ",");
}

// The run still ends with status 0 (a variable may be named anything), but
// never silently: an option typed after the positional arguments lands here.
void report_unknown_target(const std::string& target) {
    std::string text = "No variable named \"" + target + "\"; nothing was learned.";
    if (target.rfind("--", 0) == 0) text += " Options go before the positional arguments.";
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

run_state start_up(const std::vector<std::string>& positional, int n_threads) {
    run_state state;
    state.data_file = positional.at(0);
    state.n_cases = convert_count(positional.at(1), "n_cases");
    state.n_vars = convert_count(positional.at(2), "n_vars");
    state.true_net = convert_int(positional.at(3));
    state.alpha = convert_double(positional.at(4));
    state.exact = convert_int(positional.at(5));
    state.n_threads = n_threads;

    read_input(state);
    state.n_edges = 0;
    if (state.true_net == 1) derive_moral_graph(state);
    write_banner(state);
    return state;
}

void run_sequence(const run_state& state, const std::vector<std::string>& positional) {
    if (positional.size() == 8) {
        for (int v = 0; v < state.n_vars; ++v) {
            if (state.var_names[v] == positional[6]) {
                local_iamb(state, v, convert_int(positional[7]));
                flush_console();
                return;
            }
        }
        report_unknown_target(positional[6]);
        return;
    }
    // The first run estimates the covariance (and is timed for it); the later ones share it.
    shared_covariance covariance(state);
    // Each run's console text is flushed as soon as it is complete.
    if (state.n_cases > state.n_vars) {
        edge_exclusion(state, covariance);
        flush_console();
    }
    run_iamb(state, 2, covariance);
    flush_console();
    run_iamb(state, 1, covariance);
    flush_console();
}

}  // namespace gaussnet
