#include "output/run_report.h"

#include "common/text.h"
#include "output/csv.h"
#include "output/result_log.h"

namespace gaussnet {

namespace {

void write_rates(const char* format, const rate_triple& r) {
    const std::string text = strprintf(format, r.tpr, r.fdr, r.fdr2);
    print_console(text);
    append_to_log(text);
}

long long count_learned(const std::vector<scored_edge>& edges) {
    long long count = 0;
    for (const scored_edge& edge : edges) count += edge.status != edge_status::fn ? 1 : 0;
    return count;
}

}  // namespace

structure_report write_structure_report(const scoring_truth& truth, const ByteMatrix& learned, bool want_edges) {
    structure_report report;
    if (truth.moral_graph == nullptr) {
        append_to_log(matrix_block(learned));
        if (want_edges) report.edges = learned_edges(learned);
        return report;
    }
    report.scores = score_structure(learned, *truth.moral_graph, truth.n_edges, truth.n_threads);
    write_rates(" tpr= %.2f, fdr= %.2f, fdr2= %.2f", report.scores->per_variable);
    write_rates(", tpr= %.2f, fdr= %.2f, fdr2= %.2f", report.scores->per_edge);
    report.edges = std::move(report.scores->edges);
    return report;
}

void write_timing(const run_label& label, const run_timer& timer) {
    print_console(strprintf("\n %s \t %d sec.,", label.console.c_str(), timer.elapsed_seconds()));
    if (label.logged) append_to_log(strprintf(" %s %d sec.,", label.console.c_str(), timer.elapsed_seconds()));
}

std::string table_row(const table_context& context, const run_label& label, long long milliseconds, long long tests,
                      const structure_report& report, const bootstrap_columns* bootstrap) {
    std::string row =
        strprintf("%s,%d,%d,%d,%s,%d,%s,", csv_field(context.data_file).c_str(), context.n_vars, context.n_cases,
                  context.n_edges, shortest_text(context.alpha).c_str(), context.exact, label.name.c_str());
    row += context.target ? csv_field(*context.target) + strprintf(",%d,", context.radius) : ",,";
    row += strprintf("%d,%lld.%03lld,%lld,", context.threads, milliseconds / 1000, milliseconds % 1000, tests);
    row += std::to_string(count_learned(report.edges));
    if (report.scores) {
        for (const rate_triple& r : {report.scores->per_variable, report.scores->per_edge})
            row += strprintf(",%.9g,%.9g,%.9g", r.tpr, r.fdr, r.fdr2);
    } else {
        row += ",,,,,,";
    }
    if (bootstrap == nullptr) return row + ",,,," + context.correlation + ",,\n";
    const bootstrap_request& request = bootstrap->request;
    row += strprintf(",%d,%s,%llu,", request.resamples, shortest_text(request.threshold).c_str(),
                     static_cast<unsigned long long>(request.seed));
    return row + context.correlation + strprintf(",%d,%d\n", bootstrap->finished, bootstrap->failed);
}

}  // namespace gaussnet
