#pragma once
// Missing values: "NA" (R), "NaN" in any case, and an empty CSV field (pandas)
// stand for a value not observed. They are held as NaN until the cases that
// hold one are left out (complete-case learning) or reported.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/matrix.h"

namespace gaussnet {

// Whether a data file's token stands for a missing value.
bool is_missing_text(std::string_view token);

// The line for standard error that says what to do about a missing value.
std::string missing_value_hint();

// Keeps the cases with no missing value (NaN), in order; returns how many
// were left out. Throws fatal_error when fewer than MIN_COMPLETE_CASES remain;
// source names the data in messages ("Data file x.txt", "data").
inline constexpr std::int64_t MIN_COMPLETE_CASES = 3;
std::int64_t keep_complete_cases(FloatMatrix& data, const std::string& source);

// What was left out, for standard error.
std::string left_out_text(const std::string& source, std::int64_t left_out, std::int64_t kept);

}  // namespace gaussnet
