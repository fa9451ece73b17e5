#pragma once
// A run's results as files other tools read: its edges, variables and
// blankets as CSV, its graph as GraphML and for Graphviz. Each file appears
// complete or not at all.

#include <optional>
#include <string>
#include <vector>

#include "common/edge_evidence.h"
#include "common/file_io.h"
#include "common/matrix.h"
#include "common/pair_constraints.h"
#include "scoring/local_scope.h"
#include "scoring/report_structure.h"

namespace gaussnet {

// Creates dir when missing and checks that files can be created in it.
// Throws fatal_error naming dir otherwise.
void prepare_export_dir(const std::string& dir);

// What a run's files are made from. scored: the edges carry tp/fp/fn
// verdicts against a true network. blanket_rows: the rows as learned (IAMB
// and local runs). local: the local run's neighbourhood.
struct run_export {
    std::string run;  // "EE", "IAMB2", "IAMB1" or "local"
    const std::vector<std::string>& names;
    const std::vector<scored_edge>& edges;
    bool scored;
    const ByteMatrix* blanket_rows;
    const local_scope* local = nullptr;
    // The bootstrap frequency of each edge (in edges' order): the DOT edges get widths by it.
    const std::vector<double>* edge_frequencies = nullptr;
    // The learner's evidence rows: each learned edge's partial correlation
    // and p-value (evidence_of) in the edges file, GraphML and DOT. Null: none.
    const evidence_rows* evidence = nullptr;
    // The known pairs the run was given: with a required pair among them, the
    // edges file and GraphML say of each edge whether it was required.
    const pair_constraints* pairs = nullptr;

    bool marks_required() const { return pairs != nullptr && !pairs->required().empty(); }
    bool required(const scored_edge& edge) const {
        return marks_required() && pairs->knowledge(edge.source, edge.target) == pair_knowledge::required;
    }
};

// One file of a run's export: the file is named RUN followed by suffix.
struct export_file {
    std::string suffix;
    std::string content;
};

// The run's files, in the order they are written: RUN.edges.csv,
// RUN.nodes.csv, RUN.blankets.csv (when blanket_rows is given), RUN.graphml
// and RUN.dot. A name that repeats an earlier one gets ".1", ".2", ... as R
// and pandas give it, so that every variable stays a node of its own; a
// local run's missed edges are kept only where a blanket was learned at one
// end, so both ends lie within its radius.
std::vector<export_file> export_files(const run_export& run);

// Writes export_files(run) into dir together (write_file_set): a failure or
// a kill never leaves a half-written file, and no earlier file of the run's
// names stays beside the new ones.
void export_run(const std::string& dir, const run_export& run);

// The contents, each built from the run as given (for any edge list).
std::string edges_csv(const run_export& run);
std::string nodes_csv(const run_export& run);
std::string blankets_csv(const std::vector<std::string>& names, const ByteMatrix& rows);
std::string graph_graphml(const run_export& run);
std::string graph_dot(const run_export& run);

// Per variable: its blanket's size as learned (-1 where the run learned
// none; for EE, whose graph is its blankets, the degree) and its degree in
// the learned graph (missed edges not counted).
struct variable_counts {
    std::vector<int> blanket;
    std::vector<int> degree;
};
variable_counts count_per_variable(const run_export& run);

// The evidence of a listed edge: none for a missed one or without evidence rows.
std::optional<edge_evidence> listed_evidence(const run_export& run, const scored_edge& edge);

}  // namespace gaussnet
