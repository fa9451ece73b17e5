#include "driver/bootstrap_run.h"

#include "common/diagnostics.h"
#include "common/text.h"
#include "output/bootstrap_report.h"
#include "output/result_log.h"

namespace gaussnet {

std::optional<bootstrap_outcome> bootstrap_run(const command_line& line, const run_state& state, const run_role& role,
                                               const run_label& label, const learner_setting& setting,
                                               const resample_learner& learn, bool distributed,
                                               const local_scope* scope) {
    if (line.bootstrap.resamples == 0) return std::nullopt;
    const run_timer timer;
    // "IAMB2:" names the run on the console; "IAMB(3,2):" the local one.
    const std::string console_label = label.console.substr(0, label.console.size() - 1);
    learner_setting lead_only = setting;
    if (!role.lead) lead_only.progress = nullptr;
    const edge_tally tally = run_bootstrap(line.bootstrap, state.data_matrix, lead_only, learn,
                                           distributed ? role.resamples : nullptr, console_label + " bootstrap");
    if (!role.lead) return std::nullopt;
    const long long milliseconds = timer.elapsed_milliseconds();
    if (tally.notes > 0)
        context_of(setting).report(event_kind::note,
                                   strprintf("%s bootstrap: in %lld targets of the resamples the passes returned to an "
                                             "earlier member set; each kept that set.\n",
                                             console_label.c_str(), tally.notes));
    if (tally.failed > 0) context_of(setting).report(event_kind::note, failed_resamples_text(console_label, tally));
    const std::vector<edge_frequency> frequencies = edge_frequencies(tally);
    const ByteMatrix consensus = consensus_graph(frequencies, state.n_vars, line.bootstrap.threshold);
    const bootstrap_summary summary{
        console_label, line.bootstrap.resamples, line.bootstrap.threshold, tally, frequencies, consensus};
    const ByteMatrix* moral_graph = state.true_net == 1 ? &state.moral_graph : nullptr;
    bootstrap_outcome outcome{{label.name + " bootstrap", console_label + " bootstrap:", true, false},
                              milliseconds,
                              tally.tests,
                              write_bootstrap_report({moral_graph, state.n_edges, line.n_threads}, summary, timer),
                              tally.finished,
                              tally.failed,
                              std::nullopt};
    if (!line.report_file.empty())
        outcome.report =
            report_bootstrap{line.bootstrap.resamples,
                             tally.finished,
                             tally.failed,
                             line.bootstrap.threshold,
                             line.bootstrap.seed,
                             static_cast<double>(milliseconds) / 1000.0,
                             strength_rows(tally, frequencies, line.bootstrap.threshold, moral_graph, scope)};
    if (!line.export_dir.empty())
        export_bootstrap(line.export_dir, label.name, state.var_names, summary, outcome.consensus, moral_graph, scope);
    return outcome;
}

}  // namespace gaussnet
