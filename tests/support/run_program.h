#pragma once
// Runs a program in a fresh temporary directory and captures what it did:
// standard output, standard error, the exit status and the files it left.
//
//   gaussnet::test::temp_dir dir;
//   dir.write("data.txt", "a b\n1 2\n");
//   const auto result = gaussnet::test::run_program(GAUSSNET_BIN, {"data.txt", "1", "2", "0", "0.05", "0"}, dir);
//   EXPECT_EQ(result.exit_status, 0);
//   EXPECT_EQ(dir.read("res.txt"), "...");
//
// The arguments go to the program through fork and exec, untouched by any
// shell. Header-only, POSIX.

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace gaussnet::test {

// A directory of its own under the system's temporary directory, removed with
// everything in it when the object goes (unless keep() was called).
class temp_dir {
public:
    temp_dir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "gaussnet-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        }
        path_ = pattern;
    }
    ~temp_dir() {
        std::error_code ignored;
        if (!keep_) std::filesystem::remove_all(path_, ignored);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes content byte for byte (binary), creating or replacing the file.
    void write(const std::string& name, const std::string& content) const {
        std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out) throw std::runtime_error("cannot write " + (path_ / name).string());
    }

    bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

    // The whole file, byte for byte; throws when it cannot be read.
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + (path_ / name).string());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Leaves the directory in place, for looking at after a failure.
    void keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    bool keep_ = false;
};

struct program_result {
    int exit_status = -1;    // the status the program exited with; -1 when it did not exit normally
    int signal = 0;          // the signal that ended it, or 0
    bool timed_out = false;  // killed after the time limit
    std::string out;         // standard output
    std::string err;         // standard error
};

namespace detail {

// Reads from both pipes as data arrives, so that neither can fill up and
// block the program. Returns false when the deadline passed first.
inline bool drain(int out_fd, int err_fd, std::string& out, std::string& err,
                  std::chrono::steady_clock::time_point deadline) {
    pollfd polled[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    char chunk[65536];
    while (polled[0].fd >= 0 || polled[1].fd >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        const int ready = ::poll(polled, 2, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
        for (int k = 0; k < 2 && ready > 0; ++k) {
            if (polled[k].fd < 0 || polled[k].revents == 0) continue;
            const ssize_t got = ::read(polled[k].fd, chunk, sizeof chunk);
            if (got > 0) sinks[k]->append(chunk, static_cast<std::size_t>(got));
            // At the end of a pipe, poll must stop watching it (a negative fd is skipped).
            else if (got == 0 || errno != EINTR) polled[k].fd = -1;
        }
    }
    return true;
}

}  // namespace detail

// What a program meets besides its arguments: limits, a process id shared
// with other runs, a standard output that stops being read.
struct child_conditions {
    std::chrono::seconds time_limit{300};
    // > 0: writes to files beyond that many bytes fail, as on a full disk
    // (standard output and error are pipes, which it leaves alone)...
    long file_size_limit = 0;
    // ... with EFBIG, or, when true, by SIGXFSZ as under a shell's ulimit -f.
    bool file_size_signal = false;
    // > 0: the stack limit, which also sizes the stacks of new threads.
    rlim_t stack_limit = 0;
    // The program runs as process 1 of a PID namespace of its own, as in a
    // container: every such run has the same process id.
    bool own_pid_namespace = false;
    // >= 0: standard output takes this many bytes, then its reader goes away
    // (a closed pipe: `| head -c N`). No write can get past the N bytes.
    long stdout_bytes = -1;
};

namespace detail {

// Sets the child up as conditions say, then runs program; after the fork
// only system calls are allowed, so everything comes prepared.
[[noreturn]] inline void exec_child(const std::string& program, std::vector<char*>& argv, const char* directory,
                                    int out_fd, int err_fd, const child_conditions& conditions) {
    const rlimit file_limit{static_cast<rlim_t>(conditions.file_size_limit),
                            static_cast<rlim_t>(conditions.file_size_limit)};
    const rlimit stack_limit{conditions.stack_limit, conditions.stack_limit};
    const int null_in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null_in < 0 || ::dup2(null_in, 0) < 0 || ::dup2(out_fd, 1) < 0 || ::dup2(err_fd, 2) < 0 ||
        ::chdir(directory) != 0) {
        ::_exit(126);
    }
    ::signal(SIGPIPE, SIG_DFL);  // as a shell starts it, whatever the test program does
    if (conditions.file_size_limit > 0) {
        ::signal(SIGXFSZ, conditions.file_size_signal ? SIG_DFL : SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &file_limit) != 0) ::_exit(126);
    }
    if (conditions.stack_limit > 0 && ::setrlimit(RLIMIT_STACK, &stack_limit) != 0) ::_exit(126);
    if (conditions.own_pid_namespace) {
        // The first child after unshare is process 1 of the new namespace; this one waits and passes on its end.
        if (::unshare(CLONE_NEWPID) != 0) ::_exit(125);
        const pid_t inner = ::fork();
        if (inner < 0) ::_exit(125);
        if (inner > 0) {
            int status = 0;
            while (::waitpid(inner, &status, 0) < 0 && errno == EINTR) {
            }
            if (WIFSIGNALED(status)) ::kill(::getpid(), WTERMSIG(status));
            ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
        }
    }
    ::execv(program.c_str(), argv.data());
    static const char failed[] = "run_program: exec failed\n";
    [[maybe_unused]] const ssize_t ignored = ::write(2, failed, sizeof failed - 1);
    ::_exit(127);
}

// For stdout_bytes: the pipe made one page small and filled but for the
// bytes the program may write, so that its next write cannot get in before
// the reader is gone.
inline int limit_pipe(int write_fd, long bytes) {
    const int capacity = ::fcntl(write_fd, F_SETPIPE_SZ, 4096);
    if (capacity < 0 || bytes > capacity) throw std::system_error(errno, std::generic_category(), "F_SETPIPE_SZ");
    const std::string filler(static_cast<std::size_t>(capacity - bytes), '.');
    if (::write(write_fd, filler.data(), filler.size()) != static_cast<ssize_t>(filler.size()))
        throw std::system_error(errno, std::generic_category(), "filling the pipe");
    return capacity;
}

// Waits until the pipe is full (the program wrote its bytes) or the program
// ended (standard error closed), keeping what standard error says.
inline void wait_until_full(int read_fd, int capacity, int err_fd, std::string& err) {
    char chunk[4096];
    for (;;) {
        int queued = 0;
        if (::ioctl(read_fd, FIONREAD, &queued) != 0 || queued >= capacity) return;
        pollfd polled{err_fd, POLLIN, 0};
        if (::poll(&polled, 1, 5) <= 0) continue;
        const ssize_t got = ::read(err_fd, chunk, sizeof chunk);
        if (got == 0) return;
        if (got > 0) err.append(chunk, static_cast<std::size_t>(got));
    }
}

}  // namespace detail

// Runs program with args in directory dir, standard input from /dev/null,
// under conditions. A program still running after the time limit is killed
// (result.timed_out).
inline program_result run_program_under(const std::string& program, const std::vector<std::string>& args,
                                        const std::filesystem::path& dir, const child_conditions& conditions) {
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string directory = dir.string();

    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    const int capacity = conditions.stdout_bytes >= 0 ? detail::limit_pipe(out_pipe[1], conditions.stdout_bytes) : 0;
    const pid_t pid = ::fork();
    if (pid < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) detail::exec_child(program, argv, directory.c_str(), out_pipe[1], err_pipe[1], conditions);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);

    program_result result;
    if (conditions.stdout_bytes >= 0) {
        detail::wait_until_full(out_pipe[0], capacity, err_pipe[0], result.err);
        ::close(out_pipe[0]);
        out_pipe[0] = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + conditions.time_limit;
    if (!detail::drain(out_pipe[0], err_pipe[0], result.out, result.err, deadline)) {
        result.timed_out = true;
        ::kill(pid, SIGKILL);
    }
    if (out_pipe[0] >= 0) ::close(out_pipe[0]);
    ::close(err_pipe[0]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "waitpid");
    }
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

// Runs program with args in directory dir, standard input from /dev/null.
// A program still running after time_limit is killed (result.timed_out).
// A file_size_limit > 0 makes writes to files beyond that many bytes fail, as
// on a full disk (standard output and error are pipes, which it leaves alone).
inline program_result run_program(const std::string& program, const std::vector<std::string>& args,
                                  const std::filesystem::path& dir,
                                  std::chrono::seconds time_limit = std::chrono::seconds(300),
                                  long file_size_limit = 0) {
    child_conditions conditions;
    conditions.time_limit = time_limit;
    conditions.file_size_limit = file_size_limit;
    return run_program_under(program, args, dir, conditions);
}

inline program_result run_program(const std::string& program, const std::vector<std::string>& args, const temp_dir& dir,
                                  std::chrono::seconds time_limit = std::chrono::seconds(300),
                                  long file_size_limit = 0) {
    return run_program(program, args, dir.path(), time_limit, file_size_limit);
}

// Counts the places where needle begins in haystack (overlaps included).
inline int count_occurrences(const std::string& haystack, const std::string& needle) {
    int count = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}

}  // namespace gaussnet::test
