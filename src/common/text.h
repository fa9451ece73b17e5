#pragma once
// printf-style formatting into a std::string.

#include <string>
#include <string_view>

namespace gaussnet {

std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Text from a file shown in a message: control bytes as \xNN, and with
// escape_non_ascii every byte outside printable ASCII too.
std::string printable(std::string_view text, bool escape_non_ascii);

}  // namespace gaussnet
