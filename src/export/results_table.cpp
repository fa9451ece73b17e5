#include "export/results_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/text.h"

namespace gaussnet {

namespace {

int open_table(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw fatal_error(strprintf("Cannot open %s for appending: %s.", path.c_str(), std::strerror(errno)));
    }
    return fd;
}

}  // namespace

std::string table_header() {
    return "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,tests,learned_edges,"
           "var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2";
}

void check_table_file(const std::string& path) { ::close(open_table(path)); }

void append_table_row(const std::string& path, const std::string& row) {
    const int fd = open_table(path);
    // The lock makes "is it empty?" and the write one step for every run sharing the file.
    int locked;
    do locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat info {};
    const bool empty = ::fstat(fd, &info) == 0 && info.st_size == 0;
    const std::string text = empty ? table_header() + "\n" + row : row;
    const bool written = write_all(fd, text.data(), text.size());
    const int error = errno;
    const bool closed = ::close(fd) == 0;  // releases the lock
    if (!written || !closed) {
        throw fatal_error(strprintf("Cannot write to %s: %s.", path.c_str(), std::strerror(written ? errno : error)));
    }
}

}  // namespace gaussnet
