#pragma once
// Output of results: the console (standard output) and the result log
// "res.txt" in the working directory, which is only ever appended to.

#include <string>

namespace gaussnet {

inline constexpr const char* RESULT_LOG = "res.txt";

// Opens "res.txt" for appending, writes text and closes it. A result that
// cannot be written is never dropped silently: throws fatal_error naming the file.
void append_to_log(const std::string& text);

// Writes text to standard output.
void print_console(const std::string& text);

}  // namespace gaussnet
