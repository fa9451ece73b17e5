#pragma once
// A run's results as files other tools read: its edges and blankets as CSV
// and its graph for Graphviz. Each file appears complete or not at all.

#include <string>
#include <vector>

#include "common/matrix.h"
#include "scoring/report_structure.h"

namespace gaussnet {

// Creates dir when missing and checks that files can be created in it.
// Throws fatal_error naming dir otherwise.
void prepare_export_dir(const std::string& dir);

// The run's files in dir: RUN.edges.csv and RUN.dot, and RUN.blankets.csv
// when blanket_rows is given (the rows as learned). scored: the edges carry
// tp/fp/fn verdicts against a true network.
struct run_export {
    std::string run;  // "EE", "IAMB2", "IAMB1" or "local"
    const std::vector<std::string>& names;
    const std::vector<scored_edge>& edges;
    bool scored;
    const ByteMatrix* blanket_rows;
    // The bootstrap frequency of each edge (in edges' order): the DOT edges get widths by it.
    const std::vector<double>* edge_frequencies = nullptr;
};
void export_run(const std::string& dir, const run_export& run);

// The file contents, for the tests.
std::string edges_csv(const run_export& run);
std::string blankets_csv(const std::vector<std::string>& names, const ByteMatrix& rows);
std::string graph_dot(const run_export& run);

}  // namespace gaussnet
