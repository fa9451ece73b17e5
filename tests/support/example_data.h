#pragma once
// The shipped example (30 variables x 1,000 cases with its true network), copied into a test's directory.

#include <filesystem>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet::test {

inline const std::filesystem::path example_dir = std::filesystem::path(GAUSSNET_SOURCE_DIR) / "examples";

inline void copy_example(const temp_dir& dir) {
    dir.write("data.txt", read_file(example_dir / "data.txt"));
    dir.write("net.txt", read_file(example_dir / "net.txt"));
}

// The options given, then the example's positional arguments (a full
// comparison with its true network), then tail.
inline std::vector<std::string> example_args(std::vector<std::string> options, std::vector<std::string> tail = {}) {
    options.insert(options.end(), {"data.txt", "1000", "30", "1", "0.05", "0"});
    options.insert(options.end(), tail.begin(), tail.end());
    return options;
}

}  // namespace gaussnet::test
