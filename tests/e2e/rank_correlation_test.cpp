// Learning from rank-based correlations, as a user sees it: the learned
// structures do not change when every variable is put through an increasing
// function, nor with the number of threads; a matrix that is not positive
// definite is reported with the setting and its cause.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

using test::mask_seconds;
using test::program_result;
using test::run_program;
using test::temp_dir;

// gaussnet-sim's data of 20 variables x 300 cases, put through transform.
std::string simulated(const std::string& transform) {
    temp_dir dir;
    const program_result made = run_program(
        GAUSSNET_SIM_BIN,
        {"--vars", "20", "--cases", "300", "--seed", "17", "--transform", transform, dir.path().string()}, dir);
    EXPECT_EQ(made.exit_status, 0) << made.err;
    return dir.read("data.txt");
}

// Console and res.txt of one comparison (true_net 0: res.txt holds the learned matrices).
std::string learned(const std::string& data, const std::vector<std::string>& options) {
    temp_dir dir;
    dir.write("data.txt", data);
    std::vector<std::string> args = options;
    for (const char* word : {"data.txt", "300", "20", "0", "0.05", "0"}) args.emplace_back(word);
    const program_result run = run_program(GAUSSNET_BIN, args, dir);
    EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
    return mask_seconds(run.out + dir.read("res.txt"));
}

TEST(RankCorrelation, SameStructuresUnderIncreasingTransformsAndThreadCounts) {
    const std::string gaussian = simulated("none");
    const std::vector<std::string> transformed = {simulated("exp"), simulated("mix")};
    for (const char* kind : {"spearman", "kendall", "normal"}) {
        SCOPED_TRACE(kind);
        const std::string expected = learned(gaussian, {"--correlation", kind, "--threads", "1"});
        EXPECT_NE(expected.find("01"), std::string::npos);  // a matrix row with an edge
        EXPECT_EQ(learned(gaussian, {"--correlation", kind, "--threads", "2"}), expected);
        for (const std::string& data : transformed)
            EXPECT_EQ(learned(data, {"--correlation", kind, "--threads", "2"}), expected);
    }
    // Pearson's covariance is not invariant: exp changes what it learns.
    EXPECT_NE(learned(transformed[0], {}), learned(gaussian, {}));
}

TEST(RankCorrelation, MatrixNotPositiveDefiniteNamesTheSettingAndCause) {
    // A constant variable has no ranks to correlate.
    temp_dir dir;
    dir.write("data.txt", "a b c\n1 5 2\n2 5 1\n3 5 4\n4 5 3\n5 5 6\n6 5 5\n");
    for (const char* kind : {"spearman", "kendall", "normal"}) {
        const program_result run = run_program(
            GAUSSNET_BIN, {"--correlation", kind, "--learners", "EE", "data.txt", "6", "3", "0", "0.05", "0"}, dir);
        EXPECT_NE(run.exit_status, 0);
        EXPECT_NE(run.out.find("No Cholesky decomposition (3)."), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(std::string("EE: the ") + kind + " correlation matrix of 3 variables (correlation " +
                               kind + ") is not positive definite"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("constant variables"), std::string::npos) << run.err;
    }
}

TEST(RankCorrelation, ShrinkageToPositiveDefiniteIsNotedOnce) {
    // Spearman's matrix of these ranks is positive definite; its sine map is not.
    temp_dir dir;
    dir.write("data.txt", "a b c d\n3 5 5 1\n4 4 3 3\n1 2 4 2\n2 1 2 4\n5 3 1 5\n");
    const std::vector<std::string> args = {"data.txt", "5", "4", "0", "0.05", "0"};
    std::vector<std::string> spearman = {"--correlation", "spearman"};
    spearman.insert(spearman.end(), args.begin(), args.end());
    const program_result shrunk = run_program(GAUSSNET_BIN, spearman, dir);
    EXPECT_EQ(shrunk.exit_status, 0) << shrunk.out;
    const std::string note = "the spearman correlation matrix (correlation spearman) was not positive definite";
    const std::size_t at = shrunk.err.find(note);
    ASSERT_NE(at, std::string::npos) << shrunk.err;
    EXPECT_EQ(shrunk.err.find(note, at + 1), std::string::npos) << "noted once for the runs sharing it";
    EXPECT_NE(shrunk.err.find("shrunk toward 0 by the factor 0."), std::string::npos) << shrunk.err;
    // Normal scores give a covariance, never shrunk.
    std::vector<std::string> normal = {"--correlation", "normal"};
    normal.insert(normal.end(), args.begin(), args.end());
    EXPECT_EQ(run_program(GAUSSNET_BIN, normal, dir).err.find("shrunk"), std::string::npos);
}

}  // namespace
}  // namespace gaussnet
