#include "simulate/transform.h"

#include <cmath>

namespace gaussnet::simulate {

std::optional<transform_kind> parse_transform(std::string_view name) {
    if (name == "none") return transform_kind::none;
    if (name == "exp") return transform_kind::exp;
    if (name == "cube") return transform_kind::cube;
    if (name == "logistic") return transform_kind::logistic;
    if (name == "mix") return transform_kind::mix;
    return std::nullopt;
}

double transformed(transform_kind kind, int v, double x) {
    switch (kind) {
        case transform_kind::none:
            return x;
        case transform_kind::exp:
            return std::exp(x);
        case transform_kind::cube:
            return x * x * x;
        case transform_kind::logistic:
            return 1.0 / (1.0 + std::exp(-x));
        case transform_kind::mix:
            break;
    }
    constexpr transform_kind cycle[] = {transform_kind::exp, transform_kind::cube, transform_kind::logistic};
    return transformed(cycle[v % 3], v, x);
}

}  // namespace gaussnet::simulate
