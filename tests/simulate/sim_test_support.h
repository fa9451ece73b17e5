#pragma once
// The simulator's tests use the shared harness (a scratch directory, a
// program run with its output captured) under the names they were written with.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace sim_test {

using scratch_dir = gaussnet::test::temp_dir;
using gaussnet::test::read_file;

inline void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct run_result {
    int status = -1;  // exit status, or -1 if killed by a signal
    std::string out;
    std::string err;
};

// A file_size_limit > 0 makes writes beyond that many bytes fail, as on a full disk.
inline run_result run_program(const std::string& program, const std::vector<std::string>& args,
                              const std::filesystem::path& cwd, long file_size_limit = 0) {
    const gaussnet::test::program_result result =
        gaussnet::test::run_program(program, args, cwd, std::chrono::seconds(300), file_size_limit);
    return {result.exit_status, result.out, result.err};
}

inline std::vector<std::string> split_words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

}  // namespace sim_test
