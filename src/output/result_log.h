#pragma once
// Output of results: the console (standard output) and the result log
// "res.txt" in the working directory, which is only ever appended to.

#include <string>

namespace gaussnet {

inline constexpr const char* RESULT_LOG = "res.txt";

// Opens "res.txt" for appending, writes text in a single write and closes
// it. A result that cannot be written is never dropped silently: throws
// fatal_error naming the file.
void append_to_log(const std::string& text);

// Writes text to standard output (buffered).
void print_console(const std::string& text);

// Sends what print_console buffered to standard output, so that a finished
// run is on the screen at once (and not lost when the process is killed
// later). Throws fatal_error when standard output cannot be written.
void flush_console();

}  // namespace gaussnet
