#include "driver/startup.h"

#include "common/fatal_error.h"
#include "common/file_io.h"
#include "common/run_context.h"
#include "common/text.h"
#include "input/read_input.h"
#include "output/export_files.h"
#include "output/result_log.h"
#include "output/results_table.h"
#include "report/report.h"
#include "scoring/moral_graph.h"

namespace gaussnet {

namespace {

void write_banner(const run_state& state) {
    const std::string banner =
        strprintf("\n n_vars= %d, n_cases= %d, n_edges= %d", state.n_vars, state.n_cases, state.n_edges);
    print_console(banner);
    flush_console();
    append_to_log(banner + ",");
}

void print_warnings(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (!line.empty()) current_context().report(event_kind::note, line + "\n");
}

// The readers' warnings explain what may follow, an error included.
void read_input_saying_why(run_state& state) {
    try {
        read_input(state);
    } catch (...) {
        print_warnings(state.warnings);
        throw;
    }
    print_warnings(state.warnings);
}

}  // namespace

run_state start_up(const command_line& line) {
    print_warnings(line.warnings);
    // Results that could not be written would be lost after a long run: check
    // first, before the data is read, creating nothing but the export directory.
    check_appendable(RESULT_LOG);
    if (!line.export_dir.empty()) prepare_export_dir(line.export_dir);
    if (!line.report_file.empty()) {
        if (!report_available()) throw fatal_error(REPORT_UNAVAILABLE);
        check_report_file(line.report_file);
    }
    if (!line.table_file.empty()) {
        check_table_file(line.table_file);
        print_warnings({table_header_warning(line.table_file, correlation_name(line.correlation))});
    }

    run_state state;
    static_cast<input_request&>(state) = line;
    read_input_saying_why(state);
    state.n_edges = 0;
    if (state.true_net == 1) {
        moralized moral = moralize(state.true_network);
        state.moral_graph = std::move(moral.graph);
        state.n_edges = moral.n_edges;
    }
    write_banner(state);
    return state;
}

}  // namespace gaussnet
