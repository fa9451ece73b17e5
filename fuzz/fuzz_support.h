#pragma once
// Shared by the fuzz targets: the input written to a scratch file that the
// readers open by name (they read files, not memory), and a check that
// stops the run with a message.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace gaussnet::fuzz {

// A file of this process's own, rewritten for every input.
inline const std::string& scratch_path() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/gaussnet-fuzz-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        ::close(fd);
        return pattern;
    }();
    static const bool removed_at_exit = [] {
        std::atexit([] { ::unlink(path.c_str()); });
        return true;
    }();
    (void)removed_at_exit;
    return path;
}

inline const std::string& write_scratch(const unsigned char* data, std::size_t size) {
    const std::string& path = scratch_path();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
    return path;
}

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

}  // namespace gaussnet::fuzz
