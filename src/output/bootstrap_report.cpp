#include "output/bootstrap_report.h"

#include <charconv>

#include "common/file_io.h"
#include "common/text.h"
#include "output/csv.h"
#include "output/export_files.h"
#include "output/result_log.h"

namespace gaussnet {

namespace {

// The shortest text that reads back as the same double: 0.745, not 0.74500000000000002.
std::string frequency_text(double frequency) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, frequency);
    return std::string(text, result.ptr);
}

}  // namespace

structure_report write_bootstrap_report(const scoring_truth& truth, const bootstrap_summary& summary,
                                        const run_timer& timer) {
    structure_report report;
    long long edges = 0;
    for (std::int64_t j = 1; j < summary.consensus.rows(); ++j)
        for (std::int64_t m = 0; m < j; ++m) edges += summary.consensus(j, m) == 1 ? 1 : 0;
    const auto text = [&](const char* separator) {
        return strprintf(" %s bootstrap:%s%d resamples, %d failed, %d sec., %lld edges >= %g,", summary.label.c_str(),
                         separator, summary.resamples, summary.tally.failed, timer.elapsed_seconds(), edges,
                         summary.threshold);
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

std::string strength_csv(const std::vector<std::string>& names, const bootstrap_summary& summary,
                         const ByteMatrix* moral_graph) {
    const std::string counts = strprintf(",%d,%d\n", summary.tally.finished, summary.tally.failed);
    std::string text =
        moral_graph ? "source,target,frequency,status,finished,failed\n" : "source,target,frequency,finished,failed\n";
    for (const strength_row& row : strength_rows(summary.tally, summary.frequencies, summary.threshold, moral_graph)) {
        text += csv_field(names[row.source]) + ',' + csv_field(names[row.target]) + ',' + frequency_text(row.frequency);
        if (moral_graph) text += std::string(",") + (row.status ? status_text(*row.status) : "");
        text += counts;
    }
    return text;
}

void export_bootstrap(const std::string& dir, const std::string& run, const std::vector<std::string>& names,
                      const bootstrap_summary& summary, const structure_report& consensus,
                      const ByteMatrix* moral_graph) {
    std::vector<double> widths;
    widths.reserve(consensus.edges.size());
    for (const scored_edge& edge : consensus.edges)
        widths.push_back(frequency_of(summary.tally, edge.source, edge.target));
    const std::string stem = run + ".consensus";
    // The strength file and the consensus network's files appear together.
    std::vector<named_content> files = {{run + ".strength.csv", strength_csv(names, summary, moral_graph)}};
    for (export_file& file :
         export_files({stem, names, consensus.edges, consensus.scores.has_value(), nullptr, nullptr, &widths}))
        files.push_back({stem + file.suffix, std::move(file.content)});
    write_file_set(dir, files);
}

}  // namespace gaussnet
