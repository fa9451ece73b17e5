#include "output/results_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

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

std::string table_header() { return older_table_header() + ",bootstrap,threshold,seed"; }

namespace {

// Whether the table open at fd begins with the older header's line (ended by
// LF, CR LF or the end of the file).
bool has_older_header(int fd) {
    const std::string older = older_table_header();
    std::string start(older.size() + 2, '\0');
    const ssize_t got = ::pread(fd, start.data(), start.size(), 0);
    if (got < static_cast<ssize_t>(older.size())) return false;
    start.resize(static_cast<std::size_t>(got));
    if (start.compare(0, older.size(), older) != 0) return false;
    const std::string end = start.substr(older.size());
    return end.empty() || end[0] == '\n' || end == "\r" || end == "\r\n";
}

// The row without its last three fields (numbers or empty, never quoted).
std::string older_row(const std::string& row) {
    std::size_t cut = row.size();
    for (int k = 0; k < 3; ++k) cut = row.rfind(',', cut - 1);
    return row.substr(0, cut) + "\n";
}

}  // namespace

void check_table_file(const std::string& path) { check_appendable(path); }

std::string table_header_warning(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string first;
    if (!in || !std::getline(in, first) || first.empty()) return "";
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first == table_header() || first == older_table_header()) return "";
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
    const std::string& kept = info.st_size > 0 && has_older_header(fd) ? older_row(row) : row;
    const std::string text = info.st_size == 0                 ? table_header() + "\n" + row
                             : ends_mid_line(fd, info.st_size) ? "\n" + kept
                                                               : kept;
    append_whole_and_close(fd, path, text, info.st_size);
}

}  // namespace gaussnet
