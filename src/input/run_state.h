#pragma once
// What the input readers are asked to read, and what they read: filled
// during start-up and read-only afterwards. The driver, the input readers
// and the cluster use it; the learners take matrices and settings instead.

#include <string>
#include <vector>

#include "common/matrix.h"
#include "common/pair_constraints.h"

namespace gaussnet {

inline constexpr int MAX_LINE_LENGTH = 100000;
inline constexpr int MAX_STATE_LENGTH = 100;

// How the data file is read beyond the fixed rules.
struct reading_options {
    bool long_header = false;    // no limit on the header line's or a name's length but memory
    bool row_names = false;      // each data line begins with a case label, which is skipped
    bool decimal_comma = false;  // a comma in a number is its decimal point; fields end at blanks, tabs, semicolons
    // NA, NaN (any case) and an empty field are missing values: an error
    // naming the case, or with complete_cases the cases holding one are left out.
    bool complete_cases = false;
};

// The data file, its shape, how it is read and whether "net.txt" is read:
// given once, on the command line, which carries it into the run state as
// one value.
struct input_request {
    std::string data_file;
    int n_cases = 0;
    int n_vars = 0;
    int true_net = 0;                  // only 1 means that the true network is read and scores are written
    reading_options reading;           // --long-header, --row-names, --decimal-comma
    std::string net_file = "net.txt";  // the true network's file (--net)
    std::string forbid_file;           // pairs never joined (--forbid); empty: none
    std::string require_file;          // pairs always joined (--require); empty: none
};

struct run_state : input_request {
    // Row = case, column = variable. Every value is exactly a single-precision
    // number, so floats hold them without loss; they are widened on use.
    FloatMatrix data_matrix;
    std::vector<std::string> var_names;
    ByteMatrix true_network;  // row = parent, column = child
    ByteMatrix moral_graph;   // symmetric, zero diagonal
    int n_edges = 0;
    pair_constraints pairs;  // from forbid_file and require_file

    // What the readers found suspicious but not fatal (the file, the line or
    // argument, what was found and what to do), one line each, for standard
    // error; start-up shows them even when reading then fails.
    std::vector<std::string> warnings;
};

}  // namespace gaussnet
