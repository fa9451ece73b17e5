#pragma once
// Argument parsing, all in one place. Options come before the positional
// arguments ("--" ends them), so every plain command line keeps its meaning.

#include <string>
#include <vector>

namespace gaussnet {

struct command_line {
    std::vector<std::string> positional;  // data_file n_cases n_vars true_net alpha exact [target radius]
    int n_threads = 1;
    bool show_help = false;
    bool show_version = false;
};

// The usage line, without its framing line ends.
std::string usage_text();
// The usage line followed by the options, for --help.
std::string help_text();

// Throws fatal_error(usage_text(), exit_usage) for an unknown option, a bad
// thread count, or a positional count other than six or eight.
command_line parse_command_line(int argc, char** argv);

// The number of cores this process may run on (at least 1).
int available_cores();

// Conversions with the C library's semantics: leading blanks, optional sign,
// digits up to the first other character; text without digits gives 0.
int convert_int(const std::string& text);
double convert_double(const std::string& text);

}  // namespace gaussnet
