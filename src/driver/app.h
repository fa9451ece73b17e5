#pragma once

namespace gaussnet {

class fatal_error;

// The whole program: parses the command line, starts up, runs the learners.
// Returns the exit status; fatal errors are printed on standard output.
int gaussnet_main(int argc, char** argv);

// Prints a fatal error's text framed by line ends on standard output (on
// standard error when standard output cannot be written); returns status.
int report_fatal(const char* text, int status);

// The same for a fatal error, its diagnostic line going to standard error first.
int report_fatal(const fatal_error& error);

// Flushes standard output: 0, or the reported failure's status.
int finish_output();

}  // namespace gaussnet
