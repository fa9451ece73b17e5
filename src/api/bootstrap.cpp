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
#include "scoring/edge_tally.h"

namespace gaussnet::api {

namespace {

// The run resampled: its name in results, its label in notes, its learner.
struct resampled_run {
    std::string name;   // "IAMB2", "local"
    std::string label;  // as the program's console names it: "IAMB2", "IAMB(3,2)"
    resample_learner learn;
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
                }};
    }
    const learner_kind kind = resampling.learner;
    if (kind == learner_kind::ee && !ee_applies(input.n_cases(), input.n_vars()))
        throw input_error(without_line_end(ee_skipped_text(input.n_cases(), input.n_vars())));
    return {learner_name(kind), learner_name(kind),
            [kind](const learner_setting& s, const DoubleMatrix& cov) { return learn_run(kind, s, cov); }};
}

// The consensus network as a run, scored as the program's bootstrap line scores it.
run_result consensus_run(std::string name, const ByteMatrix& consensus, const prepared_input& input) {
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
    run.edges = edges_of(scored.edges);
    return run;
}

edge_tally resample(const bootstrap_settings& resampling, const prepared_input& input, const learner_setting& setting,
                    const resampled_run& run) {
    const bootstrap_request request{resampling.resamples, resampling.seed, resampling.threshold};
    try {
        return run_bootstrap(request, input.data, setting, run.learn, nullptr, run.label + " bootstrap");
    } catch (const fatal_error& failure) {
        throw error(failure.what());
    } catch (const run_cancelled&) {
        throw cancelled();
    }
}

}  // namespace

bootstrap_result bootstrap(const data_view& data, const settings& options, const bootstrap_settings& resampling,
                           const std::optional<truth_view>& truth) {
    check(options, resampling.local);
    check(resampling);
    library_call call(options);
    const prepared_input input = prepare(data, options, truth);
    const resampled_run run = resampled_run_of(resampling, options, input);
    const learner_setting setting = learner_setting_of(options, input, call.context());
    const run_timer timer;
    const edge_tally tally = resample(resampling, input, setting, run);
    const long long milliseconds = timer.elapsed_milliseconds();
    if (tally.notes > 0)
        call.note(
            strprintf("%s bootstrap: in %lld targets of the resamples the passes returned to an "
                      "earlier member set; each kept that set.",
                      run.label.c_str(), tally.notes));
    const std::vector<edge_frequency> frequencies = edge_frequencies(tally);
    const ByteMatrix consensus = consensus_graph(frequencies, input.n_vars(), resampling.threshold);
    bootstrap_result result;
    const ByteMatrix* moral_graph = input.moral_graph.empty() ? nullptr : &input.moral_graph;
    for (const strength_row& row : strength_rows(tally, frequencies, resampling.threshold, moral_graph))
        result.strength.push_back({row.source, row.target, row.frequency, row.status});
    result.resamples = resampling.resamples;
    result.finished = tally.finished;
    result.failed = tally.failed;
    result.tests = tally.tests;
    result.seconds = static_cast<double>(milliseconds) / 1000.0;
    result.consensus = consensus_run(run.name + " bootstrap", consensus, input);
    result.consensus.tests = tally.tests;
    result.consensus.seconds = result.seconds;
    return result;
}

}  // namespace gaussnet::api
