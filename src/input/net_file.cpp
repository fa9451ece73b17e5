// "net.txt": n_vars lines of n_vars cell characters each, nothing between
// them. Every character counts, so a separator shifts the later cells.

#include <cstdint>

#include "common/fatal_error.h"
#include "common/text.h"
#include "input/file_reader.h"
#include "input/read_input.h"

namespace gaussnet {

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
    for (int i = 0; i < n; ++i) {
        std::uint8_t* row = fits ? state.true_network.row(i) : nullptr;
        for (int j = 0; j < n; ++j) {
            const int c = reader.get_text();
            if (c < 0) throw fatal_error(strprintf("%s ends before row %d is complete.", path, i + 1));
            if (row != nullptr) row[j] = c >= '1' && c <= '9' ? 1 : 0;
        }
        // The line end; after the last row it may be missing.
        reader.get_text();
    }
}

}  // namespace gaussnet
