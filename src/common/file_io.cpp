#include "common/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO;  // nothing written and no error said: a device that takes no more
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void write_file_atomically(const std::string& path, std::string_view content) {
    const std::string temp = strprintf("%s.partial-%ld", path.c_str(), static_cast<long>(::getpid()));
    const auto fail = [&](const char* what) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw fatal_error(strprintf("Cannot %s %s: %s.", what, path.c_str(), std::strerror(error)));
    };
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail("create");
    const bool written = write_all(fd, content.data(), content.size());
    const int write_error = errno;
    // Some file systems report a full disk only when the file is closed.
    const bool closed = ::close(fd) == 0;
    if (!written) errno = write_error;
    if (!written || !closed) fail("write");
    if (::rename(temp.c_str(), path.c_str()) != 0) fail("create");
}

int open_for_appending(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw fatal_error(strprintf("Cannot open %s for appending: %s.", path.c_str(), std::strerror(errno)));
    return fd;
}

void append_and_close(int fd, const std::string& path, std::string_view text) {
    int error = write_all(fd, text.data(), text.size()) ? 0 : errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) throw fatal_error(strprintf("Cannot write to %s: %s.", path.c_str(), std::strerror(error)));
}

}  // namespace gaussnet
