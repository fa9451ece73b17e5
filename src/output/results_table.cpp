#include "output/results_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/text.h"

namespace gaussnet {

namespace {

// Read access lets the row check how the table ends; a table that may only
// be written is taken to end with a line end.
int open_table(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return fd >= 0 ? fd : open_for_appending(path);
}

// A table whose last line has no line end (written by hand, or cut short by a
// run killed in a write) would glue the row to that line.
bool ends_mid_line(int fd, off_t size) {
    char last = '\n';
    return size > 0 && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n';
}

}  // namespace

std::string older_table_header() {
    return "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,tests,learned_edges,"
           "var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2";
}

std::string bootstrap_table_header() { return older_table_header() + ",bootstrap,threshold,seed"; }

std::string table_header() { return bootstrap_table_header() + ",correlation"; }

namespace {

// A header of an older version's table and how many of today's last fields it lacks.
struct older_header {
    std::string line;
    int fields_lacking;
};

std::vector<older_header> older_headers() { return {{bootstrap_table_header(), 1}, {older_table_header(), 4}}; }

// Whether the table open at fd begins with header's line (ended by LF, CR LF
// or the end of the file).
bool begins_with_line(int fd, const std::string& header) {
    std::string start(header.size() + 2, '\0');
    const ssize_t got = ::pread(fd, start.data(), start.size(), 0);
    if (got < static_cast<ssize_t>(header.size())) return false;
    start.resize(static_cast<std::size_t>(got));
    if (start.compare(0, header.size(), header) != 0) return false;
    const std::string end = start.substr(header.size());
    return end.empty() || end[0] == '\n' || end == "\r" || end == "\r\n";
}

// The row as the table open at fd lays it out: without the last fields an
// older header lacks (numbers, words or empty, never quoted).
std::string row_for_layout(int fd, const std::string& row) {
    for (const older_header& older : older_headers()) {
        if (!begins_with_line(fd, older.line)) continue;
        std::size_t cut = row.size();
        for (int k = 0; k < older.fields_lacking; ++k) cut = row.rfind(',', cut - 1);
        return row.substr(0, cut) + "\n";
    }
    return row;
}

}  // namespace

void check_table_file(const std::string& path) { check_appendable(path); }

std::string table_header_warning(const std::string& path, const char* correlation) {
    std::ifstream in(path, std::ios::binary);
    std::string first;
    if (!in || !std::getline(in, first) || first.empty()) return "";
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first == table_header()) return "";
    if (first == older_table_header() || first == bootstrap_table_header()) {
        if (std::string_view(correlation) == "pearson") return "";
        return strprintf(
            "Table %s: its header, from an older version, has no correlation column; its rows will not say that "
            "they were learned from the %s correlation. Give --table a new file to record it.",
            path.c_str(), correlation);
    }
    return strprintf(
        "Table %s: its first line is not the results table's header; the rows appended will not match "
        "its columns. Give --table a file of its own.",
        path.c_str());
}

void append_table_row(const std::string& path, const std::string& row) {
    const int fd = open_table(path);
    // The lock makes "how does it end?" and the write one step for every run
    // sharing the file; closing the file releases it.
    int locked;
    do locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw fatal_error(strprintf("Cannot write to %s: %s.", path.c_str(), std::strerror(error)));
    }
    const std::string kept = info.st_size > 0 ? row_for_layout(fd, row) : row;
    const std::string text = info.st_size == 0                 ? table_header() + "\n" + row
                             : ends_mid_line(fd, info.st_size) ? "\n" + kept
                                                               : kept;
    append_whole_and_close(fd, path, text, info.st_size);
}

}  // namespace gaussnet
