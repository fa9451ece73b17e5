#pragma once

#include "common/run_state.h"
#include "driver/command_line.h"

namespace gaussnet {

class target_distributor;

// This process's part in a run spread over several processes. The lead alone
// prints, logs, scores, tables, exports and runs EE; the IAMB and local runs
// hand their targets to the distributor (null: this process's threads).
struct run_role {
    bool lead = true;
    target_distributor* distributor = nullptr;
};

// Checks that the export directory and the results table can be written,
// reads the input files, derives the moral graph and writes the banner to
// the console and "res.txt".
run_state start_up(const command_line& line);

// Comparison mode (six arguments) or local mode (eight): the one place that
// runs the learners, times them, prints, logs, scores and exports.
void run_sequence(const command_line& line, const run_state& state, const run_role& role = {});

}  // namespace gaussnet
