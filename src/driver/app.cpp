#include "driver/app.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/file_io.h"
#include "common/run_context.h"
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

int finish_output() {
    if (std::fflush(stdout) == 0) return 0;
    return report_fatal(strprintf("Cannot write to standard output: %s.", std::strerror(errno)).c_str(), exit_failure);
}

namespace {

int answer_or_run(int argc, char** argv, const std::function<int(const command_line&)>& run, bool speaks) {
    const command_line options = parse_command_line(argc, argv);
    if (!options.show_help && !options.show_version) return run(options);
    if (!speaks) return 0;
    if (options.show_help) {
        std::fputs(help_text().c_str(), stdout);
    } else {
        std::printf("gaussnet %s\n", GAUSSNET_VERSION);
    }
    return finish_output();
}

}  // namespace

int main_flow(int argc, char** argv, const std::function<int(const command_line&)>& run, bool speaks) {
    ignore_write_signals();
    return on_fatal(
        [&] {
            try {
                return answer_or_run(argc, argv, run, speaks);
            } catch (const fatal_error& error) {
                // The line that says where the fault lies comes before the message.
                if (speaks && !error.diagnostic().empty())
                    current_context().report(event_kind::note, error.diagnostic() + "\n");
                throw;
            }
        },
        [&](const char* text, int status) { return speaks ? report_fatal(text, status) : status; });
}

int gaussnet_main(int argc, char** argv) {
    // The program's run: diagnostics to standard error.
    run_context context;
    const context_scope scope(&context);
    return main_flow(argc, argv, [](const command_line& options) {
        const run_state state = start_up(options);
        const int status = run_sequence(options, state);
        const int output = finish_output();
        return output != 0 ? output : status;
    });
}

}  // namespace gaussnet
