#include "output/export_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "output/csv.h"

namespace gaussnet {

namespace {

const char* status_text(edge_status status) {
    switch (status) {
        case edge_status::learned:
            return "learned";
        case edge_status::tp:
            return "tp";
        case edge_status::fp:
            return "fp";
        case edge_status::fn:
            return "fn";
    }
    return "";
}

// Graphviz's quoted string: a backslash would start an escape of its own.
std::string dot_quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

const char* dot_edge_style(edge_status status) {
    switch (status) {
        case edge_status::learned:
        case edge_status::tp:
            return "color=black";
        case edge_status::fp:
            return "color=red";
        case edge_status::fn:
            return "color=grey55, style=dashed";
    }
    return "";
}

// Legend entries as short edges between unlabelled points, in a box of their own.
const char* const DOT_LEGEND =
    "  subgraph cluster_legend {\n"
    "    label=\"legend\"; fontsize=10; color=grey70;\n"
    "    node [shape=plaintext, fontsize=10];\n"
    "    legend_tp [label=\"true edge, learned (tp)\"]; legend_tp_end [label=\"\", shape=point];\n"
    "    legend_fp [label=\"learned, not true (fp)\"]; legend_fp_end [label=\"\", shape=point];\n"
    "    legend_fn [label=\"true edge, missed (fn)\"]; legend_fn_end [label=\"\", shape=point];\n"
    "    legend_tp -- legend_tp_end [color=black];\n"
    "    legend_fp -- legend_fp_end [color=red];\n"
    "    legend_fn -- legend_fn_end [color=grey55, style=dashed];\n"
    "  }\n";

}  // namespace

void prepare_export_dir(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error && !std::filesystem::is_directory(dir)) {
        throw fatal_error(strprintf("Cannot create export directory %s: %s.", dir.c_str(), error.message().c_str()));
    }
    const std::string probe = strprintf("%s/.gaussnet-probe-%ld", dir.c_str(), static_cast<long>(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw fatal_error(strprintf("Cannot write to export directory %s: %s.", dir.c_str(), std::strerror(errno)));
    }
    ::close(fd);
    ::unlink(probe.c_str());
}

std::string edges_csv(const run_export& run) {
    std::string text = "source,target,status,separated\n";
    for (const scored_edge& edge : run.edges) {
        const char* separated = edge.status == edge_status::fp ? (edge.separated ? "1" : "0") : "";
        text += csv_field(run.names[edge.source]) + ',' + csv_field(run.names[edge.target]) + ',' +
                status_text(edge.status) + ',' + separated + '\n';
    }
    return text;
}

std::string blankets_csv(const std::vector<std::string>& names, const ByteMatrix& rows) {
    std::string text = "target,member\n";
    for (std::int64_t i = 0; i < rows.rows(); ++i)
        for (std::int64_t j = 0; j < rows.cols(); ++j)
            if (rows(i, j) == 1) text += csv_field(names[i]) + ',' + csv_field(names[j]) + '\n';
    return text;
}

std::string graph_dot(const run_export& run) {
    std::string text = "graph " + dot_quoted(run.run) + " {\n  node [shape=ellipse];\n";
    for (std::size_t v = 0; v < run.names.size(); ++v)
        text += strprintf("  n%zu [label=%s];\n", v, dot_quoted(run.names[v]).c_str());
    for (std::size_t e = 0; e < run.edges.size(); ++e) {
        const scored_edge& edge = run.edges[e];
        // A bootstrap frequency of 1 draws five times as wide as one near 0.
        const std::string width =
            run.edge_frequencies ? strprintf(", penwidth=%.2f", 0.5 + 4.5 * (*run.edge_frequencies)[e]) : "";
        text +=
            strprintf("  n%d -- n%d [%s%s];\n", edge.source, edge.target, dot_edge_style(edge.status), width.c_str());
    }
    if (run.scored) text += DOT_LEGEND;
    text += "}\n";
    return text;
}

void export_run(const std::string& dir, const run_export& run) {
    const std::string stem = dir + "/" + run.run;
    write_file_atomically(stem + ".edges.csv", edges_csv(run));
    if (run.blanket_rows != nullptr)
        write_file_atomically(stem + ".blankets.csv", blankets_csv(run.names, *run.blanket_rows));
    write_file_atomically(stem + ".dot", graph_dot(run));
}

}  // namespace gaussnet
