#pragma once

namespace gaussnet {

// The whole program: parses the command line, starts up, runs the learners.
// Returns the exit status; fatal errors are printed on standard output.
int gaussnet_main(int argc, char** argv);

}  // namespace gaussnet
