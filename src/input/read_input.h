#pragma once
// The input files: the data file and "net.txt".

#include "input/run_state.h"

namespace gaussnet {

// Reads the true network, state.net_file (only when state.true_net is 1),
// then the data file, then the lists of known pairs (state.pairs).
// Fills var_names, data_matrix and true_network. Throws fatal_error on any
// input error, before anything has been written to "res.txt".
void read_input(run_state& state);

// The data file alone: header names and n_cases x n_vars values.
void read_data_file(run_state& state);

// A true network file ("net.txt" in the working directory unless --net names
// another): n_vars lines of n_vars cell characters;
// a digit 1 to 9 is an arc from the row's variable to the column's.
void read_true_network(run_state& state, const char* path = "net.txt");

}  // namespace gaussnet
