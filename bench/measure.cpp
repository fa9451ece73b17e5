// Runs a command and reports its wall time (milliseconds resolution), its
// processor time and its peak resident memory:
//
//   bench_measure [-o FILE] [--] command [args...]
//
// prints "wall_s=1.234 user_s=1.200 sys_s=0.030 maxrss_mb=12.3 status=0" to
// FILE (appended) or to standard error. The command keeps the standard
// streams. The exit status is the command's (128 + signal when killed).
//
// wait4 gives the child's own rusage, so the peak memory is that of this one
// process, whatever else ran before.

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: bench_measure [-o FILE] [--] command [args...]\n");
    return 2;
}

double seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) * 1e-6; }

}  // namespace

int main(int argc, char** argv) {
    std::string out_path;
    int first = 1;
    while (first < argc) {
        const std::string arg = argv[first];
        if (arg == "-o" && first + 1 < argc) {
            out_path = argv[first + 1];
            first += 2;
        } else if (arg == "--") {
            ++first;
            break;
        } else {
            break;
        }
    }
    if (first >= argc) return usage();

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "bench_measure: fork: %s\n", std::strerror(errno));
        return 1;
    }
    if (child == 0) {
        execvp(argv[first], argv + first);
        std::fprintf(stderr, "bench_measure: cannot run %s: %s\n", argv[first], std::strerror(errno));
        _exit(127);
    }

    int status = 0;
    rusage usage{};
    pid_t waited;
    do {
        waited = wait4(child, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    const auto end = std::chrono::steady_clock::now();
    if (waited < 0) {
        std::fprintf(stderr, "bench_measure: wait4: %s\n", std::strerror(errno));
        return 1;
    }

    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    const double wall = std::chrono::duration<double>(end - start).count();
    // ru_maxrss is in kilobytes on Linux.
    const double rss_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;

    FILE* out = stderr;
    if (!out_path.empty()) {
        out = std::fopen(out_path.c_str(), "a");
        if (out == nullptr) {
            std::fprintf(stderr, "bench_measure: cannot open %s: %s\n", out_path.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::fprintf(out, "wall_s=%.3f user_s=%.3f sys_s=%.3f maxrss_mb=%.1f status=%d\n", wall, seconds(usage.ru_utime),
                 seconds(usage.ru_stime), rss_mb, code);
    if (out != stderr) std::fclose(out);
    return code;
}
