#pragma once
// The bootstrap of one run, after the run's own output: the same learner on
// resamples of the cases, then the bootstrap's line, strength file and
// consensus network. Part of the run sequence.

#include <optional>
#include <string>

#include "bootstrap/bootstrap.h"
#include "driver/command_line.h"
#include "driver/run_sequence.h"
#include "input/run_state.h"
#include "output/export_files.h"
#include "output/run_report.h"
#include "report/report.h"

namespace gaussnet {

// What the lead reports of a bootstrap, for its results-table row.
struct bootstrap_outcome {
    run_label label;  // name: "IAMB2 bootstrap"
    long long milliseconds;
    long long tests;
    structure_report consensus;
    int finished;
    int failed;
    std::optional<report_bootstrap> report;  // with --report
};

// Runs the bootstrap of the run labelled label when --bootstrap asks for one
// (every process of a job calls it; the resamples are shared when
// distributed). On the lead, writes the log line, the console line (not
// flushed) and the export files and returns what the table row needs;
// elsewhere nothing. A local run's scope (the variables whose blankets it
// learned) bounds the missed edges its bootstrap lists.
std::optional<bootstrap_outcome> bootstrap_run(const command_line& line, const run_state& state, const run_role& role,
                                               const run_label& label, const learner_setting& setting,
                                               const resample_learner& learn, bool distributed,
                                               const local_scope* scope = nullptr);

}  // namespace gaussnet
