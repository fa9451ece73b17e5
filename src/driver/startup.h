#pragma once

#include "common/run_state.h"
#include "driver/command_line.h"

namespace gaussnet {

// Checks that the export directory and the results table can be written,
// reads the input files, derives the moral graph and writes the banner to
// the console and "res.txt".
run_state start_up(const command_line& line);

// Comparison mode (six arguments) or local mode (eight): the one place that
// runs the learners, times them, prints, logs, scores and exports.
void run_sequence(const command_line& line, const run_state& state);

}  // namespace gaussnet
