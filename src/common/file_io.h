#pragma once
// Writes that never leave a result half-written: sets of files put in place
// when complete, and appends made with one write each.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace gaussnet {

// Ignores SIGPIPE and SIGXFSZ, so that a closed pipe or a file-size limit
// makes the write fail with an error the program reports, instead of ending
// the process without a word.
void ignore_write_signals();

// Writes all of data, going on after a short write (a signal, a disk that
// fills up). On failure returns false with errno saying why.
bool write_all(int fd, const char* data, std::size_t size);

// Creates a new file in the directory dir_fd named prefix followed by six
// random letters and digits, exclusively: an existing file or a symbolic
// link planted under the name is never opened. Returns the descriptor (and
// the name in name), or -1 with errno set.
int create_unique_file(int dir_fd, const std::string& prefix, std::string& name);

// Whether a new file can be created in dir, checked with a probe under a
// fresh name (a file or link planted in the directory is never opened): 0, or
// the errno that says why not.
int refuses_new_files(const std::string& dir);

// The characters of those six.
inline constexpr char UNIQUE_NAME_CHARACTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// One file of a set: its name in the set's directory and its whole content.
struct named_content {
    std::string name;
    std::string content;
};

// Writes the files into dir so that they appear together: each is written
// in full under a hidden name of its own (".NAME.partial-XXXXXX"); only when
// all are written are the earlier files of these names removed and the new
// ones renamed into place. On failure removes every file it created and
// throws fatal_error naming the file. A kill between the renames can leave
// some of the files and the rest under their hidden names.
void write_file_set(const std::string& dir, const std::vector<named_content>& files);

// Opens path for appending, creating it when missing. Throws fatal_error
// "Cannot open PATH for appending: ..." when it cannot.
int open_for_appending(const std::string& path);

// Checks that path could be opened for appending without creating or
// changing it: an existing file opens for writing, a missing one's directory
// takes new files. Throws open_for_appending's fatal_error otherwise.
void check_appendable(const std::string& path);

// Writes text to fd (opened with O_APPEND, so the kernel puts it at the end
// of the file in one piece, whoever else appends at the same time) and
// closes fd. Throws fatal_error "Cannot write to PATH: ..." on any failure.
void append_and_close(int fd, const std::string& path, std::string_view text);

// As append_and_close, but a write that fails part-way is taken back: the
// file is cut to size_before, its length before the append (the caller
// holds a lock that keeps other writers out meanwhile).
void append_whole_and_close(int fd, const std::string& path, std::string_view text, off_t size_before);

}  // namespace gaussnet
