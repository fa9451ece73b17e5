// gaussnet-sim run as a program: the files it writes, its refusals and failures.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sim_test_support.h"

namespace {

namespace fs = std::filesystem;
using sim_test::read_file;
using sim_test::run_program;
using sim_test::scratch_dir;
using sim_test::split_words;
using sim_test::write_file;

const std::string sim = GAUSSNET_SIM_BIN;

sim_test::run_result run_sim(const scratch_dir& dir, std::vector<std::string> args, long file_size_limit = 0) {
    return run_program(sim, args, dir.path(), file_size_limit);
}

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SimCli, SameSeedSameBytesOtherSeedOtherBytes) {
    scratch_dir dir;
    auto args = [&](const char* seed, const char* cases, const char* out) {
        return std::vector<std::string>{"--vars", "12", "--cases", cases, "--seed", seed, out};
    };
    ASSERT_EQ(run_sim(dir, args("7", "300", "a")).status, 0);
    ASSERT_EQ(run_sim(dir, args("7", "300", "b")).status, 0);
    ASSERT_EQ(run_sim(dir, args("8", "300", "c")).status, 0);
    ASSERT_EQ(run_sim(dir, args("7", "100", "d")).status, 0);
    EXPECT_EQ(read_file(dir / "a/data.txt"), read_file(dir / "b/data.txt"));
    EXPECT_EQ(read_file(dir / "a/net.txt"), read_file(dir / "b/net.txt"));
    EXPECT_NE(read_file(dir / "a/data.txt"), read_file(dir / "c/data.txt"));
    EXPECT_NE(read_file(dir / "a/net.txt"), read_file(dir / "c/net.txt"));
    // Fewer cases, same seed: the same network and the first cases alike.
    const std::string few = read_file(dir / "d/data.txt");
    EXPECT_EQ(read_file(dir / "a/net.txt"), read_file(dir / "d/net.txt"));
    EXPECT_EQ(read_file(dir / "a/data.txt").substr(0, few.size()), few);
}

// Splits text into lines that must each end with "\n".
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

// The text is the shortest that reads back as its float: printing the float
// read from it gives the same text back.
void expect_shortest_float(const std::string& token) {
    const float value = std::strtof(token.c_str(), nullptr);
    char again[32];
    const auto result = std::to_chars(again, again + sizeof again, value);
    EXPECT_EQ(std::string(again, result.ptr), token);
    EXPECT_TRUE(std::isfinite(value)) << token;
}

TEST(SimCli, FilesParseBackInGaussnetsFormats) {
    scratch_dir dir;
    const auto run = run_sim(dir, {"--vars", "7", "--cases", "50", "--prefix", "V", "--seed", "3", "out"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto data = lines_of(read_file(dir / "out/data.txt"));
    ASSERT_EQ(data.size(), 51U);
    EXPECT_EQ(data[0], "V1 V2 V3 V4 V5 V6 V7");
    for (std::size_t i = 1; i < data.size(); ++i) {
        const auto values = split_words(data[i]);
        ASSERT_EQ(values.size(), 7U) << data[i];
        std::string joined;
        for (const auto& v : values) joined += (joined.empty() ? "" : " ") + v;
        EXPECT_EQ(joined, data[i]) << "not single blanks";
        for (const auto& v : values) expect_shortest_float(v);
    }
    const auto net = lines_of(read_file(dir / "out/net.txt"));
    ASSERT_EQ(net.size(), 7U);
    for (std::size_t r = 0; r < net.size(); ++r) {
        ASSERT_EQ(net[r].size(), 7U);
        EXPECT_EQ(net[r].find_first_not_of("01"), std::string::npos);
        EXPECT_EQ(net[r][r], '0');
    }
    EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"data.txt", "net.txt"}));
    EXPECT_EQ(run.out.substr(0, 7), "cd out ");
    EXPECT_NE(run.out.find("gaussnet data.txt 50 7 1 0.05 0\n"), std::string::npos) << run.out;
}

TEST(SimCli, GivenChainKeepsRowAsParent) {
    // X1 -> X2 -> X3 with |weights| 0.8: Var(X2) = 1.64, Var(X3) = 0.64 * 1.64 + 1.
    scratch_dir dir;
    write_file(dir / "chain.txt", "010\n001\n000\n");
    constexpr int n = 20000;
    const auto run = run_sim(dir, {"--from", "chain.txt", "--cases", "20000", "--weights", "0.8:0.8", "out"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(read_file(dir / "out/net.txt"), "010\n001\n000\n");
    const auto words = split_words(read_file(dir / "out/data.txt"));
    ASSERT_EQ(words.size(), 3U + 3 * n);
    double sum[3] = {}, sq[3] = {};
    for (int c = 0; c < n; ++c) {
        for (int v = 0; v < 3; ++v) {
            const double x = std::strtof(words[static_cast<std::size_t>(3 + 3 * c + v)].c_str(), nullptr);
            sum[v] += x;
            sq[v] += x * x;
        }
    }
    const double implied[3] = {1.0, 1.64, 0.64 * 1.64 + 1};
    for (int v = 0; v < 3; ++v) {
        const double var = (sq[v] - sum[v] * sum[v] / n) / (n - 1);
        EXPECT_NEAR(var, implied[v], 5 * implied[v] * std::sqrt(2.0 / n)) << "X" << v + 1;
    }
}

TEST(SimCli, OptionErrorsExitTwoAndWriteNothing) {
    scratch_dir dir;
    const std::vector<std::vector<std::string>> rows = {
        {"--vars", "0", "--cases", "5", "out"},
        {"--vars", "five", "--cases", "5", "out"},
        {"--vars", "5", "--cases", "5", "--bogus", "out"},
    };
    for (const auto& args : rows) {
        const auto run = run_sim(dir, args);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_NE(run.err.find("Usage: gaussnet-sim"), std::string::npos);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(entries(dir.path()).empty());
    const auto help = run_sim(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: gaussnet-sim"), std::string::npos);
}

TEST(SimCli, RefusesToOverwriteWithoutForce) {
    for (const char* existing : {"data.txt", "net.txt"}) {
        scratch_dir dir;
        fs::create_directory(dir / "out");
        write_file(dir / ("out/" + std::string(existing)), "keep me\n");
        const auto run = run_sim(dir, {"--vars", "4", "--cases", "10", "out"});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("exists; use --force"), std::string::npos) << run.err;
        EXPECT_EQ(read_file(dir / ("out/" + std::string(existing))), "keep me\n");
        EXPECT_EQ(entries(dir / "out"), std::vector<std::string>{existing});

        const auto forced = run_sim(dir, {"--vars", "4", "--cases", "10", "--force", "out"});
        EXPECT_EQ(forced.status, 0) << forced.err;
        EXPECT_EQ(read_file(dir / "out/net.txt").size(), 20U);
        EXPECT_EQ(entries(dir / "out"), (std::vector<std::string>{"data.txt", "net.txt"}));
    }
}

TEST(SimCli, FailuresExitOneAndLeaveNoFiles) {
    scratch_dir dir;
    write_file(dir / "afile", "x");
    write_file(dir / "cycle.txt", "010\n001\n100\n");
    write_file(dir / "chain.txt", "010\n001\n000\n");
    fs::create_directories(dir / "trap/data.txt");  // a directory where the file should go
    struct row {
        std::vector<std::string> args;
        const char* message;
    };
    const row rows[] = {
        {{"--vars", "3", "--cases", "5", "afile/sub"}, "cannot create directory 'afile/sub'"},
        {{"--vars", "3", "--cases", "5", "afile"}, "afile"},
        {{"--vars", "3", "--cases", "5", "--force", "trap"}, "cannot create 'trap/data.txt'"},
        {{"--from", "cycle.txt", "--cases", "5", "out1"}, "cycle: X1 -> X2 -> X3 -> X1"},
        {{"--from", "missing.txt", "--cases", "5", "out2"}, "cannot read net file 'missing.txt'"},
        {{"--from", "chain.txt", "--vars", "4", "--cases", "5", "out3"}, "--vars 4 does not agree"},
        // 1e30 * 1e30 * z overflows single precision at X3.
        {{"--from", "chain.txt", "--weights", "1e30:1e30", "--cases", "5", "out4"}, "X3: the value"},
    };
    for (const auto& r : rows) {
        const auto run = run_sim(dir, r.args);
        EXPECT_EQ(run.status, 1) << r.message;
        EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(entries(dir / "trap"), std::vector<std::string>{"data.txt"});
    EXPECT_FALSE(fs::exists(dir / "out1"));
    EXPECT_TRUE(entries(dir / "out4").empty());  // created, but nothing half-written in it
}

TEST(SimCli, WriteFailureMidwayIsReportedAndCleanedUp) {
    // A file size limit makes the data file's writes fail, as a full disk would.
    scratch_dir dir;
    const auto run = run_sim(dir, {"--vars", "50", "--cases", "20000", "out"}, 1 << 20);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write 'out/data.txt'"), std::string::npos) << run.err;
    EXPECT_TRUE(entries(dir / "out").empty());
}

}  // namespace

namespace {

// The shipped example must still be what its documented command makes.
TEST(SimCli, ShippedExampleIsReproducedByItsCommand) {
    scratch_dir dir;
    const auto run = run_sim(dir, {"--vars", "30", "--cases", "1000", "--seed", "2024", "examples"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string shipped = std::string(GAUSSNET_SOURCE_DIR) + "/examples/";
    EXPECT_TRUE(read_file(dir / "examples/data.txt") == read_file(shipped + "data.txt"));
    EXPECT_TRUE(read_file(dir / "examples/net.txt") == read_file(shipped + "net.txt"));
    EXPECT_EQ(read_file(shipped + "args.txt"), "data.txt 1000 30 1 0.05 0\n");
}

}  // namespace
