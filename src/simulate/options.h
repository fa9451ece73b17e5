#pragma once
// The command line of gaussnet-sim.

#include <cstdint>
#include <string>

#include "simulate/transform.h"

namespace gaussnet::simulate {

struct options {
    bool help = false;
    int n_vars = 0;    // 0: not given (allowed only with a net file)
    int n_cases = -1;  // -1: not given
    double expected_parents = 2.0;
    double weight_lo = 0.5;
    double weight_hi = 1.0;
    double noise_sd = 1.0;
    std::uint64_t seed = 1;
    std::string prefix = "X";
    std::string net_file;  // empty: draw a random network
    transform_kind transform = transform_kind::none;
    bool force = false;
    std::string outdir;
};

// Throws sim_error with status_usage on anything it cannot accept.
options parse_options(int argc, const char* const* argv);

// The text of --help, also shown after a usage error.
const char* usage_text();

}  // namespace gaussnet::simulate
