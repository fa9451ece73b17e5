#pragma once
// Increasing transformations of the simulated Gaussian values, one per
// variable, for data with skewed margins whose true network is known (the
// copula model: ranks, and so rank correlations, are unchanged).

#include <optional>
#include <string_view>

namespace gaussnet::simulate {

enum class transform_kind {
    none,      // the Gaussian values as drawn
    exp,       // exp(x) for every variable
    cube,      // x^3 for every variable
    logistic,  // 1 / (1 + exp(-x)) for every variable
    mix,       // exp, cube and logistic in turn: variable 1 exp, 2 cube, 3 logistic, 4 exp, ...
};

// "none", "exp", "cube", "logistic", "mix".
std::optional<transform_kind> parse_transform(std::string_view name);
inline constexpr const char* TRANSFORM_NAMES = "none, exp, cube, logistic, mix";

// Variable v's (0-based) value x after the transformation.
double transformed(transform_kind kind, int v, double x);

}  // namespace gaussnet::simulate
