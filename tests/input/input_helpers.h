#pragma once
// Shared by the reader tests: files in a temporary directory and the text of
// the fatal error a call ends with.

#include <functional>
#include <string>

#include "common/fatal_error.h"
#include "input/run_state.h"
#include "support/run_program.h"

namespace gaussnet::test {

// The message of the fatal_error that action throws, or "" when it returns.
inline std::string fatal_text(const std::function<void()>& action) {
    try {
        action();
    } catch (const fatal_error& error) {
        return error.what();
    }
    return "";
}

// A run_state for reading data file "data.txt" of dir with the given sizes.
inline run_state data_state(const temp_dir& dir, int n_cases, int n_vars) {
    run_state state;
    state.data_file = (dir / "data.txt").string();
    state.n_cases = n_cases;
    state.n_vars = n_vars;
    return state;
}

}  // namespace gaussnet::test
