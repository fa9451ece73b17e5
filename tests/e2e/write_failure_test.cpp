// A result that cannot be written must end the program with an error, never
// be dropped silently: "res.txt" on a disk that fills up part-way through a
// run (a file-size limit stands in for the full disk).
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/run_program.h"

namespace gaussnet {
namespace {

TEST(ResultLogWriteFailure, FullDiskPartWayThroughEndsWithAnError) {
    test::temp_dir dir;
    std::string data = "a b c\n";
    for (int k = 0; k < 50; ++k)
        data += std::to_string(k % 7) + " " + std::to_string((k * 3) % 11) + " " + std::to_string((k * 5) % 13) + "\n";
    dir.write("data.txt", data);
    // The banner (about 40 bytes) fits; the first run's fragments do not.
    const test::program_result run =
        test::run_program(GAUSSNET_BIN, {"data.txt", "50", "3", "0", "0.05", "0"}, dir, std::chrono::seconds(300), 60);
    EXPECT_EQ(run.exit_status, 1) << run.out;
    EXPECT_NE(run.out.find("\n\n Cannot write to res.txt"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - 3), " \n\n") << run.out;
}

}  // namespace
}  // namespace gaussnet
