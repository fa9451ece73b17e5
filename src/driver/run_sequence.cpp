// The run sequence: which learners run, in which order, and everything that
// happens to what they learn. Each run is learned, timed, printed, logged,
// scored, tabled and exported here; a learner only computes.

#include <charconv>
#include <cstdio>
#include <optional>

#include "common/run_timer.h"
#include "common/text.h"
#include "driver/startup.h"
#include "evaluation/report_structure.h"
#include "evaluation/result_log.h"
#include "export/csv.h"
#include "export/export_files.h"
#include "export/results_table.h"
#include "learners/edge_exclusion.h"
#include "learners/iamb.h"
#include "learners/local_iamb.h"
#include "stats/covariance.h"

namespace gaussnet {

namespace {

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

learner_setting setting_of(const command_line& line, const run_state& state, const run_role& role) {
    return {test_setting{line.test, state.n_cases}, line.alpha, line.n_threads, state.var_names, role.distributor};
}

void write_rates(const char* format, const rate_triple& r) {
    const std::string text = strprintf(format, r.tpr, r.fdr, r.fdr2);
    print_console(text);
    append_to_log(text);
}

// With a true network both triples of rates to the console and the log;
// otherwise the learned matrix to the log.
structure_report report_structure(const command_line& line, const run_state& state, const ByteMatrix& learned) {
    structure_report report;
    if (state.true_net != 1) {
        append_to_log(matrix_block(learned));
        // The table counts the edges and the export lists them.
        if (!line.export_dir.empty() || !line.table_file.empty()) report.edges = learned_edges(learned);
        return report;
    }
    report.scores = score_structure(learned, state.moral_graph, state.n_edges, line.n_threads);
    write_rates(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", report.scores->per_variable);
    write_rates(", tpr= %.2f, fdr= %.2f, fdr2= %.2f", report.scores->per_edge);
    report.edges = std::move(report.scores->edges);
    return report;
}

std::string shortest_text(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

long long count_learned(const std::vector<scored_edge>& edges) {
    long long count = 0;
    for (const scored_edge& edge : edges) count += edge.status != edge_status::fn ? 1 : 0;
    return count;
}

std::string table_row(const command_line& line, const run_state& state, const run_label& label, long long milliseconds,
                      long long tests, const structure_report& report) {
    std::string row = strprintf("%s,%d,%d,%d,%s,%d,%s,", csv_field(line.data_file).c_str(), state.n_vars, state.n_cases,
                                state.n_edges, shortest_text(line.alpha).c_str(), line.exact, label.name.c_str());
    row += line.local ? csv_field(line.local->target) + strprintf(",%d,", line.local->radius) : ",,";
    row += strprintf("%d,%lld.%03lld,%lld,", line.n_threads, milliseconds / 1000, milliseconds % 1000, tests);
    row += std::to_string(count_learned(report.edges));
    if (report.scores) {
        for (const rate_triple& r : {report.scores->per_variable, report.scores->per_edge})
            row += strprintf(",%.9g,%.9g,%.9g", r.tpr, r.fdr, r.fdr2);
    } else {
        row += ",,,,,,";
    }
    return row + "\n";
}

template <typename Learn>
void timed_run(const command_line& line, const run_state& state, const run_role& role, const run_label& label,
               Learn&& learn) {
    const run_timer timer;
    const learned_structure learned = learn();
    if (!role.lead) return;
    const long long milliseconds = timer.elapsed_milliseconds();
    print_console(strprintf("\n %s \t %d sec.,", label.console.c_str(), timer.elapsed_seconds()));
    if (label.logged) append_to_log(strprintf(" %s %d sec.,", label.console.c_str(), timer.elapsed_seconds()));
    structure_report report = report_structure(line, state, learned.graph);
    // A finished run's line reaches the screen now, not when the next run ends.
    flush_console();
    if (!line.table_file.empty())
        append_table_row(line.table_file, table_row(line, state, label, milliseconds, learned.tests, report));
    if (!line.export_dir.empty()) {
        export_run(line.export_dir, {label.name, state.var_names, report.edges, report.scores.has_value(),
                                     label.blankets ? &learned.graph : nullptr});
    }
}

std::optional<int> find_variable(const run_state& state, const std::string& name) {
    for (int v = 0; v < state.n_vars; ++v)
        if (state.var_names[v] == name) return v;
    return std::nullopt;
}

void run_local(const command_line& line, const run_state& state, const run_role& role) {
    const local_request& local = *line.local;
    const std::optional<int> target = find_variable(state, local.target);
    if (!target) {
        if (!role.lead) return;
        std::fprintf(stderr, "No variable named \"%s\"; nothing was learned.%s\n", local.target.c_str(),
                     local.target.rfind("--", 0) == 0 ? " Options go before the positional arguments." : "");
        return;
    }
    shared_covariance covariance(state.data_matrix, line.n_threads);
    const learner_setting setting = setting_of(line, state, role);
    const run_label label{"local", strprintf("IAMB(%d,%d):", *target, local.radius), false, true};
    timed_run(line, state, role, label, [&] { return local_iamb(setting, *target, local.radius, covariance.get()); });
}

void run_comparison(const command_line& line, const run_state& state, const run_role& role) {
    // The first run estimates the covariance (and is timed for it); the later ones share it.
    shared_covariance covariance(state.data_matrix, line.n_threads);
    const learner_setting setting = setting_of(line, state, role);
    // EE is not spread over processes: the lead runs it alone.
    if (line.runs(learner_kind::ee) && role.lead) {
        if (state.n_cases > state.n_vars) {
            timed_run(line, state, role, {"EE", "EE:", true, false},
                      [&] { return edge_exclusion(setting, covariance.get()); });
        } else if (line.learners_given) {
            std::fprintf(stderr, "EE runs only with more cases than variables (n_cases %d, n_vars %d); skipped.\n",
                         state.n_cases, state.n_vars);
        }
    }
    for (const auto& [kind, variant] : {std::pair{learner_kind::iamb2, iamb_variant::adjusted},
                                        std::pair{learner_kind::iamb1, iamb_variant::plain}}) {
        if (!line.runs(kind)) continue;
        const std::string name = learner_name(kind);
        timed_run(line, state, role, {name, name + ":", true, true},
                  [&] { return run_iamb(setting, variant, covariance.get()); });
    }
}

}  // namespace

void run_sequence(const command_line& line, const run_state& state, const run_role& role) {
    if (line.local) {
        run_local(line, state, role);
    } else {
        run_comparison(line, state, role);
    }
}

}  // namespace gaussnet
