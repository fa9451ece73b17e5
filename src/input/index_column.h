#pragma once
// A row index left in the data as a variable: pandas' to_csv() writes the
// index first, read back as "Unnamed: 0" (or "index" after reset_index());
// R's write.csv() writes the row names first, read back as "X" (or "").
// The rule is shared by the program's reader and the library's callers.

#include <string_view>

#include "common/matrix.h"

namespace gaussnet {

// Whether pandas or R gives a row index this name when reading it back.
bool is_index_name(std::string_view name);

// Whether a column so named, holding these values, looks like such an index:
// a name that pandas or R gives it, and the case numbers 0 to n - 1 or 1 to
// n in order (n at least 2). Returns the first number (0 or 1), or -1.
int index_column_start(std::string_view name, const FloatMatrix& data, std::int64_t column);

}  // namespace gaussnet
