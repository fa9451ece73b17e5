// The library's entry points: the caller's data made ready once, then the
// same learning step as the program's for each run, timed, with its result
// scored against the truth as the program scores it.

#include "gaussnet/gaussnet.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <string_view>
#include <utility>

#include "api/calls.h"
#include "api/input_views.h"
#include "api/runs.h"
#include "common/cores.h"
#include "common/diagnostics.h"
#include "common/run_timer.h"
#include "common/text.h"
#include "input/missing_values.h"
#include "input/pair_file.h"
#include "input/read_input.h"
#include "learners/local_iamb.h"
#include "scoring/local_scope.h"
#include "scoring/moral_graph.h"
#include "scoring/report_structure.h"
#include "stats/cholesky.h"
#include "stats/covariance.h"
#include "stats/precision.h"
#include "stats/rank_correlation.h"

namespace gaussnet::api {

namespace {

int thread_count(int asked) { return asked == 0 ? available_cores() : asked; }

ByteMatrix moral_graph_of(const ByteMatrix& arcs, int& n_edges) {
    moralized moral = moralize(arcs);
    n_edges = moral.n_edges;
    return std::move(moral.graph);
}

void keep_complete_cases(FloatMatrix& data, run_context& context) {
    try {
        const std::int64_t left_out = gaussnet::keep_complete_cases(data, "data");
        if (left_out > 0) context.report(event_kind::note, left_out_text("data", left_out, data.rows()) + "\n");
    } catch (const fatal_error& failure) {
        throw input_error(failure.what());
    }
}

pair_list listed_pairs(const std::vector<std::pair<std::string, std::string>>& names, const char* list) {
    pair_list listed{list, "pair", {}};
    for (std::size_t i = 0; i < names.size(); ++i)
        listed.pairs.push_back({names[i].first, names[i].second, static_cast<long long>(i) + 1});
    return listed;
}

pair_constraints pairs_of(const settings& options, const prepared_input& input) {
    if (options.forbid.empty() && options.require.empty()) return {};
    try {
        return resolve_pairs(listed_pairs(options.forbid, "forbid"), listed_pairs(options.require, "require"),
                             input.names, input.n_cases());
    } catch (const fatal_error& failure) {
        throw input_error(failure.what());
    }
}

}  // namespace

prepared_input prepare(const data_view& data, const settings& options, const std::optional<truth_view>& truth,
                       run_context& context) {
    check(options);
    prepared_input input;
    input.threads = thread_count(options.threads);
    input.names = variable_names(data);
    input.data = rounded_data(data, input.names, options.missing);
    if (options.missing == missing_values::complete) keep_complete_cases(input.data, context);
    if (truth) input.moral_graph = moral_graph_of(arcs_of(*truth, input.data.cols(), "truth"), input.n_edges);
    input.pairs = pairs_of(options, input);
    return input;
}

learner_setting learner_setting_of(const settings& options, const prepared_input& input, run_context& context) {
    learner_setting setting{test_setting{options.statistic, input.n_cases(), options.alpha, options.correlation},
                            input.threads, input.names};
    setting.context = &context;
    if (options.progress != nullptr) setting.progress = progress_display(options.progress);
    setting.pairs = &input.pairs;
    return setting;
}

rates rates_of(const rate_triple& triple) { return {triple.tpr, triple.fdr, triple.fdr2}; }

std::vector<edge> edges_of(const std::vector<scored_edge>& scored, const evidence_rows* evidence) {
    std::vector<edge> edges;
    edges.reserve(scored.size());
    for (const scored_edge& e : scored) {
        const std::optional<bool> separated =
            e.status == edge_status::fp ? std::optional<bool>(e.separated) : std::nullopt;
        edges.push_back({e.source, e.target, e.status, separated, std::nullopt, std::nullopt});
        if (evidence == nullptr || e.status == edge_status::fn) continue;
        if (const std::optional<edge_evidence> found = evidence_of(*evidence, e.source, e.target)) {
            edges.back().partial_correlation = found->partial_correlation;
            edges.back().p_value = found->p_value;
        }
    }
    return edges;
}

namespace {

// A local run's target and radius: its edges are those its export lists.
struct local_run {
    int target;
    int radius;
};

// The run's result as the program reports it: blankets as learned, edges and
// rates from the same scoring.
run_result result_of(std::string name, const learned_structure& learned, long long milliseconds,
                     const prepared_input& input, const std::optional<local_run>& local) {
    run_result result;
    result.learner = std::move(name);
    result.tests = learned.tests;
    result.seconds = static_cast<double>(milliseconds) / 1000.0;
    result.blankets.resize(static_cast<std::size_t>(input.n_vars()));
    for (int v = 0; v < input.n_vars(); ++v)
        for (int j = 0; j < input.n_vars(); ++j)
            if (learned.graph(v, j) == 1) result.blankets[static_cast<std::size_t>(v)].push_back(j);
    std::vector<scored_edge> edges;
    if (input.moral_graph.empty()) {
        edges = learned_edges(learned.graph);
    } else {
        structure_scores scored = score_structure(learned.graph, input.moral_graph, input.n_edges, input.threads);
        result.scores = run_scores{rates_of(scored.per_variable), rates_of(scored.per_edge)};
        edges = std::move(scored.edges);
    }
    if (local) {
        const local_scope scope{local->target, local->radius,
                                ring_numbers(learned.graph, local->target, local->radius)};
        edges = within_scope(edges, &scope);
        result.rings = scope.ring;
    }
    result.edges = edges_of(edges, &learned.evidence);
    return result;
}

// Learns one run, timed as the program times it, with the learners' errors
// turned into the library's.
template <typename Learn>
run_result timed_run(const std::string& run, const prepared_input& input, const learner_setting& setting, Learn&& learn,
                     const std::optional<local_run>& local = std::nullopt) {
    try {
        const run_timer timer;
        const learned_structure learned = learn();
        const long long milliseconds = timer.elapsed_milliseconds();
        return result_of(run, learned, milliseconds, input, local);
    } catch (const singular_matrix_error& failure) {
        const correlation_kind kind = setting.test.correlation;
        const std::string text = kind == correlation_kind::pearson
                                     ? failure.what()
                                     : rank_matrix_failure_text(run, kind, input.names, failure);
        throw not_positive_definite(text, run, failure.target);
    } catch (const fatal_error& failure) {
        throw error(failure.what());
    } catch (const run_cancelled&) {
        throw cancelled();
    }
}

}  // namespace

std::string without_line_end(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

void forwarding_sink::write(std::string_view text) {
    if (!to_) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    to_(without_line_end(std::string(text)));
}

std::vector<run_result> learn(const data_view& data, const settings& options, const std::optional<truth_view>& truth) {
    library_call call(options);
    const prepared_input input = prepare(data, options, truth, call.context());
    const learner_setting setting = learner_setting_of(options, input, call.context());
    shared_association covariance(input.data, setting.test.correlation, input.threads, &call.context());
    std::vector<run_result> results;
    for (const learner_kind kind : all_learners) {
        if (std::find(options.learners.begin(), options.learners.end(), kind) == options.learners.end()) continue;
        if (kind == learner_kind::ee && !ee_applies(input.n_cases(), input.n_vars())) {
            call.note(ee_skipped_text(input.n_cases(), input.n_vars()));
            continue;
        }
        results.push_back(
            timed_run(learner_name(kind), input, setting, [&] { return learn_run(kind, setting, covariance); }));
    }
    return results;
}

run_result local(const data_view& data, const settings& options, const std::optional<truth_view>& truth) {
    check(options, true);
    library_call call(options);
    const prepared_input input = prepare(data, options, truth, call.context());
    const std::optional<int> target = find_variable(input.names, options.local_target);
    if (!target) throw input_error(without_line_end(no_variable_text(options.local_target)));
    const learner_setting setting = learner_setting_of(options, input, call.context());
    shared_association covariance(input.data, setting.test.correlation, input.threads, &call.context());
    return timed_run(
        "local", input, setting, [&] { return learn_local_run(setting, *target, options.local_radius, covariance); },
        local_run{*target, options.local_radius});
}

std::vector<double> partial_correlations(const data_view& data, const settings& options) {
    library_call call(options);
    const prepared_input input = prepare(data, options, std::nullopt, call.context());
    const int n = input.n_vars();
    if (!ee_applies(input.n_cases(), n))
        throw input_error(strprintf("partial correlations need more cases than variables (n_cases %d, n_vars %d).",
                                    input.n_cases(), n));
    // The matrix EE would invert: the chosen correlation's, of the cases kept.
    const correlation_kind kind = options.correlation;
    shared_association covariance(input.data, kind, input.threads);
    try {
        const DoubleMatrix r = partial_correlation_matrix(input.threads, covariance.get());
        return {r.data(), r.data() + r.rows() * r.cols()};
    } catch (const singular_matrix_error& failure) {
        const char* ee = learner_name(learner_kind::ee);
        const std::string text = kind == correlation_kind::pearson
                                     ? failure.what()
                                     : rank_matrix_failure_text(ee, kind, input.names, failure);
        throw not_positive_definite(text, ee, -1);
    }
}

std::vector<std::uint8_t> moral_graph(const matrix_view& dag) {
    if (dag.rows > INT_MAX) throw input_error("dag: more than INT_MAX variables.");
    if (dag.rows != dag.cols)
        throw input_error(strprintf("dag: %lld x %lld, not square.", static_cast<long long>(dag.rows),
                                    static_cast<long long>(dag.cols)));
    int n_edges = 0;
    const ByteMatrix moral = moral_graph_of(arcs_of(dag, dag.rows, "dag"), n_edges);
    return {moral.data(), moral.data() + moral.rows() * moral.cols()};
}

const char* version() { return GAUSSNET_VERSION; }

}  // namespace gaussnet::api
