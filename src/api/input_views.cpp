#include "api/input_views.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <new>

#include "common/text.h"

namespace gaussnet::api {

namespace {

// Reads cell (r, c) of the view as T, for every element type.
template <typename Visit>
auto visit_cells(const matrix_view& view, Visit&& visit) {
    switch (view.type) {
        case element_type::float64:
            return visit(static_cast<const double*>(view.cells));
        case element_type::float32:
            return visit(static_cast<const float*>(view.cells));
        case element_type::int8:
            return visit(static_cast<const std::int8_t*>(view.cells));
        case element_type::int16:
            return visit(static_cast<const std::int16_t*>(view.cells));
        case element_type::int32:
            return visit(static_cast<const std::int32_t*>(view.cells));
        case element_type::int64:
            return visit(static_cast<const std::int64_t*>(view.cells));
        case element_type::uint8:
            return visit(static_cast<const std::uint8_t*>(view.cells));
        case element_type::uint16:
            return visit(static_cast<const std::uint16_t*>(view.cells));
        case element_type::uint32:
            return visit(static_cast<const std::uint32_t*>(view.cells));
        case element_type::uint64:
            break;
    }
    return visit(static_cast<const std::uint64_t*>(view.cells));
}

void check_view(const matrix_view& view, const char* what) {
    if (view.rows < 0 || view.cols < 0) throw input_error(strprintf("%s: a negative dimension.", what));
    if (view.rows > 0 && view.cols > 0 && view.cells == nullptr)
        throw input_error(strprintf("%s: no cells to read.", what));
}

// Room for rows x cols cells of size bytes: beyond what can be indexed is
// memory that cannot be had.
void check_allocatable(std::int64_t rows, std::int64_t cols, std::int64_t size) {
    if (rows != 0 && cols > static_cast<std::int64_t>(PTRDIFF_MAX) / size / rows) throw std::bad_alloc();
}

template <typename T>
std::string bad_value_text(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        if (std::isnan(value)) return "not a number (nan)";
        if (std::isinf(value)) return value > 0 ? "infinite (inf)" : "infinite (-inf)";
        return strprintf("out of the single-precision range (%.17g)", static_cast<double>(value));
    }
    return "out of the single-precision range";
}

}  // namespace

std::vector<std::string> variable_names(const data_view& data) {
    if (!data.names.empty()) return {data.names.begin(), data.names.end()};
    std::vector<std::string> names;
    for (std::int64_t v = 0; v < data.values.cols; ++v) names.push_back("X" + std::to_string(v + 1));
    return names;
}

FloatMatrix rounded_data(const data_view& data, std::span<const std::string> names, missing_values missing) {
    const matrix_view& view = data.values;
    check_view(view, "data");
    if (view.rows < 1) throw input_error("data: no cases.");
    if (view.cols < 2)
        throw input_error(
            strprintf("data: %lld variable(s); at least two are needed.", static_cast<long long>(view.cols)));
    if (view.rows > INT_MAX || view.cols > INT_MAX)
        throw input_error(strprintf("data: %lld cases x %lld variables; at most %d of each.",
                                    static_cast<long long>(view.rows), static_cast<long long>(view.cols), INT_MAX));
    if (static_cast<std::int64_t>(names.size()) != view.cols)
        throw input_error(
            strprintf("data: %zu names for %lld variables.", names.size(), static_cast<long long>(view.cols)));
    // The learners hold the covariance matrix, n_vars x n_vars doubles.
    check_allocatable(view.cols, view.cols, sizeof(double));
    check_allocatable(view.rows, view.cols, sizeof(float));
    FloatMatrix rounded(view.rows, view.cols);
    visit_cells(view, [&](const auto* cells) {
        for (std::int64_t r = 0; r < view.rows; ++r) {
            float* row = rounded.row(r);
            for (std::int64_t c = 0; c < view.cols; ++c) {
                const auto value = cells[r * view.row_stride + c * view.col_stride];
                row[c] = static_cast<float>(value);
                if (!std::isfinite(row[c]) && !(std::isnan(row[c]) && missing == missing_values::complete))
                    throw input_error(strprintf("case %lld, variable %s: %s.", static_cast<long long>(r + 1),
                                                names[static_cast<std::size_t>(c)].c_str(),
                                                bad_value_text(value).c_str()));
            }
        }
    });
    return rounded;
}

FloatMatrix first_column(const data_view& data) {
    const matrix_view& view = data.values;
    check_view(view, "data");
    FloatMatrix column(view.cols > 0 ? view.rows : 0, 1);
    visit_cells(view, [&](const auto* cells) {
        for (std::int64_t r = 0; r < column.rows(); ++r) column(r, 0) = static_cast<float>(cells[r * view.row_stride]);
    });
    return column;
}

ByteMatrix arcs_of(const matrix_view& view, std::int64_t n, const char* what) {
    check_view(view, what);
    if (view.rows != n || view.cols != n)
        throw input_error(strprintf("%s: %lld x %lld, not n_vars x n_vars (%lld x %lld).", what,
                                    static_cast<long long>(view.rows), static_cast<long long>(view.cols),
                                    static_cast<long long>(n), static_cast<long long>(n)));
    check_allocatable(n, n, 1);
    ByteMatrix arcs(n, n, 0);
    visit_cells(view, [&](const auto* cells) {
        for (std::int64_t r = 0; r < n; ++r)
            for (std::int64_t c = 0; c < n; ++c)
                arcs(r, c) = r != c && cells[r * view.row_stride + c * view.col_stride] != 0 ? 1 : 0;
    });
    return arcs;
}

}  // namespace gaussnet::api
