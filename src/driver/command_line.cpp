#include "driver/command_line.h"

#include <sched.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/fatal_error.h"

namespace gaussnet {

std::string usage_text() {
    return "Usage: data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) [target radius].";
}

std::string help_text() {
    return "Usage: gaussnet [options] data_file n_cases n_vars true_net(0=no,1=yes) alpha exact(0=no,1=yes) "
           "[target radius]\n"
           "\n"
           "Options (before the positional arguments; \"--\" ends them):\n"
           "  --threads N   learn with N threads (default: the cores this process may use)\n"
           "  --help        print this text and exit\n"
           "  --version     print the version and exit\n";
}

int available_cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return count;
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 1;
}

int convert_int(const std::string& text) {
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

double convert_double(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

namespace {

[[noreturn]] void usage_error() { throw fatal_error(usage_text(), exit_usage); }

int parse_thread_count(const char* text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 4096) usage_error();
    return static_cast<int>(value);
}

}  // namespace

command_line parse_command_line(int argc, char** argv) {
    command_line result;
    result.n_threads = available_cores();
    int index = 1;
    for (; index < argc; ++index) {
        const char* arg = argv[index];
        if (std::strncmp(arg, "--", 2) != 0) break;
        if (std::strcmp(arg, "--") == 0) {
            ++index;
            break;
        }
        if (std::strcmp(arg, "--help") == 0) {
            result.show_help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            result.show_version = true;
        } else if (std::strcmp(arg, "--threads") == 0) {
            if (index + 1 >= argc) usage_error();
            result.n_threads = parse_thread_count(argv[++index]);
        } else if (std::strncmp(arg, "--threads=", 10) == 0) {
            result.n_threads = parse_thread_count(arg + 10);
        } else {
            usage_error();
        }
    }
    for (; index < argc; ++index) result.positional.emplace_back(argv[index]);
    if (result.show_help || result.show_version) return result;
    if (result.positional.size() != 6 && result.positional.size() != 8) usage_error();
    return result;
}

}  // namespace gaussnet
