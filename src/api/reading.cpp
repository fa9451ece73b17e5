// What a caller reads before learning: a true network file, a truth's names
// put in the data's order, and a leftover row index among the variables.

#include <climits>
#include <unordered_map>

#include "api/calls.h"
#include "api/input_views.h"
#include "common/fatal_error.h"
#include "common/text.h"
#include "gaussnet/gaussnet.h"
#include "input/index_column.h"
#include "input/read_input.h"

namespace gaussnet::api {

namespace {

// The place of every data name on one side of the truth; the first name
// there that is not the data's, or that comes twice, is the error.
std::vector<std::int64_t> places_on(std::span<const std::string> data_names, std::span<const std::string> side,
                                    const char* what) {
    std::unordered_map<std::string_view, std::int64_t> place;
    for (std::size_t v = 0; v < data_names.size(); ++v) place.emplace(data_names[v], -1);
    if (side.size() != data_names.size())
        throw input_error(strprintf("truth: %zu %s names for %zu variables.", side.size(), what, data_names.size()));
    for (std::size_t k = 0; k < side.size(); ++k) {
        const auto found = place.find(side[k]);
        if (found == place.end())
            throw input_error(strprintf("truth: %s %zu is named \"%s\", which is no variable of the data.", what, k + 1,
                                        side[k].c_str()));
        if (found->second >= 0)
            throw input_error(strprintf("truth: %s %zu is named \"%s\" again (as %s %lld).", what, k + 1,
                                        side[k].c_str(), what, static_cast<long long>(found->second + 1)));
        found->second = static_cast<std::int64_t>(k);
    }
    std::vector<std::int64_t> order;
    for (const std::string& name : data_names) order.push_back(place.at(name));
    return order;
}

}  // namespace

std::vector<std::uint8_t> read_net(const std::string& path, std::int64_t n_vars, const diagnostics_sink& diagnostics) {
    if (n_vars < 0 || n_vars > INT_MAX) throw input_error(strprintf("n_vars: %lld.", static_cast<long long>(n_vars)));
    run_state state;
    state.n_vars = static_cast<int>(n_vars);
    try {
        read_true_network(state, path.c_str());
    } catch (const fatal_error& failure) {
        throw input_error(failure.what());
    }
    if (diagnostics)
        for (const std::string& line : state.warnings) diagnostics(line);
    if (n_vars == 0) return {};
    return {state.true_network.row(0), state.true_network.row(0) + n_vars * n_vars};
}

truth_alignment truth_order(std::span<const std::string> data_names, std::span<const std::string> row_names,
                            std::span<const std::string> column_names) {
    if (row_names.empty() && column_names.empty()) throw input_error("truth: no names to align.");
    // A side without names takes the other's, and a fault is named where the names stand.
    const bool rows_named = !row_names.empty();
    const bool columns_named = !column_names.empty();
    return {places_on(data_names, rows_named ? row_names : column_names, rows_named ? "row" : "column"),
            places_on(data_names, columns_named ? column_names : row_names, columns_named ? "column" : "row")};
}

int index_column(const data_view& data) {
    if (data.values.cols < 1 || data.values.rows < 2) return -1;
    const std::string first_name = data.names.empty() ? "X1" : data.names.front();
    if (!is_index_name(first_name)) return -1;
    return index_column_start(first_name, first_column(data), 0);
}

}  // namespace gaussnet::api
