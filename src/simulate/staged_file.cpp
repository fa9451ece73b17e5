#include "simulate/staged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/file_io.h"
#include "common/text.h"
#include "simulate/sim_error.h"

namespace gaussnet::simulate {

namespace {

constexpr std::size_t buffer_size = std::size_t{1} << 20;

}  // namespace

staged_file::staged_file(std::string path)
    : path_(std::move(path)), temp_path_(strprintf("%s.partial-%ld", path_.c_str(), static_cast<long>(::getpid()))) {
    buffer_.reserve(buffer_size);
    // A leftover from an earlier run that was killed has the same name only
    // if it had the same process id; it is ours to replace.
    ::unlink(temp_path_.c_str());
    fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) fail("cannot create");
}

staged_file::~staged_file() {
    if (fd_ >= 0) ::close(fd_);
    if (!published_) ::unlink(temp_path_.c_str());
}

void staged_file::make_room(std::size_t size) {
    flush();
    if (size > buffer_.capacity()) buffer_.reserve(size);
}

void staged_file::flush() {
    if (!write_all(fd_, buffer_.data(), buffer_.size())) fail("cannot write");
    buffer_.clear();
}

void staged_file::finish() {
    flush();
    const int fd = fd_;
    fd_ = -1;
    // Some file systems report a full disk only when the file is closed.
    if (::close(fd) != 0) fail("cannot write");
}

void staged_file::publish(bool replace) {
    if (replace) {
        if (::rename(temp_path_.c_str(), path_.c_str()) != 0) fail("cannot create");
        published_ = true;
        return;
    }
    // link() refuses to replace an existing file, atomically.
    if (::link(temp_path_.c_str(), path_.c_str()) == 0) {
        published_ = true;
        ::unlink(temp_path_.c_str());
        return;
    }
    if (errno == EEXIST) {
        throw sim_error(status_failure, strprintf("'%s' exists; use --force to overwrite it", path_.c_str()));
    }
    // File systems without hard links: check, then rename.
    struct stat info {};
    if (::lstat(path_.c_str(), &info) == 0) {
        throw sim_error(status_failure, strprintf("'%s' exists; use --force to overwrite it", path_.c_str()));
    }
    publish(true);
}

void staged_file::withdraw() {
    if (published_) ::unlink(path_.c_str());
}

void staged_file::fail(const char* what) const {
    const int error = errno;
    throw sim_error(status_failure, strprintf("%s '%s': %s", what, path_.c_str(), std::strerror(error)));
}

}  // namespace gaussnet::simulate
