#include "evaluation/result_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

void append_to_log(const std::string& text) {
    std::FILE* log = std::fopen(RESULT_LOG, "a");
    if (log == nullptr) {
        throw fatal_error(strprintf("Cannot open %s for appending: %s.", RESULT_LOG, std::strerror(errno)));
    }
    const std::size_t written = std::fwrite(text.data(), 1, text.size(), log);
    const bool flushed = std::fflush(log) == 0;
    const int saved_errno = errno;
    const bool closed = std::fclose(log) == 0;
    if (written != text.size() || !flushed || !closed) {
        throw fatal_error(strprintf("Cannot write to %s: %s.", RESULT_LOG, std::strerror(saved_errno)));
    }
}

void print_console(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

}  // namespace gaussnet
