// The results table's append and the export's file set on arbitrary bytes.
// The input is split into a table that exists already, a row and two file
// contents. The row must land whole after the old bytes, on a line of its
// own (after the header when the table was empty); the set's files must hold
// exactly their contents, replacing the earlier ones, with nothing left
// beside them.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "fuzz_support.h"
#include "output/results_table.h"

using namespace gaussnet;

namespace {

// A directory of this process's own for the table and the set.
const std::string& scratch_dir() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/gaussnet-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    static const bool removed_at_exit = [] {
        std::atexit([] {
            for (const char* name : {"/t.csv", "/RUN.edges.csv", "/RUN.dot", ""}) {
                const std::string file = path + name;
                *name != '\0' ? ::unlink(file.c_str()) : ::rmdir(file.c_str());
            }
        });
        return true;
    }();
    (void)removed_at_exit;
    return path;
}

std::string read_whole(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    std::string text;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, got);
    std::fclose(file);
    return text;
}

int entries(const std::string& dir) {
    DIR* listing = ::opendir(dir.c_str());
    FUZZ_CHECK(listing != nullptr);
    int count = 0;
    while (const dirent* entry = ::readdir(listing)) count += entry->d_name[0] != '.' || entry->d_name[1] > '.';
    ::closedir(listing);
    return count;  // "." and ".." aside; a hidden temporary file counts
}

// The next piece of the input: a length byte, then that many bytes.
std::string_view take(std::string_view& input) {
    if (input.empty()) return {};
    const std::size_t size = std::min<std::size_t>(static_cast<unsigned char>(input[0]), input.size() - 1);
    const std::string_view piece = input.substr(1, size);
    input.remove_prefix(1 + size);
    return piece;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string old_table(take(input));
    std::string row(take(input));
    for (char& c : row)
        if (c == '\n') c = ' ';
    row += '\n';
    const std::string dir = scratch_dir();
    const std::string table = dir + "/t.csv";

    ::unlink(table.c_str());
    if (!old_table.empty()) {
        const int fd = open_for_appending(table);
        append_and_close(fd, table, old_table);
    }
    append_table_row(table, row);
    const std::string lead = old_table.empty() ? table_header() + "\n" : old_table.back() != '\n' ? "\n" : "";
    FUZZ_CHECK(read_whole(table) == old_table + lead + row);

    const std::string first(take(input));
    const std::string second(input);
    write_file_set(dir, {{"RUN.edges.csv", first}, {"RUN.dot", second}});
    FUZZ_CHECK(read_whole(dir + "/RUN.edges.csv") == first);
    FUZZ_CHECK(read_whole(dir + "/RUN.dot") == second);
    FUZZ_CHECK(entries(dir) == 3);  // the table and the two files, no temporary file left
    return 0;
}
