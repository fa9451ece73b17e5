#include "output/results_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
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

std::string header_before_counts() { return bootstrap_table_header() + ",correlation"; }

std::string table_header() { return header_before_counts() + ",finished,failed"; }

namespace {

// The columns after the older table's, in today's order; never quoted
// (numbers, words or empty), so a row's are found from its end.
const std::vector<std::string>& later_columns() {
    static const std::vector<std::string> names{"bootstrap", "threshold", "seed", "correlation", "finished", "failed"};
    return names;
}

// Headers earlier versions began tables with. One had the bootstrap's counts
// before the correlation column was added, so a layout may lack a middle
// column, not only the last ones.
std::vector<std::string> earlier_headers() {
    return {older_table_header(), bootstrap_table_header(), header_before_counts(),
            bootstrap_table_header() + ",finished,failed"};
}

// The names of header's columns after the older table's.
std::vector<std::string> later_columns_of(const std::string& header) {
    std::vector<std::string> names;
    std::size_t at = older_table_header().size();
    while (at < header.size()) {
        const std::size_t end = std::min(header.find(',', at + 1), header.size());
        names.push_back(header.substr(at + 1, end - at - 1));
        at = end;
    }
    return names;
}

bool is_earlier_header(const std::string& line) {
    const std::vector<std::string> earlier = earlier_headers();
    return std::find(earlier.begin(), earlier.end(), line) != earlier.end();
}

// Whether the table open at fd begins with header as its whole first line
// (ended by LF, CR LF or the end of the file).
bool begins_with_header(int fd, const std::string& header) {
    std::string start(header.size() + 2, '\0');
    const ssize_t got = ::pread(fd, start.data(), start.size(), 0);
    if (got < static_cast<ssize_t>(header.size())) return false;
    start.resize(static_cast<std::size_t>(got));
    if (start.compare(0, header.size(), header) != 0) return false;
    const std::string end = start.substr(header.size());
    return end.empty() || end[0] == '\n' || end == "\r" || end == "\r\n";
}

// The row laid out as header's columns: its later fields picked by name.
std::string row_in_layout(const std::string& row, const std::string& header) {
    const std::vector<std::string>& names = later_columns();
    std::vector<std::string> fields(names.size());
    std::size_t end = row.size() - 1;  // the line end
    for (std::size_t k = names.size(); k-- > 0;) {
        const std::size_t comma = row.rfind(',', end - 1);
        fields[k] = row.substr(comma + 1, end - comma - 1);
        end = comma;
    }
    std::string laid_out = row.substr(0, end);
    for (const std::string& name : later_columns_of(header))
        laid_out += "," + fields[static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin())];
    return laid_out + "\n";
}

// The row as the table open at fd lays it out: a table begun under an
// earlier header gets only that header's columns.
std::string row_for_table(int fd, const std::string& row) {
    for (const std::string& earlier : earlier_headers()) {
        if (begins_with_header(fd, earlier)) return row_in_layout(row, earlier);
    }
    return row;
}

}  // namespace

namespace {

// What makes path unfit to be the table, or "" when it is fit. A pipe or a
// device cannot be read back for its header (the read would wait on the
// program itself) nor hold whole rows; a table that is standard output's file
// would have the console written over its rows; a link to nothing would
// fail only when the first row is written, after the learning.
std::string why_not_a_table(const std::string& path) {
    struct stat link {};
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        if (errno != ENOENT || ::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return "";
        std::error_code unread;
        const std::string points_to = std::filesystem::read_symlink(path, unread).string();
        return strprintf("it is a symbolic link to %s, which does not exist", points_to.c_str());
    }
    // A directory is left to the append check, which names it so.
    if (!S_ISREG(file.st_mode) && !S_ISDIR(file.st_mode)) return "it is not a regular file";
    struct stat console {};
    if (::fstat(STDOUT_FILENO, &console) == 0 && console.st_dev == file.st_dev && console.st_ino == file.st_ino)
        return "it is the file standard output goes to";
    return "";
}

}  // namespace

void check_table_file(const std::string& path) {
    const std::string why = why_not_a_table(path);
    if (!why.empty())
        throw fatal_error(strprintf("Cannot use %s as the results table: %s.", path.c_str(), why.c_str()));
    check_appendable(path);
}

std::string table_header_warning(const std::string& path, const char* correlation) {
    std::ifstream in(path, std::ios::binary);
    std::string first;
    if (!in || !std::getline(in, first) || first.empty()) return "";
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first == table_header()) return "";
    if (is_earlier_header(first)) {
        const std::vector<std::string> columns = later_columns_of(first);
        if (std::string_view(correlation) == "pearson" ||
            std::find(columns.begin(), columns.end(), "correlation") != columns.end())
            return "";
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
    const std::string kept = info.st_size > 0 ? row_for_table(fd, row) : row;
    const std::string text = info.st_size == 0                 ? table_header() + "\n" + row
                             : ends_mid_line(fd, info.st_size) ? "\n" + kept
                                                               : kept;
    append_whole_and_close(fd, path, text, info.st_size);
}

}  // namespace gaussnet
