// The run sequence: which learners run, in which order, and everything that
// happens to what they learn. Each run is learned, timed, printed, logged,
// scored, tabled and exported here; a learner only computes.

#include "driver/run_sequence.h"

#include <optional>

#include "api/runs.h"
#include "common/fatal_error.h"
#include "common/parallel.h"
#include "common/run_context.h"
#include "common/run_timer.h"
#include "common/text.h"
#include "driver/bootstrap_run.h"
#include "learners/local_iamb.h"
#include "learners/progress.h"
#include "output/csv.h"
#include "output/export_files.h"
#include "output/result_log.h"
#include "output/results_table.h"
#include "output/run_report.h"
#include "report/report.h"
#include "stats/cholesky.h"
#include "stats/rank_correlation.h"

namespace gaussnet {

namespace {

// The library's note for a target that names no variable, with the hint a
// command line needs when an option came after the positional arguments.
std::string no_variable_note(const std::string& target) {
    std::string note = api::no_variable_text(target);
    if (target.rfind("--", 0) == 0) note.insert(note.size() - 1, " Options go before the positional arguments.");
    return note;
}

// The learners' notes go to the sink installed for the process (standard
// error unless a caller installed its own), with the special functions'
// reports; their progress line to standard error when that is a terminal.
learner_setting setting_of(const command_line& line, const run_state& state, const run_role& role) {
    return {test_setting{line.test, state.n_cases, line.alpha, line.correlation},
            line.n_threads,
            state.var_names,
            role.distributor,
            &current_context(),
            progress_terminal(),
            &state.pairs};
}

structure_report report_learned(const command_line& line, const run_state& state, const ByteMatrix& learned) {
    const scoring_truth truth{state.true_net == 1 ? &state.moral_graph : nullptr, state.n_edges, line.n_threads};
    return write_structure_report(truth, learned,
                                  !line.export_dir.empty() || !line.table_file.empty() || !line.report_file.empty());
}

std::string row_of(const command_line& line, const run_state& state, const run_label& label, long long milliseconds,
                   long long tests, const structure_report& report, const bootstrap_columns* bootstrap = nullptr) {
    const table_context context{line.data_file,
                                state.n_vars,
                                state.n_cases,
                                state.n_edges,
                                line.alpha,
                                line.exact,
                                line.local ? &line.local->target : nullptr,
                                line.local ? line.local->radius : 0,
                                threads_that_ran(line.n_threads),
                                correlation_name(line.correlation)};
    return table_row(context, label, milliseconds, tests, report, bootstrap);
}

// Why a run met a matrix that is not positive definite, and what to do.
std::string cannot_finish_line(const std::string& learner, const command_line& line, const run_state& state,
                               const singular_matrix_error& failure) {
    const char* run = learner == "local" ? "IAMB2 (local run)" : learner.c_str();
    if (line.correlation != correlation_kind::pearson)
        return api::rank_matrix_failure_text(learner, line.correlation, state.var_names, failure);
    if (failure.target < 0) {
        return strprintf(
            "%s: the covariance matrix of %d variables is singular: some variables are constant or "
            "exact combinations of others. Leave them out of the data file.",
            run, failure.order());
    }
    const std::string target = variable_label(state.var_names, failure.target);
    // A sample of n_cases cases cannot test so many variables at once.
    if (2 * static_cast<long long>(failure.order()) > state.n_cases) {
        // IAMB1's plain p-values let many more members in than IAMB2's adjusted ones.
        const char* remedy = learner == learner_name(learner_kind::iamb1) ? "--learners EE,IAMB2" : "a smaller alpha";
        return strprintf(
            "%s: the blanket of target %s reached %d members, close to the number of cases (%d), so its "
            "test matrix of order %d is singular. Use %s, or more cases.",
            run, target.c_str(), failure.members, state.n_cases, failure.order(), remedy);
    }
    return strprintf(
        "%s: for target %s with %d members the test matrix of order %d is singular: some variables are "
        "constant or exact combinations of others. Leave them out of the data file.",
        run, target.c_str(), failure.members, failure.order());
}

// The invocation as the report's header shows it.
std::vector<std::pair<std::string, std::string>> report_settings(const command_line& line, const run_state& state) {
    std::vector<std::pair<std::string, std::string>> settings = {
        {"data file", line.data_file},
        {"variables", std::to_string(state.n_vars)},
        {"cases", std::to_string(state.n_cases)},
        {"alpha", shortest_text(line.alpha)},
        {"test", line.test == test_kind::fisher_z ? "Fisher's z" : "Student t"},
        {"correlation", correlation_name(line.correlation)},
        {"threads", std::to_string(threads_that_ran(line.n_threads))}};
    if (state.true_net == 1) settings.push_back({"true edges", std::to_string(state.n_edges)});
    if (line.local)
        settings.push_back({"target", line.local->target + ", radius " + std::to_string(line.local->radius)});
    return settings;
}

// The local run's target and radius (its export shows the neighbourhood).
struct local_target {
    int target;
    int radius;
};

// The variables whose blankets a local run learned (none outside the local mode).
std::optional<local_scope> scope_of(const learned_structure& learned, const local_target* local) {
    if (!local) return std::nullopt;
    return local_scope{local->target, local->radius, ring_numbers(learned.graph, local->target, local->radius)};
}

void export_learned(const command_line& line, const run_state& state, const run_label& label,
                    const learned_structure& learned, const structure_report& report, const local_target* local) {
    const std::optional<local_scope> scope = scope_of(learned, local);
    export_run(line.export_dir, {label.name, state.var_names, report.edges, report.scores.has_value(),
                                 label.blankets ? &learned.graph : nullptr, scope ? &*scope : nullptr, nullptr,
                                 &learned.evidence, &state.pairs});
}

void report_run(const command_line& line, const run_state& state, const run_label& label, const run_timer& timer,
                const learned_structure& learned, const local_target* local, report_book* book) {
    const long long milliseconds = timer.elapsed_milliseconds();
    write_timing(label, timer);
    const structure_report report = report_learned(line, state, learned.graph);
    // The run's durable results first: what the console cannot show (a closed
    // pipe, a full disk) is then never lost with it.
    if (!line.table_file.empty())
        append_table_row(line.table_file, row_of(line, state, label, milliseconds, learned.tests, report));
    if (!line.export_dir.empty()) export_learned(line, state, label, learned, report, local);
    if (book) {
        const std::optional<local_scope> scope = scope_of(learned, local);
        book->runs.push_back(report_entry(label.name, milliseconds, learned.tests, report,
                                          within_scope(report.edges, scope ? &*scope : nullptr), learned.evidence,
                                          label.blankets ? &learned.graph : nullptr));
    }
    // A finished run's line reaches the screen now, not when the next run ends.
    flush_console();
}

// distributed: every process of a job takes part in this run (not EE, which the lead runs alone).
// Returns whether the run had a bootstrap none of whose resamples finished.
bool timed_run(const command_line& line, const run_state& state, const run_role& role, const run_label& label,
               const learner_setting& setting, shared_association& covariance, const resample_learner& learn,
               bool distributed = true, const local_target* local = nullptr) {
    const run_timer timer;
    const learned_structure learned = [&] {
        try {
            return learn(setting, covariance.get());
        } catch (singular_matrix_error& failure) {
            failure.set_diagnostic(cannot_finish_line(label.name, line, state, failure));
            throw;
        }
    }();
    if (role.lead) report_run(line, state, label, timer, learned, local, role.report);
    const std::optional<local_scope> scope = scope_of(learned, local);
    const auto bootstrap =
        bootstrap_run(line, state, role, label, setting, learn, distributed, scope ? &*scope : nullptr);
    if (!bootstrap) return false;
    if (role.report) role.report->runs.back().bootstrap = bootstrap->report;
    const bootstrap_columns columns{line.bootstrap, bootstrap->finished, bootstrap->failed};
    if (!line.table_file.empty())
        append_table_row(line.table_file, row_of(line, state, bootstrap->label, bootstrap->milliseconds,
                                                 bootstrap->tests, bootstrap->consensus, &columns));
    flush_console();
    return bootstrap->finished == 0;
}

bool run_local(const command_line& line, const run_state& state, const run_role& role) {
    const local_request& local = *line.local;
    const std::optional<int> target = api::find_variable(state.var_names, local.target);
    if (!target) {
        if (role.lead) current_context().report(event_kind::note, no_variable_note(local.target));
        return false;
    }
    const learner_setting setting = setting_of(line, state, role);
    shared_association covariance(state.data_matrix, line.correlation, line.n_threads,
                                  role.lead ? &context_of(setting) : nullptr);
    const run_label label{"local", strprintf("IAMB(%d,%d):", *target, local.radius), false, true};
    const local_target scope{*target, local.radius};
    return timed_run(
        line, state, role, label, setting, covariance,
        [&](const learner_setting& s, const DoubleMatrix& c) {
            return api::learn_local_run(s, *target, local.radius, c);
        },
        true, &scope);
}

bool run_comparison(const command_line& line, const run_state& state, const run_role& role) {
    // The first run estimates the covariance (and is timed for it); the later ones share it.
    const learner_setting setting = setting_of(line, state, role);
    shared_association covariance(state.data_matrix, line.correlation, line.n_threads,
                                  role.lead ? &context_of(setting) : nullptr);
    bool none_finished = false;
    // EE is not spread over processes: the lead runs it alone.
    if (line.runs(learner_kind::ee) && role.lead) {
        if (api::ee_applies(state.n_cases, state.n_vars)) {
            const std::string name = learner_name(learner_kind::ee);
            none_finished = timed_run(
                line, state, role, {name, name + ":", true, false}, setting, covariance,
                [](const learner_setting& s, const DoubleMatrix& c) { return api::learn_run(learner_kind::ee, s, c); },
                false);
        } else if (line.learners_given) {
            current_context().report(event_kind::note, api::ee_skipped_text(state.n_cases, state.n_vars));
        }
    }
    for (const learner_kind kind : {learner_kind::iamb2, learner_kind::iamb1}) {
        if (!line.runs(kind)) continue;
        const std::string name = learner_name(kind);
        none_finished |=
            timed_run(line, state, role, {name, name + ":", true, true}, setting, covariance,
                      [kind](const learner_setting& s, const DoubleMatrix& c) { return api::learn_run(kind, s, c); });
    }
    return none_finished;
}

}  // namespace

int run_sequence(const command_line& line, const run_state& state, const run_role& role) {
    if (line.report_file.empty() || !role.lead) {
        const bool none_finished = line.local ? run_local(line, state, role) : run_comparison(line, state, role);
        return none_finished ? exit_no_resample_finished : 0;
    }
    // The report holds every run of the invocation: it is written once, at the end.
    report_book book{state.var_names, report_settings(line, state), {}};
    run_role reporting = role;
    reporting.report = &book;
    const bool none_finished = line.local ? run_local(line, state, reporting) : run_comparison(line, state, reporting);
    write_report(line.report_file, report_html(book));
    return none_finished ? exit_no_resample_finished : 0;
}

}  // namespace gaussnet
