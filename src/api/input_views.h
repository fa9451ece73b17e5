#pragma once
// The caller's matrices made into the library's own: the data rounded to
// single precision as the data file reader rounds it, and a true network's
// arcs, each checked as it is copied.

#include <span>
#include <string>
#include <vector>

#include "common/matrix.h"
#include "gaussnet/gaussnet.h"

namespace gaussnet::api {

// The variables' names: the given ones, or X1 .. Xn when none are given.
std::vector<std::string> variable_names(const data_view& data);

// The data, cases x variables. Throws input_error for a shape the learners
// cannot use and for a value that is not finite in single precision; NaN
// (missing) too unless missing is complete, which keeps it as NaN.
FloatMatrix rounded_data(const data_view& data, std::span<const std::string> names, missing_values missing);

// The data's first column alone, rounded as rounded_data rounds it (not
// checked: a value that is not finite stays as it is).
FloatMatrix first_column(const data_view& data);

// The arcs of an n x n matrix (any non-zero cell, the diagonal left out).
ByteMatrix arcs_of(const matrix_view& view, std::int64_t n, const char* what);

}  // namespace gaussnet::api
