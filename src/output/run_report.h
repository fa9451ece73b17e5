#pragma once
// What happens to one learned structure once it is learned: its rates on the
// console and in the log (or its matrix in the log), and its row for the
// results table. The run sequence decides when; this room decides the bytes.

#include <optional>
#include <string>
#include <vector>

#include "common/bootstrap_request.h"
#include "common/matrix.h"
#include "common/run_timer.h"
#include "scoring/report_structure.h"

namespace gaussnet {

// How one run is named in each output.
struct run_label {
    std::string name;     // exports and the table: EE, IAMB2, IAMB1 or local
    std::string console;  // the timing text's label: "EE:", "IAMB(3,2):"
    bool logged;          // the local run's timing goes to the console only
    bool blankets;        // rows are learned blankets (IAMB and local)
};

// What the report of a run found, for the table and the export.
struct structure_report {
    std::optional<structure_scores> scores;  // with a true network
    std::vector<scored_edge> edges;          // learned edges (and, scored, the missed ones)
};

// The truth a learned structure is scored against; moral_graph null: none.
struct scoring_truth {
    const ByteMatrix* moral_graph;
    int n_edges;
    int n_threads;
};

// With a true network both triples of rates to the console and the log;
// otherwise the learned matrix to the log. The learned edges are listed only
// when want_edges (the table counts them and the export lists them) or scored.
structure_report write_structure_report(const scoring_truth& truth, const ByteMatrix& learned, bool want_edges);

// The run's timing text on the console and, when the label says so, in the
// log; each reads the clock for itself, the console first.
void write_timing(const run_label& label, const run_timer& timer);

// The fields of a results-table row that describe the invocation.
struct table_context {
    const std::string& data_file;
    int n_vars;
    int n_cases;
    int n_edges;
    double alpha;
    int exact;
    const std::string* target;  // local mode only
    int radius;
    int threads;
    const char* correlation;  // "pearson", "spearman", "kendall"
};

// A bootstrap's fields of its row: what was asked, and how many resamples
// finished and failed (a consensus over few finished resamples says little).
struct bootstrap_columns {
    const bootstrap_request& request;
    int finished;
    int failed;
};

// One row of the results table, line end included, in table_header()'s order;
// the bootstrap's fields are empty for a run's own row (bootstrap null).
std::string table_row(const table_context& context, const run_label& label, long long milliseconds, long long tests,
                      const structure_report& report, const bootstrap_columns* bootstrap = nullptr);

}  // namespace gaussnet
