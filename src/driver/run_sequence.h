#pragma once

#include "driver/command_line.h"
#include "input/run_state.h"

namespace gaussnet {

class target_distributor;
class resample_distributor;
struct report_book;

// This process's part in a run spread over several processes. The lead alone
// prints, logs, scores, tables, exports and runs EE; the IAMB and local runs
// hand their targets to the distributor (null: this process's threads).
struct run_role {
    bool lead = true;
    target_distributor* distributor = nullptr;
    resample_distributor* resamples = nullptr;  // a bootstrap's resamples; null: this process's threads
    report_book* report = nullptr;              // the lead's runs for --report; null: no report
};

// Comparison mode (six arguments) or local mode (eight): the one place that
// runs the learners, times them, prints, logs, scores and exports. Returns
// the exit status: 0, or exit_no_resample_finished when a bootstrap had no
// resample that finished (every run still went on and was written).
int run_sequence(const command_line& line, const run_state& state, const run_role& role = {});

}  // namespace gaussnet
