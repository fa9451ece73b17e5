#include "input/index_column.h"

#include <array>

namespace gaussnet {

bool is_index_name(std::string_view name) {
    constexpr std::array<std::string_view, 4> index_names = {"Unnamed: 0", "X", "", "index"};
    for (const std::string_view known : index_names)
        if (name == known) return true;
    return false;
}

int index_column_start(std::string_view name, const FloatMatrix& data, std::int64_t column) {
    const std::int64_t n = data.rows();
    if (n < 2 || column >= data.cols() || !is_index_name(name)) return -1;
    const float first = data(0, column);
    if (first != 0.0f && first != 1.0f) return -1;
    // Case numbers beyond 2^24 are no longer whole single-precision numbers apart.
    for (std::int64_t r = 1; r < n; ++r)
        if (static_cast<double>(data(r, column)) != static_cast<double>(first) + static_cast<double>(r)) return -1;
    return static_cast<int>(first);
}

}  // namespace gaussnet
