#pragma once
// What a bootstrap found, in the run's outputs: its line on the console and
// in the log, the edge frequencies (RUN.strength.csv) and the consensus
// network in the export's formats (RUN.consensus.*).

#include <optional>
#include <string>
#include <vector>

#include "common/run_timer.h"
#include "output/export_files.h"
#include "output/run_report.h"
#include "scoring/edge_tally.h"

namespace gaussnet {

struct bootstrap_summary {
    const std::string& label;  // the run as the console names it, without the colon: "IAMB2", "IAMB(3,2)"
    int resamples;             // asked for
    double threshold;
    const edge_tally& tally;
    const std::vector<edge_frequency>& frequencies;  // as edge_frequencies(tally) lists them
    const ByteMatrix& consensus;                     // symmetric
};

// Scores the consensus network (with a truth) and writes the bootstrap's
// line: resamples, failed ones, seconds, consensus edges and, with a truth,
// the consensus network's per-edge rates; the same fragment to the log.
structure_report write_bootstrap_report(const scoring_truth& truth, const bootstrap_summary& summary,
                                        const run_timer& timer);

// The line for standard error when resamples of the bootstrap labelled label
// failed (line end included), or "" when none did.
std::string failed_resamples_text(const std::string& label, const edge_tally& tally);

// source,target,frequency[,status],finished,failed: every pair learned at
// least once, most frequent first, then in variable order; with a truth
// (moral_graph not null) also the true edges never learned, and a status
// that compares the consensus network with the truth: tp, fp, fn, or empty
// for a false pair left out. With no pair to list (no resample finished, or
// none learned an edge) one row with the counts alone, so that they are
// never lost.
std::string strength_csv(const std::vector<std::string>& names, const bootstrap_summary& summary,
                         const ByteMatrix* moral_graph, const local_scope* scope = nullptr);

// RUN.strength.csv and the consensus network as RUN.consensus.* in dir; a
// local run's missed edges within its scope.
void export_bootstrap(const std::string& dir, const std::string& run, const std::vector<std::string>& names,
                      const bootstrap_summary& summary, const structure_report& consensus,
                      const ByteMatrix* moral_graph, const local_scope* scope = nullptr);

}  // namespace gaussnet
