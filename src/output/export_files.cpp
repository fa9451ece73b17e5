#include "output/export_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "gaussnet/vocabulary.h"
#include "output/csv.h"

namespace gaussnet {

namespace {

struct file_builder {
    const char* suffix;
    std::string (*build)(const run_export& run);
    bool (*wanted)(const run_export& run);  // null: every run
};

const file_builder FILE_BUILDERS[] = {
    {".edges.csv", edges_csv, nullptr},
    {".nodes.csv", nodes_csv, nullptr},
    {".blankets.csv", [](const run_export& run) { return blankets_csv(run.names, *run.blanket_rows); },
     [](const run_export& run) { return run.blanket_rows != nullptr; }},
    {".graphml", graph_graphml, nullptr},
    {".dot", graph_dot, nullptr},
};

// As R's make.unique: a repeated name gets the first of .1, .2, ... that no
// variable has.
std::vector<std::string> distinct_names(const std::vector<std::string>& names) {
    std::unordered_set<std::string> taken(names.begin(), names.end());
    if (taken.size() == names.size()) return names;
    std::unordered_set<std::string> seen;
    std::vector<std::string> distinct;
    distinct.reserve(names.size());
    for (const std::string& name : names) {
        std::string unique = name;
        if (!seen.insert(name).second) {
            int k = 0;
            do unique = name + "." + std::to_string(++k);
            while (!taken.insert(unique).second);
        }
        distinct.push_back(std::move(unique));
    }
    return distinct;
}

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

// Whether name is one of the files an export writes: RUN.SUFFIX, or
// RUN.consensus.SUFFIX and RUN.strength.csv for a bootstrap.
bool is_export_name_of(std::string_view name, std::string_view run) {
    if (!name.starts_with(run) || name.size() == run.size() || name[run.size()] != '.') return false;
    std::string_view rest = name.substr(run.size());
    if (rest == ".strength.csv") return true;
    if (rest.starts_with(".consensus.")) rest.remove_prefix(10);
    for (const file_builder& builder : FILE_BUILDERS)
        if (rest == builder.suffix) return true;
    return false;
}

bool is_export_name(std::string_view name) {
    for (const api::learner_kind learner : api::all_learners)
        if (is_export_name_of(name, api::learner_name(learner))) return true;
    return is_export_name_of(name, "local");
}

// A temporary file a run left when it was killed while writing its files:
// ".NAME.partial-" and six random letters and digits (or, from earlier
// versions, "NAME.partial-" and a process id), NAME one of the export's own
// names: a user's file that merely looks alike is never taken for one.
bool is_partial_name(const std::string& name) {
    const std::size_t at = name.rfind(".partial-");
    if (at == std::string::npos || at == 0) return false;
    const std::string suffix = name.substr(at + 9);
    const bool hidden = name[0] == '.';
    const char* allowed = hidden ? UNIQUE_NAME_CHARACTERS : "0123456789";
    const bool suffix_fits =
        !suffix.empty() && suffix.find_first_not_of(allowed) == std::string::npos && (!hidden || suffix.size() == 6);
    return suffix_fits && is_export_name(std::string_view(name).substr(hidden ? 1 : 0, at - (hidden ? 1 : 0)));
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
    if (const int refused = refuses_new_files(dir)) {
        throw fatal_error(strprintf("Cannot write to export directory %s: %s.", dir.c_str(), std::strerror(refused)));
    }
    const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        remove_stale_partials(dir_fd);
        ::close(dir_fd);
    }
}

std::optional<edge_evidence> listed_evidence(const run_export& run, const scored_edge& edge) {
    if (run.evidence == nullptr || edge.status == edge_status::fn) return std::nullopt;
    return evidence_of(*run.evidence, edge.source, edge.target);
}

std::string edges_csv(const run_export& run) {
    std::string text = "source,target,status,separated";
    text += run.evidence ? ",partial_correlation,p_value" : "";
    text += run.marks_required() ? ",required\n" : "\n";
    for (const scored_edge& edge : run.edges) {
        const char* separated = edge.status == edge_status::fp ? (edge.separated ? "1" : "0") : "";
        text += csv_field(run.names[edge.source]) + ',' + csv_field(run.names[edge.target]) + ',' +
                status_text(edge.status) + ',' + separated;
        if (run.evidence) {
            const std::optional<edge_evidence> evidence = listed_evidence(run, edge);
            text += evidence
                        ? ',' + shortest_text(evidence->partial_correlation) + ',' + shortest_text(evidence->p_value)
                        : std::string(",,");
        }
        if (run.marks_required()) text += run.required(edge) ? ",1" : ",0";
        text += '\n';
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

std::string nodes_csv(const run_export& run) {
    const variable_counts counts = count_per_variable(run);
    std::string text = run.local ? "name,blanket_size,degree,ring\n" : "name,blanket_size,degree\n";
    for (std::size_t v = 0; v < run.names.size(); ++v) {
        text += csv_field(run.names[v]) + ',';
        if (counts.blanket[v] >= 0) text += std::to_string(counts.blanket[v]);
        text += ',' + std::to_string(counts.degree[v]);
        if (run.local) text += ',' + std::to_string(run.local->ring[v]);
        text += '\n';
    }
    return text;
}

variable_counts count_per_variable(const run_export& run) {
    const std::size_t n = run.names.size();
    variable_counts counts{std::vector<int>(n, 0), std::vector<int>(n, 0)};
    for (const scored_edge& edge : run.edges) {
        if (edge.status == edge_status::fn) continue;
        ++counts.degree[edge.source];
        ++counts.degree[edge.target];
    }
    for (std::size_t v = 0; v < n; ++v) {
        if (run.local && !run.local->learned(static_cast<int>(v))) {
            counts.blanket[v] = -1;
        } else if (run.blanket_rows == nullptr) {
            counts.blanket[v] = counts.degree[v];
        } else {
            const std::uint8_t* row = run.blanket_rows->row(static_cast<std::int64_t>(v));
            counts.blanket[v] = static_cast<int>(std::count(row, row + run.blanket_rows->cols(), std::uint8_t{1}));
        }
    }
    return counts;
}

std::vector<export_file> export_files(const run_export& run) {
    const std::vector<std::string> names = distinct_names(run.names);
    const std::vector<scored_edge> edges = within_scope(run.edges, run.local);
    // Frequencies go with the edges as given, which only a local scope filters.
    const run_export shown{run.run,
                           names,
                           edges,
                           run.scored,
                           run.blanket_rows,
                           run.local,
                           run.local ? nullptr : run.edge_frequencies,
                           run.evidence,
                           run.pairs};
    std::vector<export_file> files;
    for (const file_builder& builder : FILE_BUILDERS)
        if (builder.wanted == nullptr || builder.wanted(shown)) files.push_back({builder.suffix, builder.build(shown)});
    return files;
}

void export_run(const std::string& dir, const run_export& run) {
    std::vector<named_content> files;
    for (export_file& file : export_files(run)) files.push_back({run.run + file.suffix, std::move(file.content)});
    write_file_set(dir, files);
}

}  // namespace gaussnet
