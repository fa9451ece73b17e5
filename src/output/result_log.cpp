#include "output/result_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/text.h"

namespace gaussnet {

// One write() on a descriptor opened with O_APPEND: the kernel places the
// whole fragment at the end of the file at once, so runs appending to the
// same log at the same time never cut into each other's fragments (stdio
// would split a large fragment into buffer-sized writes).
void append_to_log(const std::string& text) { append_and_close(open_for_appending(RESULT_LOG), RESULT_LOG, text); }

void print_console(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void flush_console() {
    if (std::fflush(stdout) != 0) {
        throw fatal_error(strprintf("Cannot write to standard output: %s.", std::strerror(errno)));
    }
}

}  // namespace gaussnet
