#include "driver/app.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/diagnostics.h"
#include "common/fatal_error.h"
#include "common/text.h"
#include "driver/command_line.h"
#include "driver/run_sequence.h"
#include "driver/startup.h"

namespace gaussnet {

// The framed message goes to standard output; when that cannot be written
// (a full disk, a closed pipe) it goes to standard error instead, so that no
// failure is silent.
int report_fatal(const char* text, int status) {
    const bool printed = std::printf("\n\n %s \n\n", text) >= 0;
    if (std::fflush(stdout) != 0 || !printed) std::fprintf(stderr, "\n\n %s \n\n", text);
    return status;
}

int report_fatal(const fatal_error& error) {
    if (!error.diagnostic().empty()) process_diagnostics().write(error.diagnostic() + "\n");
    return report_fatal(error.what(), error.status());
}

int finish_output() {
    if (std::fflush(stdout) == 0) return 0;
    return report_fatal(strprintf("Cannot write to standard output: %s.", std::strerror(errno)).c_str(), exit_failure);
}

int gaussnet_main(int argc, char** argv) {
    try {
        const command_line options = parse_command_line(argc, argv);
        if (options.show_help) {
            std::fputs(help_text().c_str(), stdout);
            return finish_output();
        }
        if (options.show_version) {
            std::printf("gaussnet %s\n", GAUSSNET_VERSION);
            return finish_output();
        }
        const run_state state = start_up(options);
        run_sequence(options, state);
        return finish_output();
    } catch (const fatal_error& error) {
        return report_fatal(error);
    } catch (const std::bad_alloc&) {
        return report_fatal("Out of memory.", exit_failure);
    }
}

}  // namespace gaussnet
