// The bootstrap for the library's callers: the program's resampling with the
// run's own learning step, its tally as the strength file's rows and the
// consensus network as a run.

#include <utility>

#include "api/calls.h"
#include "api/runs.h"
#include "bootstrap/bootstrap.h"
#include "common/fatal_error.h"
#include "common/run_timer.h"
#include "common/text.h"
#include "gaussnet/gaussnet.h"
#include "learners/local_iamb.h"
#include "output/bootstrap_report.h"
#include "output/export_files.h"
#include "scoring/edge_tally.h"
#include "stats/cholesky.h"
#include "stats/covariance.h"
#include "stats/rank_correlation.h"

namespace gaussnet::api {

namespace {

// The run resampled: its name in results, its label in notes, its learner.
struct resampled_run {
    std::string name;   // "IAMB2", "local"
    std::string label;  // as the program's console names it: "IAMB2", "IAMB(3,2)"
    resample_learner learn;
    std::optional<int> local_target;  // the local run's target and radius
    int radius = 0;
};

resampled_run resampled_run_of(const bootstrap_settings& resampling, const settings& options,
                               const prepared_input& input) {
    if (resampling.local) {
        const std::optional<int> target = find_variable(input.names, options.local_target);
        if (!target) throw input_error(without_line_end(no_variable_text(options.local_target)));
        const int radius = options.local_radius;
        return {"local", strprintf("IAMB(%d,%d)", *target, radius),
                [target = *target, radius](const learner_setting& s, const DoubleMatrix& cov) {
                    return learn_local_run(s, target, radius, cov);
                },
                target, radius};
    }
    const learner_kind kind = resampling.learner;
    if (kind == learner_kind::ee && !ee_applies(input.n_cases(), input.n_vars()))
        throw input_error(without_line_end(ee_skipped_text(input.n_cases(), input.n_vars())));
    return {learner_name(kind), learner_name(kind),
            [kind](const learner_setting& s, const DoubleMatrix& cov) { return learn_run(kind, s, cov); }, std::nullopt,
            0};
}

// The consensus network as a run, scored as the program's bootstrap line scores it.
run_result consensus_run(std::string name, const ByteMatrix& consensus, const prepared_input& input,
                         const local_scope* scope) {
    run_result run;
    run.learner = std::move(name);
    run.blankets.resize(static_cast<std::size_t>(input.n_vars()));
    for (int v = 0; v < input.n_vars(); ++v)
        for (int j = 0; j < input.n_vars(); ++j)
            if (consensus(v, j) == 1) run.blankets[static_cast<std::size_t>(v)].push_back(j);
    if (input.moral_graph.empty()) {
        run.edges = edges_of(learned_edges(consensus));
        return run;
    }
    const structure_scores scored = score_structure(consensus, input.moral_graph, input.n_edges, input.threads);
    run.scores = run_scores{rates_of(scored.per_variable), rates_of(scored.per_edge)};
    run.edges = edges_of(within_scope(scored.edges, scope));
    return run;
}

// The learners' errors as the library's; a rank-based matrix's failure is
// named with its setting, as learn() names it.
template <typename Step>
auto as_library_errors(const resampled_run& run, const learner_setting& setting, Step&& step) {
    try {
        return step();
    } catch (const singular_matrix_error& failure) {
        const correlation_kind kind = setting.test.correlation;
        const std::string text = kind == correlation_kind::pearson
                                     ? failure.what()
                                     : rank_matrix_failure_text(run.name, kind, setting.var_names, failure);
        throw not_positive_definite(text, run.name, failure.target);
    } catch (const fatal_error& failure) {
        throw error(failure.what());
    } catch (const run_cancelled&) {
        throw cancelled();
    }
}

// The run on the full data first, as the program learns it before its
// bootstrap: an error there (a constant variable) is the caller's, not a
// resample's, and is thrown as learn() throws it. Its notes are the run's,
// not the bootstrap's, and are left out. Returns a local run's scope.
std::optional<local_scope> learn_full_data(const prepared_input& input, const learner_setting& setting,
                                           const resampled_run& run) {
    // The matrix of the chosen correlation, as every resample's is.
    DoubleMatrix covariance(input.n_vars(), input.n_vars());
    estimate_association(input.data, setting.test.correlation, input.threads, covariance);
    captured_diagnostics quiet;
    run_context quiet_run(quiet, context_of(setting).cancel_flag());
    learner_setting without_notes = setting;
    without_notes.context = &quiet_run;
    without_notes.progress = nullptr;
    const learned_structure full =
        as_library_errors(run, setting, [&] { return run.learn(without_notes, covariance); });
    if (!run.local_target) return std::nullopt;
    return local_scope{*run.local_target, run.radius, ring_numbers(full.graph, *run.local_target, run.radius)};
}

edge_tally resample(const bootstrap_settings& resampling, const prepared_input& input, const learner_setting& setting,
                    const resampled_run& run) {
    const bootstrap_request request{resampling.resamples, resampling.seed, resampling.threshold};
    return as_library_errors(run, setting, [&] {
        return run_bootstrap(request, input.data, setting, run.learn, nullptr, run.label + " bootstrap");
    });
}

}  // namespace

bootstrap_result bootstrap(const data_view& data, const settings& options, const bootstrap_settings& resampling,
                           const std::optional<truth_view>& truth) {
    check(options, resampling.local);
    check(resampling);
    library_call call(options);
    const prepared_input input = prepare(data, options, truth, call.context());
    const resampled_run run = resampled_run_of(resampling, options, input);
    const learner_setting setting = learner_setting_of(options, input, call.context());
    const std::optional<local_scope> scope = learn_full_data(input, setting, run);
    const local_scope* in_scope = scope ? &*scope : nullptr;
    const run_timer timer;
    const edge_tally tally = resample(resampling, input, setting, run);
    const long long milliseconds = timer.elapsed_milliseconds();
    if (tally.notes > 0)
        call.note(
            strprintf("%s bootstrap: in %lld targets of the resamples the passes returned to an "
                      "earlier member set; each kept that set.",
                      run.label.c_str(), tally.notes));
    if (tally.failed > 0) call.note(failed_resamples_text(run.label, tally));
    const std::vector<edge_frequency> frequencies = edge_frequencies(tally);
    const ByteMatrix consensus = consensus_graph(frequencies, input.n_vars(), resampling.threshold);
    bootstrap_result result;
    const ByteMatrix* moral_graph = input.moral_graph.empty() ? nullptr : &input.moral_graph;
    for (const strength_row& row : strength_rows(tally, frequencies, resampling.threshold, moral_graph, in_scope))
        result.strength.push_back({row.source, row.target, row.frequency, row.status});
    result.resamples = resampling.resamples;
    result.finished = tally.finished;
    result.failed = tally.failed;
    result.tests = tally.tests;
    result.seconds = static_cast<double>(milliseconds) / 1000.0;
    result.consensus = consensus_run(run.name + " bootstrap", consensus, input, in_scope);
    result.consensus.tests = tally.tests;
    result.consensus.seconds = result.seconds;
    return result;
}

}  // namespace gaussnet::api
