#include "output/results_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_io.h"

namespace gaussnet {

std::string older_table_header() {
    return "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,tests,learned_edges,"
           "var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2";
}

std::string table_header() { return older_table_header() + ",bootstrap,threshold,seed"; }

namespace {

// Whether the file begins with the older header's line (LF or CR LF).
bool has_older_header(const std::string& path) {
    const std::string older = older_table_header() + "\n";
    std::string start(older.size() + 1, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = ::pread(fd, start.data(), start.size(), 0);
    ::close(fd);
    if (got < static_cast<ssize_t>(older.size())) return false;
    return start.compare(0, older.size(), older) == 0 ||
           (start.compare(0, older.size() - 1, older, 0, older.size() - 1) == 0 && start[older.size() - 1] == '\r');
}

// The row without its last three fields (numbers or empty, never quoted).
std::string older_row(const std::string& row) {
    std::size_t cut = row.size();
    for (int k = 0; k < 3; ++k) cut = row.rfind(',', cut - 1);
    return row.substr(0, cut) + "\n";
}

}  // namespace

void check_table_file(const std::string& path) { ::close(open_for_appending(path)); }

void append_table_row(const std::string& path, const std::string& row) {
    const int fd = open_for_appending(path);
    // The lock makes "is it empty?" and the write one step for every run
    // sharing the file; closing the file releases it.
    int locked;
    do locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat info {};
    const bool empty = ::fstat(fd, &info) == 0 && info.st_size == 0;
    if (!empty && has_older_header(path)) {
        append_and_close(fd, path, older_row(row));
        return;
    }
    append_and_close(fd, path, empty ? table_header() + "\n" + row : row);
}

}  // namespace gaussnet
