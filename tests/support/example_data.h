#pragma once
// The shipped example (30 variables x 1,000 cases with its true network), copied into a test's directory.

#include <filesystem>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet::test {

inline const std::filesystem::path example_dir = std::filesystem::path(GAUSSNET_SOURCE_DIR) / "examples";

inline void copy_example(const temp_dir& dir) {
    dir.write("data.txt", read_file(example_dir / "data.txt"));
    dir.write("net.txt", read_file(example_dir / "net.txt"));
}

}  // namespace gaussnet::test
