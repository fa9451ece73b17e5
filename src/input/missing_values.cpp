#include "input/missing_values.h"

#include <cctype>
#include <cmath>
#include <vector>

#include "common/fatal_error.h"
#include "common/text.h"

namespace gaussnet {

namespace {

bool equals_any_case(std::string_view token, std::string_view word) {
    if (token.size() != word.size()) return false;
    for (std::size_t k = 0; k < token.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(token[k])) != word[k]) return false;
    return true;
}

bool complete(const float* row, std::int64_t n_vars) {
    for (std::int64_t i = 0; i < n_vars; ++i)
        if (std::isnan(row[i])) return false;
    return true;
}

}  // namespace

bool is_missing_text(std::string_view token) { return token == "NA" || equals_any_case(token, "nan"); }

std::string missing_value_hint() {
    return "gaussnet: the data hold a missing value; --missing complete learns from the cases that hold none.";
}

std::int64_t keep_complete_cases(FloatMatrix& data, const std::string& source) {
    const std::int64_t n_vars = data.cols();
    std::vector<float> kept;
    kept.reserve(static_cast<std::size_t>(data.rows() * n_vars));
    for (std::int64_t k = 0; k < data.rows(); ++k)
        if (complete(data.row(k), n_vars)) kept.insert(kept.end(), data.row(k), data.row(k) + n_vars);
    const std::int64_t n_kept = n_vars > 0 ? static_cast<std::int64_t>(kept.size()) / n_vars : data.rows();
    const std::int64_t left_out = data.rows() - n_kept;
    if (n_kept < MIN_COMPLETE_CASES)
        throw fatal_error(
            strprintf("%s: %lld of %lld cases hold a missing value; %lld complete cases remain, "
                      "fewer than %lld.",
                      source.c_str(), static_cast<long long>(left_out), static_cast<long long>(data.rows()),
                      static_cast<long long>(n_kept), static_cast<long long>(MIN_COMPLETE_CASES)));
    if (left_out > 0) data = FloatMatrix(n_kept, n_vars, std::move(kept));
    return left_out;
}

std::string left_out_text(const std::string& source, std::int64_t left_out, std::int64_t kept) {
    return strprintf(
        "%s: %lld cases hold a missing value and were left out (--missing complete); learning from "
        "the %lld complete cases.",
        source.c_str(), static_cast<long long>(left_out), static_cast<long long>(kept));
}

}  // namespace gaussnet
