#pragma once
// What the input readers are asked to read, and what they read: filled
// during start-up and read-only afterwards. The driver, the input readers
// and the cluster use it; the learners take matrices and settings instead.

#include <string>
#include <vector>

#include "common/matrix.h"

namespace gaussnet {

inline constexpr int MAX_LINE_LENGTH = 100000;
inline constexpr int MAX_STATE_LENGTH = 100;

// The data file, its shape and whether "net.txt" is read: given once, on
// the command line, which carries it into the run state as one value.
struct input_request {
    std::string data_file;
    int n_cases = 0;
    int n_vars = 0;
    int true_net = 0;  // only 1 means that "net.txt" is read and scores are written
};

struct run_state : input_request {
    // Row = case, column = variable. Every value is exactly a single-precision
    // number, so floats hold them without loss; they are widened on use.
    FloatMatrix data_matrix;
    std::vector<std::string> var_names;
    ByteMatrix true_network;  // row = parent, column = child
    ByteMatrix moral_graph;   // symmetric, zero diagonal
    int n_edges = 0;
};

}  // namespace gaussnet
