#pragma once

#include "driver/command_line.h"
#include "input/run_state.h"

namespace gaussnet {

// Checks that the export directory and the results table can be written,
// reads the input files, derives the moral graph and writes the banner to
// the console and "res.txt".
run_state start_up(const command_line& line);

}  // namespace gaussnet
