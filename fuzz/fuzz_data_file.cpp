// The data file reader on arbitrary bytes, blank-separated and CSV alike.
// Input: byte 0 gives n_cases (0-15), byte 1 n_vars (0-11), the rest is the
// file. Only the program's own fatal error may come out; on success there
// are exactly n_vars names of at most 99 characters without line ends,
// empty or holding delimiters only when the header quotes names (or, for
// blanks inside a name, when the header was read at its commas, with a
// warning), and every value is finite.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/fatal_error.h"
#include "fuzz_support.h"
#include "input/read_input.h"

using namespace gaussnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    run_state state;
    state.n_cases = data[0] % 16;
    state.n_vars = data[1] % 12;
    state.data_file = fuzz::write_scratch(data + 2, size - 2);
    try {
        read_data_file(state);
    } catch (const fatal_error& error) {
        FUZZ_CHECK(std::strlen(error.what()) > 0);
        return 0;
    }
    FUZZ_CHECK(state.var_names.size() == static_cast<std::size_t>(state.n_vars));
    const bool quoted = std::memchr(data + 2, '"', size - 2) != nullptr;
    for (const std::string& name : state.var_names) {
        FUZZ_CHECK(name.size() <= 99 && name.find('\n') == std::string::npos);
        // A name in double quotes is taken whole, blanks and commas included,
        // and may be empty ("" heads the row names' column of R's write.csv).
        FUZZ_CHECK(quoted || !name.empty());
        FUZZ_CHECK(quoted || name.find_first_of(std::string(",\t\r\0", 4)) == std::string::npos);
        // pandas writes names with blanks unquoted; such a header is read at
        // its commas, never with a blank at a name's ends, and says so.
        const bool inner_blanks = name.find(' ') != std::string::npos;
        FUZZ_CHECK(quoted || !inner_blanks || (!state.warnings.empty() && name.front() != ' ' && name.back() != ' '));
    }
    FUZZ_CHECK(state.data_matrix.rows() == state.n_cases && state.data_matrix.cols() == state.n_vars);
    for (std::int64_t j = 0; j < state.n_cases; ++j)
        for (int i = 0; i < state.n_vars; ++i) FUZZ_CHECK(std::isfinite(state.data_matrix(j, i)));
    return 0;
}
