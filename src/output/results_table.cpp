#include "output/results_table.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "common/file_io.h"
#include "common/text.h"

namespace gaussnet {

std::string table_header() {
    return "data_file,n_vars,n_cases,n_edges,alpha,exact,learner,target,radius,threads,seconds,tests,learned_edges,"
           "var_tpr,var_fdr,var_fdr2,edge_tpr,edge_fdr,edge_fdr2";
}

void check_table_file(const std::string& path) { ::close(open_for_appending(path)); }

std::string table_header_warning(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string first;
    if (!in || !std::getline(in, first) || first.empty()) return "";
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first == table_header()) return "";
    return strprintf(
        "Table %s: its first line is not the results table's header; the rows appended will not match "
        "its columns. Give --table a file of its own.",
        path.c_str());
}

void append_table_row(const std::string& path, const std::string& row) {
    const int fd = open_for_appending(path);
    // The lock makes "is it empty?" and the write one step for every run
    // sharing the file; closing the file releases it.
    int locked;
    do locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat info {};
    const bool empty = ::fstat(fd, &info) == 0 && info.st_size == 0;
    append_and_close(fd, path, empty ? table_header() + "\n" + row : row);
}

}  // namespace gaussnet
