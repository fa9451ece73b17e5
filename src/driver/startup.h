#pragma once

#include <string>
#include <vector>

#include "driver/run_state.h"

namespace gaussnet {

// Converts the six positional arguments, reads the input files, derives the
// moral graph and writes the banner to the console and "res.txt".
run_state start_up(const std::vector<std::string>& positional, int n_threads);

// Comparison mode (six arguments) or local mode (eight).
void run_sequence(const run_state& state, const std::vector<std::string>& positional);

}  // namespace gaussnet
