// The real networks under ../shared/data (when present): the program's console
// output and "res.txt" must equal the independent reference implementation's,
// byte for byte but for the seconds, on 1 and 2 threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::mask_seconds;
using test::read_file;

const fs::path cases_root = fs::path(GAUSSNET_SOURCE_DIR) / "tests" / "e2e" / "shared_cases";
const fs::path shared_data = fs::path(GAUSSNET_SHARED_DATA);

std::vector<std::string> case_names() { return test::folder_names(cases_root); }

std::string split_first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

class SharedNetwork : public ::testing::TestWithParam<std::string> {};

TEST_P(SharedNetwork, MatchesTheReference) {
    const fs::path dir = cases_root / GetParam();
    std::istringstream words(read_file(dir / "args"));
    std::vector<std::string> args;
    for (std::string word; words >> word;) args.push_back(word);
    const fs::path data = shared_data / args.at(0);
    const fs::path net = shared_data / split_first_line(read_file(dir / "net")) / "net.txt";
    if (!fs::exists(data) || !fs::exists(net)) GTEST_SKIP() << "shared data not present: " << data;
    args[0] = data.string();
    for (const int threads : {1, 2}) {
        test::temp_dir scratch;
        scratch.write("net.txt", read_file(net));
        std::vector<std::string> with_threads = {"--threads", std::to_string(threads)};
        with_threads.insert(with_threads.end(), args.begin(), args.end());
        const test::program_result result = test::run_program(GAUSSNET_BIN, with_threads, scratch);
        EXPECT_EQ(result.exit_status, 0) << result.out;
        EXPECT_EQ(mask_seconds(result.out), read_file(dir / "stdout")) << "threads " << threads;
        EXPECT_EQ(mask_seconds(scratch.read("res.txt")), read_file(dir / "res.txt")) << "threads " << threads;
    }
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(SharedNetwork);
INSTANTIATE_TEST_SUITE_P(Networks, SharedNetwork, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace gaussnet
