#include "driver/app.h"

#include <cstdio>
#include <new>

#include "common/fatal_error.h"
#include "driver/command_line.h"
#include "driver/startup.h"

namespace gaussnet {

namespace {

int report_fatal(const char* text, int status) {
    std::printf("\n\n %s \n\n", text);
    std::fflush(stdout);
    return status;
}

}  // namespace

int gaussnet_main(int argc, char** argv) {
    try {
        const command_line options = parse_command_line(argc, argv);
        if (options.show_help) {
            std::fputs(help_text().c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : exit_failure;
        }
        if (options.show_version) {
            std::printf("gaussnet %s\n", GAUSSNET_VERSION);
            return std::fflush(stdout) == 0 ? 0 : exit_failure;
        }
        const run_state state = start_up(options);
        run_sequence(options, state);
        if (std::fflush(stdout) != 0) return exit_failure;
        return 0;
    } catch (const fatal_error& error) {
        return report_fatal(error.what(), error.status());
    } catch (const std::bad_alloc&) {
        return report_fatal("Out of memory.", exit_failure);
    }
}

}  // namespace gaussnet
