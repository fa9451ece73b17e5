// "net.txt": n_vars lines of n_vars cell characters each, nothing between
// them. Every character counts, so a separator shifts the later cells.

#include <cstdint>
#include <string>

#include "common/fatal_error.h"
#include "common/text.h"
#include "input/file_reader.h"
#include "input/read_input.h"

namespace gaussnet {

namespace {

// The first place where the file departs from n_vars digits a line, for one
// warning: the cells are read as they come all the same.
struct layout_check {
    long long line = 1;
    std::string found;  // empty: none yet

    void note(const char* what, int c) {
        if (!found.empty()) return;
        found = c < 0 ? strprintf("line %lld %s", line, what)
                      : strprintf("line %lld %s (\"%s\")", line, what,
                                  printable(std::string(1, static_cast<char>(c)), true).c_str());
    }
    void cell(int c) {
        if (c == '\n') note("is shorter than n_vars characters", -1);
        else if (c == ' ' || c == ',' || c == '\t') note("holds a separator between its cells", c);
        else if (c < '0' || c > '9') note("holds a cell that is not a digit (a header row?)", c);
        line += c == '\n';
    }
    void line_end(int c) {
        if (c >= 0 && c != '\n') note("is longer than n_vars characters", -1);
        line += c == '\n';
    }
};

}  // namespace

void read_true_network(run_state& state, const char* path) {
    const int n = state.n_vars;
    file_reader reader(path, path);
    // A byte-order mark is no cell: left in place it would shift every cell.
    reader.skip_byte_order_mark();
    // Each cell and each line end but the last takes a byte at least: a file
    // too short for the stated n_vars ends with its message before n x n
    // cells are allocated.
    const std::int64_t needed = std::int64_t{n} * n + (n > 0 ? n - 1 : 0);
    const bool fits = reader.bytes_left() < 0 || reader.bytes_left() >= needed;
    state.true_network = fits ? ByteMatrix(n, n) : ByteMatrix();
    layout_check layout;
    for (int i = 0; i < n; ++i) {
        std::uint8_t* row = fits ? state.true_network.row(i) : nullptr;
        for (int j = 0; j < n; ++j) {
            const int c = reader.get_text();
            if (c < 0) throw fatal_error(strprintf("%s ends before row %d is complete.", path, i + 1));
            if (row != nullptr) row[j] = c >= '1' && c <= '9' ? 1 : 0;
            layout.cell(c);
        }
        // The line end; after the last row it may be missing.
        layout.line_end(reader.get_text());
    }
    if (!layout.found.empty()) {
        state.warnings.push_back(
            strprintf("%s: %s, so the network is misread: write n_vars (%d) digits a line and "
                      "nothing else, 1 to 9 for an arc from the row to the column.",
                      path, layout.found.c_str(), n));
    }
}

}  // namespace gaussnet
