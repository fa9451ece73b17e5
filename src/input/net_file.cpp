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
    state.true_network = ByteMatrix(n, n);
    for (int i = 0; i < n; ++i) {
        std::uint8_t* row = state.true_network.row(i);
        for (int j = 0; j < n; ++j) {
            const int c = reader.get_text();
            if (c < 0) throw fatal_error(strprintf("%s ends before row %d is complete.", path, i + 1));
            row[j] = c >= '1' && c <= '9' ? 1 : 0;
        }
        // The line end; after the last row it may be missing.
        reader.get_text();
    }
}

}  // namespace gaussnet
