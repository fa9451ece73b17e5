// The report for the library's callers: their results in the report's
// terms, and the page written as the program writes it.

#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "gaussnet/gaussnet.h"
#include "report/report.h"

namespace gaussnet::api {

namespace {

void check_pair(int source, int target, std::size_t n_vars) {
    if (source < 0 || target < 0 || static_cast<std::size_t>(source) >= n_vars ||
        static_cast<std::size_t>(target) >= n_vars)
        throw input_error("report: an edge names a variable beyond the names given.");
}

gaussnet::rate_triple triple_of(const rates& r) { return {r.tpr, r.fdr, r.fdr2}; }

gaussnet::report_run run_of(const run_result& result, std::size_t n_vars) {
    gaussnet::report_run run{result.learner, result.seconds, result.tests, std::nullopt, result.blankets, {},
                             std::nullopt};
    // EE's rows and a consensus network's are their neighbours, not blankets learned: the program shows none.
    if (result.learner == learner_name(learner_kind::ee) || result.learner.ends_with(" bootstrap"))
        run.blankets.clear();
    if (result.scores) run.scores = {{triple_of(result.scores->per_variable), triple_of(result.scores->per_edge)}};
    for (const edge& e : result.edges) {
        check_pair(e.source, e.target, n_vars);
        std::optional<edge_evidence> evidence;
        if (e.partial_correlation && e.p_value) evidence = edge_evidence{*e.partial_correlation, *e.p_value};
        run.edges.push_back({e.source, e.target, e.status, e.separated.value_or(false), evidence});
    }
    return run;
}

report_bootstrap bootstrap_of(const report_entry& entry, std::size_t n_vars) {
    const bootstrap_result& result = *entry.bootstrap;
    report_bootstrap bootstrap{
        result.resamples, result.finished, result.failed, entry.threshold, entry.seed, result.seconds, {}};
    for (const edge_strength& pair : result.strength) {
        check_pair(pair.source, pair.target, n_vars);
        bootstrap.strength.push_back({pair.source, pair.target, pair.frequency, pair.status});
    }
    return bootstrap;
}

}  // namespace

bool report_available() { return gaussnet::report_available(); }

void report(const std::string& path, std::span<const std::string> names,
            const std::vector<std::pair<std::string, std::string>>& settings, const std::vector<report_entry>& runs) {
    report_book book{{names.begin(), names.end()}, settings, {}};
    for (const report_entry& entry : runs) {
        book.runs.push_back(run_of(entry.run, names.size()));
        if (entry.bootstrap) book.runs.back().bootstrap = bootstrap_of(entry, names.size());
    }
    try {
        check_report_file(path);
        write_report(path, report_html(book));
    } catch (const fatal_error& failure) {
        throw error(failure.what());
    }
}

}  // namespace gaussnet::api
