#pragma once
// Whole-file writes that never leave a half-written file behind.

#include <string>
#include <string_view>

namespace gaussnet {

// write() may write less than asked, or be interrupted by a signal.
bool write_all(int fd, const char* data, std::size_t size);

// Writes content to a temporary name in path's directory and renames it to
// path when complete, replacing any earlier file. Throws fatal_error naming
// path on any failure, after removing the temporary file.
void write_file_atomically(const std::string& path, std::string_view content);

}  // namespace gaussnet
