#include "common/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

namespace {

[[noreturn]] void fail_on(const char* what, const std::string& path, int error) {
    throw fatal_error(strprintf("Cannot %s %s: %s.", what, path.c_str(), std::strerror(error)));
}

// Six letters and digits from the kernel's random source: names that another
// process (a run with the same process id in another container) cannot guess.
std::string random_suffix() {
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Exclusive creation keeps this safe; the names are only easier to guess.
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(std::rand());
    }
    std::string suffix;
    for (const unsigned char b : bytes) suffix += UNIQUE_NAME_CHARACTERS[b % (sizeof UNIQUE_NAME_CHARACTERS - 1)];
    return suffix;
}

struct temp_entry {
    std::string name;  // the hidden name, in the set's directory
    bool placed = false;
};

// Removes the temporary files not yet renamed and the directory descriptor,
// whichever way write_file_set ends.
class temp_set {
public:
    explicit temp_set(int dir_fd) : dir_fd_(dir_fd) {}
    ~temp_set() {
        for (const temp_entry& entry : entries_)
            if (!entry.placed) ::unlinkat(dir_fd_, entry.name.c_str(), 0);
        ::close(dir_fd_);
    }
    temp_set(const temp_set&) = delete;
    temp_set& operator=(const temp_set&) = delete;
    int dir() const { return dir_fd_; }
    std::vector<temp_entry>& entries() { return entries_; }

private:
    int dir_fd_;
    std::vector<temp_entry> entries_;
};

void write_temp(temp_set& set, const named_content& file, const std::string& path) {
    std::string name;
    const int fd = create_unique_file(set.dir(), "." + file.name + ".partial-", name);
    if (fd < 0) fail_on("create", path, errno);
    set.entries().push_back({name});
    const bool written = write_all(fd, file.content.data(), file.content.size());
    const int write_error = errno;
    // Some file systems report a full disk only when the file is closed.
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) fail_on("write", path, written ? errno : write_error);
}

// A name held by a directory cannot be replaced: found before any earlier
// file is removed, the earlier set stays whole.
void check_replaceable(int dir_fd, const std::string& dir, const std::vector<named_content>& files) {
    for (const named_content& file : files) {
        struct stat info {};
        if (::fstatat(dir_fd, file.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode))
            fail_on("replace", dir + "/" + file.name, EISDIR);
    }
}

}  // namespace

void ignore_write_signals() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

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

int refuses_new_files(const std::string& dir) {
    const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string probe;
    const int fd = dir_fd < 0 ? -1 : create_unique_file(dir_fd, ".gaussnet-probe-", probe);
    const int open_error = errno;
    if (fd >= 0) {
        ::close(fd);
        ::unlinkat(dir_fd, probe.c_str(), 0);
    }
    if (dir_fd >= 0) ::close(dir_fd);
    return fd < 0 ? open_error : 0;
}

int create_unique_file(int dir_fd, const std::string& prefix, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + random_suffix();
        const int fd = ::openat(dir_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void write_file_set(const std::string& dir, const std::vector<named_content>& files) {
    const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) fail_on("write to", dir, errno);
    temp_set set(dir_fd);
    for (const named_content& file : files) write_temp(set, file, dir + "/" + file.name);
    // Runs sharing the directory put their sets in one at a time, so that two
    // sets of the same names never mix (closing the directory releases it).
    while (::flock(dir_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    check_replaceable(dir_fd, dir, files);
    // No earlier file of these names stays beside the new ones: until every
    // rename is done, the set is incomplete rather than mixed.
    for (const named_content& file : files)
        if (::unlinkat(dir_fd, file.name.c_str(), 0) != 0 && errno != ENOENT)
            fail_on("replace", dir + "/" + file.name, errno);
    for (std::size_t k = 0; k < files.size(); ++k) {
        temp_entry& entry = set.entries()[k];
        if (::renameat(dir_fd, entry.name.c_str(), dir_fd, files[k].name.c_str()) != 0)
            fail_on("create", dir + "/" + files[k].name, errno);
        entry.placed = true;
    }
}

int open_for_appending(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fail_on("open", path + " for appending", errno);
    return fd;
}

void check_appendable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno != ENOENT) fail_on("open", path + " for appending", errno);
    const std::string parent = std::filesystem::path(path).parent_path().string();
    if (::faccessat(AT_FDCWD, parent.empty() ? "." : parent.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        fail_on("open", path + " for appending", errno);
}

void append_and_close(int fd, const std::string& path, std::string_view text) {
    int error = write_all(fd, text.data(), text.size()) ? 0 : errno;
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error != 0) fail_on("write to", path, error);
}

void append_whole_and_close(int fd, const std::string& path, std::string_view text, off_t size_before) {
    if (!write_all(fd, text.data(), text.size())) {
        const int error = errno;
        [[maybe_unused]] const int cut = ::ftruncate(fd, size_before);
        ::close(fd);
        fail_on("write to", path, error);
    }
    append_and_close(fd, path, {});
}

}  // namespace gaussnet
