#include "output/export_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
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

// A path left pointing nowhere is reported as such, not as the "File exists"
// that creating a directory in its place gives.
std::string why_not_created(const std::string& dir, const std::error_code& error) {
    struct stat link {};
    struct stat target {};
    if (::lstat(dir.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) || ::stat(dir.c_str(), &target) == 0)
        return error.message();
    std::error_code unread;
    const std::string points_to = std::filesystem::read_symlink(dir, unread).string();
    return strprintf("it is a symbolic link to %s, which does not exist", points_to.c_str());
}

// A temporary file a run left when it was killed while writing its files:
// ".NAME.partial-" and six random characters (or, from earlier versions,
// "NAME.partial-" and a process id).
bool is_partial_name(const std::string& name) {
    const std::size_t at = name.rfind(".partial-");
    if (at == std::string::npos || at == 0) return false;
    const std::string suffix = name.substr(at + 9);
    const bool digits = !suffix.empty() && suffix.find_first_not_of("0123456789") == std::string::npos;
    return name[0] == '.' ? suffix.size() == 6 : digits;
}

// Removes such files once they are an hour old: a run writes its files in
// seconds, so no run sharing the directory is still writing them.
void remove_stale_partials(int dir_fd) {
    DIR* listing = ::fdopendir(::dup(dir_fd));
    if (listing == nullptr) return;
    const time_t stale = ::time(nullptr) - 3600;
    while (const dirent* entry = ::readdir(listing)) {
        struct stat info {};
        if (is_partial_name(entry->d_name) && ::fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_mtime < stale)
            ::unlinkat(dir_fd, entry->d_name, 0);
    }
    ::closedir(listing);
}

}  // namespace

void prepare_export_dir(const std::string& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error && !std::filesystem::is_directory(dir)) {
        throw fatal_error(
            strprintf("Cannot create export directory %s: %s.", dir.c_str(), why_not_created(dir, error).c_str()));
    }
    // A probe under a fresh name: a file or link planted in the directory is never opened.
    const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string probe;
    const int fd = dir_fd < 0 ? -1 : create_unique_file(dir_fd, ".gaussnet-probe-", probe);
    const int open_error = errno;
    if (fd >= 0) {
        ::close(fd);
        ::unlinkat(dir_fd, probe.c_str(), 0);
        remove_stale_partials(dir_fd);
    }
    if (dir_fd >= 0) ::close(dir_fd);
    if (fd < 0) {
        throw fatal_error(
            strprintf("Cannot write to export directory %s: %s.", dir.c_str(), std::strerror(open_error)));
    }
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
    for (const scored_edge& edge : run.edges)
        text += strprintf("  n%d -- n%d [%s];\n", edge.source, edge.target, dot_edge_style(edge.status));
    if (run.scored) text += DOT_LEGEND;
    text += "}\n";
    return text;
}

std::vector<named_content> run_files(const run_export& run) {
    std::vector<named_content> files;
    files.push_back({run.run + ".edges.csv", edges_csv(run)});
    if (run.blanket_rows != nullptr)
        files.push_back({run.run + ".blankets.csv", blankets_csv(run.names, *run.blanket_rows)});
    files.push_back({run.run + ".dot", graph_dot(run)});
    return files;
}

void export_run(const std::string& dir, const run_export& run) { write_file_set(dir, run_files(run)); }

}  // namespace gaussnet
