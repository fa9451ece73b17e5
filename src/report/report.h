#pragma once
// The invocation's runs as one self-contained HTML page: the network of each
// run drawn force-directed, searchable, with its edges' sign, strength,
// verdicts and bootstrap frequencies, and a table of its edges. The page, the
// graph-drawing library and the data are all inlined: nothing is fetched
// when it is opened.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/edge_evidence.h"
#include "output/bootstrap_report.h"
#include "output/run_report.h"
#include "scoring/report_structure.h"

namespace gaussnet {

// A row of the run's edges file: a learned edge (its verdict with a truth)
// or a missed one (fn, no evidence).
struct report_edge {
    int source;
    int target;
    edge_status status;
    bool separated;  // fp only
    std::optional<edge_evidence> evidence;
};

// What a bootstrap of the run found: the strength file's rows.
struct report_bootstrap {
    int resamples = 0;
    int finished = 0;
    int failed = 0;
    double threshold = 0.5;
    std::uint64_t seed = 1;
    double seconds = 0;
    std::vector<strength_row> strength;  // status null without a truth
};

struct report_run {
    std::string name;  // "EE", "IAMB2", "IAMB1" or "local"
    double seconds = 0;
    long long tests = 0;
    std::optional<std::array<rate_triple, 2>> scores;  // per variable, per edge; with a truth
    std::vector<std::vector<int>> blankets;            // as learned; empty: the run's graph is its blankets (EE)
    std::vector<report_edge> edges;
    std::optional<report_bootstrap> bootstrap;
};

struct report_book {
    std::vector<std::string> names;
    std::vector<std::pair<std::string, std::string>> settings;  // shown in the header, in this order
    std::vector<report_run> runs;
};

// Whether this build holds the graph-drawing library (it is fetched when the
// program is built; without it no report can be made).
bool report_available();

// The text that says so, for the program and the bindings.
inline constexpr char REPORT_UNAVAILABLE[] =
    "This gaussnet was built without the HTML report (the graph-drawing library could not be fetched "
    "with npm when it was built).";

// The whole page. Throws fatal_error(REPORT_UNAVAILABLE) when !report_available().
std::string report_html(const report_book& book);

// The page's data alone, as JSON.
std::string report_json(const report_book& book);

// Fails early, before a long run, when the report could not be written:
// throws fatal_error naming path when it cannot be made or its directory
// takes no new file.
void check_report_file(const std::string& path);

// Writes the page to path in one piece: it appears complete or not at all,
// replacing an earlier file of that name.
void write_report(const std::string& path, const std::string& html);

// A run of the program as the report shows it: its edges as its edges file
// lists them (with their evidence), its scores, and its blankets as learned
// (blanket_rows null: the run's graph is its blankets).
report_run report_entry(const std::string& name, long long milliseconds, long long tests,
                        const structure_report& report, const std::vector<scored_edge>& edges,
                        const evidence_rows& evidence, const ByteMatrix* blanket_rows);

}  // namespace gaussnet
