#pragma once

#include <functional>

#include "common/fatal_error.h"

namespace gaussnet {

struct command_line;

// The whole program: parses the command line, starts up, runs the learners.
// Returns the exit status; fatal errors are printed on standard output.
int gaussnet_main(int argc, char** argv);

// The flow that gaussnet and gaussnet-mpi share: parses the command line,
// answers help and version, and otherwise returns run(options). A fatal
// error on the way (or memory running out) ends it with its status, its
// diagnostic line (if any) written to the diagnostics sink and its message
// printed as report_fatal prints it when speaks (a rank of a job
// other than the lead prints nothing).
int main_flow(int argc, char** argv, const std::function<int(const command_line&)>& run, bool speaks = true);

// Prints a fatal error's text framed by line ends on standard output (on
// standard error when standard output cannot be written); returns status.
int report_fatal(const char* text, int status);

// Flushes standard output: 0, or the reported failure's status.
int finish_output();

}  // namespace gaussnet
