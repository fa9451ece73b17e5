// A result that cannot be written must end the program with an error, never
// be dropped silently: "res.txt" on a disk that fills up part-way through a
// run (a file-size limit stands in for the full disk).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/run_program.h"

namespace gaussnet {
namespace {

struct limited_run {
    int status = -1;
    std::string out;
};

// Runs gaussnet in dir with writes to files limited to max_bytes; standard
// output goes through a pipe, which the limit does not touch.
limited_run run_with_file_limit(const test::temp_dir& dir, const std::vector<std::string>& args, rlim_t max_bytes) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe_fds[1], STDOUT_FILENO);
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        const rlimit limit{max_bytes, max_bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(GAUSSNET_BIN));
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(GAUSSNET_BIN, argv.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    limited_run result;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) result.out.append(buffer, got);
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

TEST(ResultLogWriteFailure, FullDiskPartWayThroughEndsWithAnError) {
    test::temp_dir dir;
    std::string data = "a b c\n";
    for (int k = 0; k < 50; ++k)
        data += std::to_string(k % 7) + " " + std::to_string((k * 3) % 11) + " " + std::to_string((k * 5) % 13) + "\n";
    dir.write("data.txt", data);
    // The banner (about 40 bytes) fits; the first run's fragments do not.
    const limited_run run = run_with_file_limit(dir, {"data.txt", "50", "3", "0", "0.05", "0"}, 60);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("\n\n Cannot write to res.txt"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - 3), " \n\n") << run.out;
}

}  // namespace
}  // namespace gaussnet
