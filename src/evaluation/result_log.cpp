#include "evaluation/result_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

namespace {

// Writes all of text to fd, going on after a short write (a signal, a disk
// that fills up). Returns 0 or the errno of the failure.
int write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::write(fd, text.data() + done, text.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return EIO;
        done += static_cast<std::size_t>(got);
    }
    return 0;
}

}  // namespace

// One write() on a descriptor opened with O_APPEND: the kernel places the
// whole fragment at the end of the file at once, so runs appending to the
// same log at the same time never cut into each other's fragments (stdio
// would split a large fragment into buffer-sized writes).
void append_to_log(const std::string& text) {
    const int fd = ::open(RESULT_LOG, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw fatal_error(strprintf("Cannot open %s for appending: %s.", RESULT_LOG, std::strerror(errno)));
    }
    int error = write_all(fd, text);
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) throw fatal_error(strprintf("Cannot write to %s: %s.", RESULT_LOG, std::strerror(error)));
}

void print_console(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void flush_console() {
    if (std::fflush(stdout) != 0) {
        throw fatal_error(strprintf("Cannot write to standard output: %s.", std::strerror(errno)));
    }
}

}  // namespace gaussnet
