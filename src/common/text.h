#pragma once
// printf-style formatting into a std::string.

#include <string>

namespace gaussnet {

std::string strprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace gaussnet
