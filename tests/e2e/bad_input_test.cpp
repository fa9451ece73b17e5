// What a hostile new user can throw at the program: bad data files, bad
// net.txt, a res.txt that cannot take the results, odd command lines. Every
// case must end in bounded time with the expected exit status, say what went
// wrong (a framed message on standard output, or a line on standard error)
// and leave the earlier content of res.txt intact.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/expected_output.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

namespace fs = std::filesystem;
using test::program_result;
using test::run_program;
using test::temp_dir;

const std::string earlier_log = "\n n_vars= 1, n_cases= 1, n_edges= 0, IAMB2: 0 sec., an earlier run";

// n_cases cases of five chained variables x1 -> ... -> x5 (well conditioned).
std::string chain_data(int n_cases, const char* separator = " ") {
    std::string text = std::string("x1") + separator + "x2" + separator + "x3" + separator + "x4" + separator + "x5\n";
    unsigned state = 987;
    for (int j = 0; j < n_cases; ++j) {
        double previous = 0;
        for (int i = 0; i < 5; ++i) {
            state = state * 1103515245u + 12345u;
            const double value = 0.8 * previous + ((state >> 8) % 10000) / 2500.0 - 2.0;
            char cell[32];
            std::snprintf(cell, sizeof cell, "%s%.4f", i == 0 ? "" : separator, value);
            text += cell;
            previous = value;
        }
        text += "\n";
    }
    return text;
}

const std::string chain_net = "01000\n00100\n00010\n00001\n00000\n";

std::string binary_junk(std::size_t size) {
    std::string junk;
    unsigned state = 4242;
    for (std::size_t k = 0; k < size; ++k) {
        state = state * 1664525u + 1013904223u;
        junk.push_back(static_cast<char>(state >> 24));
    }
    return junk;
}

enum class log_setup {
    earlier,    // res.txt holds earlier_log before the run
    directory,  // res.txt is a directory
    dev_full,   // res.txt is a link to /dev/full
};

enum class log_after {
    unchanged,  // exactly earlier_log
    appended,   // earlier_log followed by this run's lines
    not_checked,
};

struct bad_input_case {
    const char* what;
    std::string data;  // data.txt; not written when empty
    std::string net;   // net.txt; not written when empty
    std::vector<std::string> args;
    int status;
    std::string message;     // framed at the end of standard output; "" for none
    std::string error_line;  // a line on standard error; "" when not checked
    log_setup log = log_setup::earlier;
    log_after after = log_after::unchanged;
};

std::vector<std::string> positional(const std::string& n_cases, const std::string& n_vars, const std::string& true_net,
                                    std::vector<std::string> more = {}) {
    std::vector<std::string> words{"data.txt", n_cases, n_vars, true_net, "0.05", "0"};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

// A case that ends with a framed message and leaves res.txt as it was.
bad_input_case fails(const char* what, std::string data, std::string net, std::vector<std::string> args, int status,
                     std::string message, log_setup log = log_setup::earlier) {
    return {what,
            std::move(data),
            std::move(net),
            std::move(args),
            status,
            std::move(message),
            "",
            log,
            log == log_setup::earlier ? log_after::unchanged : log_after::not_checked};
}

// A case that runs to its end (status 0) and appends to res.txt, with an
// optional line on standard error.
bad_input_case runs(const char* what, std::string data, std::string net, std::vector<std::string> args,
                    std::string error_line = "") {
    return {what, std::move(data),       std::move(net),     std::move(args),    0,
            "",   std::move(error_line), log_setup::earlier, log_after::appended};
}

std::vector<bad_input_case> cases() {
    const std::string data = chain_data(60);
    std::string many_values = "a b c d e\n";
    for (int k = 0; k < 250; ++k) many_values += std::to_string(k % 9) + (k % 5 == 4 ? "\n" : " ");
    const std::string usage =
        "Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) [target radius].";
    return {
        // --- data file
        fails("binary junk", "\x01\x02\n" + binary_junk(3000), "", positional("5", "1", "0"), 1,
              "Data file data.txt: case 1, variable \\x01\\x02: not a number (\\xE1)."),
        fails("NUL byte in a value",
              std::string("a b\n1 \x00"
                          "5 2\n",
                          11),
              "", positional("1", "2", "0"), 1, "Data file data.txt: case 1, variable b: not a number (\\x005)."),
        fails("NUL byte in the header", std::string("a\0b c\n1 2\n", 10), "", positional("1", "2", "0"), 1,
              "Data file data.txt: the header has 1 names, fewer than n_vars (2)."),
        fails("CR-only line ends", "a b\r1 2\r3 4\r", "", positional("2", "2", "0"), 1,
              "Data file data.txt: 0 values, fewer than n_cases x n_vars (4)."),
        fails("directory as data file", "", "", {".", "1", "1", "0", "0.05", "0"}, 1,
              "Cannot read data file .: Is a directory."),
        fails("n_cases far beyond the file", many_values, "", positional("400000000", "5", "0"), 1,
              "Data file data.txt: 250 values, fewer than n_cases x n_vars (2000000000)."),
        fails("both counts at the int limit", many_values, "", positional("2147483647", "2147483647", "0"), 1,
              "Data file data.txt: the header has 5 names, fewer than n_vars (2147483647)."),
        fails("CSV with an empty field", "a,b\n1,2\n3,,4\n", "", positional("2", "2", "0"), 1,
              "Data file data.txt: case 2, variable b: not a number (empty field)."),
        fails("CSV with NA", "\"a\",\"b\"\n1,2\nNA,4\n", "", positional("2", "2", "0"), 1,
              "Data file data.txt: case 2, variable a: not a number (NA)."),
        fails("decimal commas between tabs", "a\tb\n3,5946\t2,1\n1,5\t0,25\n", "", positional("2", "2", "0"), 1,
              "Data file data.txt: its numbers have decimal commas (\"3,5946\" on line 2)."),
        fails("--decimal-comma and a field that is no number", "a;b\n3,5;2,1\n1,5;n/a\n", "",
              {"--decimal-comma", "data.txt", "2", "2", "0", "0.05", "0"}, 1,
              "Data file data.txt: case 2, variable b: not a number (n/a)."),
        runs("byte-order mark and CSV", "\xEF\xBB\xBF" + chain_data(60, ","), "",
             positional("60", "5", "0", {"x1", "1"})),
        // --- net.txt
        fails("net.txt missing", data, "", positional("60", "5", "1"), 1,
              "Cannot open net.txt: No such file or directory."),
        fails("net.txt a directory", data, "", positional("60", "5", "1"), 1, "Cannot read net.txt: Is a directory."),
        fails("net.txt short", data, "01000\n001", positional("60", "5", "1"), 1,
              "net.txt ends before row 2 is complete."),
        fails("net.txt far smaller than n_vars", data, chain_net, positional("60", "100000", "1"), 1,
              "net.txt ends before row 1 is complete."),
        fails("--net file missing", data, chain_net, {"--net", "sub/mine.txt", "data.txt", "60", "5", "1", "0.05", "0"},
              1, "Cannot open sub/mine.txt: No such file or directory."),
        fails("--net file short", data, "01000\n001", {"--net=net.txt", "data.txt", "60", "5", "1", "0.05", "0"}, 1,
              "net.txt ends before row 2 is complete."),
        fails("--net without true_net 1", data, chain_net,
              {"--net", "net.txt", "data.txt", "60", "5", "0", "0.05", "0"}, 2,
              "--net applies only with true_net 1. " + usage),
        runs("net.txt binary junk", data, binary_junk(30), positional("60", "5", "1")),
        runs("net.txt with NUL bytes", data,
             std::string("0\0"
                         "100\n00100\n00010\n00001\n00000\n",
                         30),
             positional("60", "5", "1")),
        // --- res.txt
        fails("res.txt a directory", data, "", positional("60", "5", "0"), 1,
              "Cannot open res.txt for appending: Is a directory.", log_setup::directory),
        fails("res.txt on a full disk", data, "", positional("60", "5", "0"), 1,
              "Cannot write to res.txt: No space left on device.", log_setup::dev_full),
        // --- command line
        fails("five arguments", data, "", {"data.txt", "60", "5", "0", "0.05"}, 2, usage),
        fails("unknown option", data, "", {"--frobnicate", "data.txt", "60", "5", "0", "0.05", "0"}, 2, usage),
        fails("negative n_vars", data, "", positional("60", "-5", "0"), 1, "Negative n_vars (-5)."),
        runs("option after the positional arguments", data, "", positional("60", "5", "0", {"--threads", "2"}),
             "No variable named \"--threads\"; nothing was learned. Options go before the positional arguments."),
        runs("target naming no variable", data, "", positional("60", "5", "0", {"X1", "2"}),
             "No variable named \"X1\"; nothing was learned."),
        runs("radius at the int limit", data, chain_net, positional("60", "5", "1", {"x1", "2147483647"})),
    };
}

void set_up_log(const temp_dir& dir, log_setup setup) {
    switch (setup) {
        case log_setup::earlier:
            dir.write("res.txt", earlier_log);
            break;
        case log_setup::directory:
            fs::create_directory(dir / "res.txt");
            break;
        case log_setup::dev_full:
            fs::create_symlink("/dev/full", dir / "res.txt");
            break;
    }
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(BadInput, EveryCaseEndsWithItsStatusAndMessageAndKeepsTheLog) {
    for (const bad_input_case& c : cases()) {
        SCOPED_TRACE(c.what);
        temp_dir dir;
        if (!c.data.empty()) dir.write("data.txt", c.data);
        if (c.what == std::string("net.txt a directory")) fs::create_directory(dir / "net.txt");
        if (!c.net.empty()) dir.write("net.txt", c.net);
        set_up_log(dir, c.log);

        const auto started = std::chrono::steady_clock::now();
        const program_result result = run_program(GAUSSNET_BIN, c.args, dir, std::chrono::seconds(60));
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
        ASSERT_FALSE(result.timed_out);
        EXPECT_LT(seconds, 30);  // a hang is a fault; the bound is generous for a shared machine
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exit_status, c.status) << result.out << result.err;
        if (c.message.empty()) {
            EXPECT_EQ(result.out.find("\n\n "), std::string::npos) << result.out;
        } else {
            EXPECT_TRUE(ends_with(result.out, "\n\n " + c.message + " \n\n")) << result.out;
        }
        if (!c.error_line.empty()) {
            EXPECT_NE(result.err.find(c.error_line + "\n"), std::string::npos) << result.err;
        }
        if (c.after == log_after::unchanged) {
            EXPECT_EQ(dir.read("res.txt"), earlier_log);
        }
        if (c.after == log_after::appended) {
            const std::string log = dir.read("res.txt");
            EXPECT_EQ(log.substr(0, earlier_log.size()), earlier_log);
            EXPECT_GT(log.size(), earlier_log.size());
            EXPECT_EQ(log.find(" n_vars=", earlier_log.size()), earlier_log.size() + 1) << log;
        }
    }
}

// A directory the user may not write to. Root writes anywhere, so the case
// holds only for other users (res.txt as a directory covers root).
TEST(BadInput, ReadOnlyDirectoryKeepsTheLog) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    temp_dir dir;
    dir.write("data.txt", chain_data(60));
    dir.write("res.txt", earlier_log);
    fs::permissions(dir / "res.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const program_result result = run_program(GAUSSNET_BIN, positional("60", "5", "0"), dir);
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_TRUE(ends_with(result.out, "\n\n Cannot open res.txt for appending: Permission denied. \n\n")) << result.out;
    EXPECT_EQ(dir.read("res.txt"), earlier_log);
}

// Standard output on a full disk: the failure is said on standard error, and
// res.txt gets nothing (the banner is flushed to the console before it is
// appended to the log).
TEST(BadInput, StandardOutputOnAFullDisk) {
    temp_dir dir;
    dir.write("data.txt", chain_data(60));
    dir.write("res.txt", earlier_log);
    int err_pipe[2];
    ASSERT_EQ(::pipe(err_pipe), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int full = ::open("/dev/full", O_WRONLY);
        if (full < 0 || ::dup2(full, 1) < 0 || ::dup2(err_pipe[1], 2) < 0 || ::chdir(dir.path().c_str()) != 0)
            ::_exit(126);
        ::close(err_pipe[0]);
        ::execl(GAUSSNET_BIN, GAUSSNET_BIN, "data.txt", "60", "5", "0", "0.05", "0", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(err_pipe[1]);
    std::string err;
    char buffer[4096];
    for (ssize_t got; (got = ::read(err_pipe[0], buffer, sizeof buffer)) > 0;) err.append(buffer, got);
    ::close(err_pipe[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(err, "\n\n Cannot write to standard output: No space left on device. \n\n");
    EXPECT_EQ(dir.read("res.txt"), earlier_log);
}

// Threads that cannot be started (too little address space for their stacks)
// cost speed only: the run goes on with those it has and prints the same.
TEST(BadInput, ThreadsThatCannotStartChangeNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#else
    temp_dir dir;
    dir.write("data.txt", chain_data(60));
    dir.write("net.txt", chain_net);
    const program_result plain =
        run_program(GAUSSNET_BIN, {"--threads", "1", "data.txt", "60", "5", "1", "0.05", "0"}, dir);
    ASSERT_EQ(plain.exit_status, 0);

    int pipes[2][2];
    ASSERT_EQ(::pipe(pipes[0]), 0);
    ASSERT_EQ(::pipe(pipes[1]), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The program needs about 8 MB; each thread's stack takes 8 MB more.
        const rlimit limit{16u << 20, 16u << 20};
        if (::setrlimit(RLIMIT_AS, &limit) != 0 || ::dup2(pipes[0][1], 1) < 0 || ::dup2(pipes[1][1], 2) < 0 ||
            ::chdir(dir.path().c_str()) != 0)
            ::_exit(126);
        ::execl(GAUSSNET_BIN, GAUSSNET_BIN, "--threads", "8", "data.txt", "60", "5", "1", "0.05", "0",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipes[0][1]);
    ::close(pipes[1][1]);
    // The outputs are small: reading one pipe to its end and then the other cannot block.
    std::string out;
    std::string err;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipes[0][0], buffer, sizeof buffer)) > 0;) out.append(buffer, got);
    for (ssize_t got; (got = ::read(pipes[1][0], buffer, sizeof buffer)) > 0;) err.append(buffer, got);
    ::close(pipes[0][0]);
    ::close(pipes[1][0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 0) << out << err;
    EXPECT_EQ(test::mask_seconds(out), test::mask_seconds(plain.out));
    EXPECT_NE(err.find("threads could be started"), std::string::npos) << err;
#endif
}

}  // namespace
}  // namespace gaussnet
