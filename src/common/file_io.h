#pragma once
// Writes that never leave a result half-written: whole files put in place
// when complete, and appends made with one write each.

#include <string>
#include <string_view>

namespace gaussnet {

// Writes all of data, going on after a short write (a signal, a disk that
// fills up). On failure returns false with errno saying why.
bool write_all(int fd, const char* data, std::size_t size);

// Writes content to a temporary name in path's directory and renames it to
// path when complete, replacing any earlier file. Throws fatal_error naming
// path on any failure, after removing the temporary file.
void write_file_atomically(const std::string& path, std::string_view content);

// Opens path for appending, creating it when missing. Throws fatal_error
// "Cannot open PATH for appending: ..." when it cannot.
int open_for_appending(const std::string& path);

// Writes text to fd (opened with O_APPEND, so the kernel puts it at the end
// of the file in one piece, whoever else appends at the same time) and
// closes fd. Throws fatal_error "Cannot write to PATH: ..." on any failure.
void append_and_close(int fd, const std::string& path, std::string_view text);

}  // namespace gaussnet
