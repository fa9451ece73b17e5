#pragma once
// The data file's header line and its names (within the input room).

#include <string>
#include <string_view>
#include <vector>

#include "input/file_reader.h"
#include "input/run_state.h"

namespace gaussnet {

struct data_header {
    std::vector<std::string> names;  // the n_vars names of the variables
    bool lone_cr = false;            // the line holds a CR without a LF: a file whose lines end in CR alone?
};

// Reads the header line and takes the n_vars names from it, adding a warning
// to state.warnings for a header with more names than n_vars (after a row
// name column with --row-names) and for names given twice. Throws
// fatal_error for an empty file, the line and name limits (unless
// --long-header lifts them) and too few names.
data_header read_data_header(file_reader& reader, run_state& state);

// Every name of a header line, in order: split at runs of blanks, commas,
// tabs, LFs and CRs (and semicolons, when asked for); a name in double
// quotes is taken whole, separators inside included, with a doubled quote
// standing for one (RFC 4180).
std::vector<std::string> split_header_names(std::string_view header, bool semicolons = false);

}  // namespace gaussnet
