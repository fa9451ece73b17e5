#include "output/bootstrap_report.h"

#include "common/file_io.h"
#include "common/text.h"
#include "output/csv.h"
#include "output/export_files.h"
#include "output/result_log.h"

namespace gaussnet {

structure_report write_bootstrap_report(const scoring_truth& truth, const bootstrap_summary& summary,
                                        const run_timer& timer) {
    structure_report report;
    long long edges = 0;
    for (std::int64_t j = 1; j < summary.consensus.rows(); ++j)
        for (std::int64_t m = 0; m < j; ++m) edges += summary.consensus(j, m) == 1 ? 1 : 0;
    const auto text = [&](const char* separator) {
        // The threshold as given (0.4999999 is not 0.5).
        return strprintf(" %s bootstrap:%s%d resamples, %d failed, %d sec., %lld edges >= %s,", summary.label.c_str(),
                         separator, summary.resamples, summary.tally.failed, timer.elapsed_seconds(), edges,
                         shortest_text(summary.threshold).c_str());
    };
    std::string console = "\n" + text(" \t ");
    std::string log = text(" ");
    if (truth.moral_graph != nullptr) {
        report.scores = score_structure(summary.consensus, *truth.moral_graph, truth.n_edges, truth.n_threads);
        const rate_triple& r = report.scores->per_edge;
        const std::string rates = strprintf(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", r.tpr, r.fdr, r.fdr2);
        console += rates;
        log += rates;
        report.edges = report.scores->edges;
    } else {
        report.edges = learned_edges(summary.consensus);
    }
    print_console(console);
    append_to_log(log);
    return report;
}

std::string failed_resamples_text(const std::string& label, const edge_tally& tally) {
    if (tally.failed == 0) return "";
    const char* why =
        "their covariance matrices were not positive definite where the learner needed them (fewer distinct cases "
        "than variables, a repeated case pattern or a constant variable)";
    if (tally.finished == 0)
        return strprintf(
            "%s bootstrap: all %d resamples failed: %s. No frequency could be counted and the consensus network is "
            "empty.\n",
            label.c_str(), tally.failed, why);
    return strprintf(
        "%s bootstrap: %d of %d resamples failed: %s. The frequencies are shares of the %d that finished.\n",
        label.c_str(), tally.failed, tally.failed + tally.finished, why, tally.finished);
}

std::string strength_csv(const std::vector<std::string>& names, const bootstrap_summary& summary,
                         const ByteMatrix* moral_graph, const local_scope* scope) {
    const std::string counts = strprintf(",%d,%d\n", summary.tally.finished, summary.tally.failed);
    std::string text =
        moral_graph ? "source,target,frequency,status,finished,failed\n" : "source,target,frequency,finished,failed\n";
    const std::vector<strength_row> rows =
        strength_rows(summary.tally, summary.frequencies, summary.threshold, moral_graph, scope);
    for (const strength_row& row : rows) {
        text += csv_field(names[row.source]) + ',' + csv_field(names[row.target]) + ',' + shortest_text(row.frequency);
        if (moral_graph) text += std::string(",") + (row.status ? status_text(*row.status) : "");
        text += counts;
    }
    if (rows.empty()) text += (moral_graph ? ",,," : ",,") + counts;
    return text;
}

void export_bootstrap(const std::string& dir, const std::string& run, const std::vector<std::string>& names,
                      const bootstrap_summary& summary, const structure_report& consensus,
                      const ByteMatrix* moral_graph, const local_scope* scope) {
    const std::vector<scored_edge> edges = within_scope(consensus.edges, scope);
    std::vector<double> widths;
    widths.reserve(edges.size());
    for (const scored_edge& edge : edges) widths.push_back(frequency_of(summary.tally, edge.source, edge.target));
    const std::string stem = run + ".consensus";
    // The strength file and the consensus network's files appear together.
    std::vector<named_content> files = {{run + ".strength.csv", strength_csv(names, summary, moral_graph, scope)}};
    for (export_file& file :
         export_files({stem, names, edges, consensus.scores.has_value(), nullptr, nullptr, &widths}))
        files.push_back({stem + file.suffix, std::move(file.content)});
    write_file_set(dir, files);
}

}  // namespace gaussnet
