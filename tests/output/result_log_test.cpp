// res.txt is shared by every run started in one directory: fragments that
// several processes append at the same time must each stay whole.
#include "output/result_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "support/run_program.h"

namespace gaussnet {
namespace {

// Fragment k of writer w: a tag, then a body long enough that buffered
// output would have split it into several writes.
std::string fragment(int writer, int k, std::size_t body) {
    return "<" + std::to_string(writer) + ":" + std::to_string(k) + ">" +
           std::string(body + static_cast<std::size_t>(k), static_cast<char>('a' + writer)) + "\n";
}

TEST(ResultLog, ConcurrentAppendsNeverSplitAFragment) {
    constexpr int writers = 4;
    constexpr int fragments = 40;
    constexpr std::size_t body = 200'000;
    test::temp_dir dir;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::chdir(dir.path().c_str()) != 0) ::_exit(2);
            try {
                for (int k = 0; k < fragments; ++k) append_to_log(fragment(w, k, body));
            } catch (const fatal_error&) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // The log must read as whole fragments, each writer's in its own order.
    const std::string log = dir.read(RESULT_LOG);
    std::vector<int> next(writers, 0);
    std::size_t at = 0;
    int whole = 0;
    while (at < log.size()) {
        const std::size_t colon = log.find(':', at);
        ASSERT_NE(colon, std::string::npos);
        const int w = std::stoi(log.substr(at + 1, colon - at - 1));
        ASSERT_TRUE(w >= 0 && w < writers) << "at byte " << at;
        const std::string expected = fragment(w, next[w], body);
        ASSERT_EQ(log.compare(at, expected.size(), expected), 0) << "fragment split at byte " << at;
        at += expected.size();
        ++next[w];
        ++whole;
    }
    EXPECT_EQ(whole, writers * fragments);
}

}  // namespace
}  // namespace gaussnet
