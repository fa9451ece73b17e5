#pragma once
// Which matrix the learners learn from: the covariance of the data as they
// are, or a rank-based correlation mapped to the Gaussian scale (the copula
// model), which stays the same under any increasing transformation of a
// variable. The partial correlations are scale-free, so the tests need no
// other change.

#include <optional>
#include <string_view>

namespace gaussnet {

enum class correlation_kind {
    pearson,   // the maximum-likelihood covariance
    spearman,  // 2 sin(pi/6 rho) of Spearman's rho (average ranks for ties)
    kendall,   // sin(pi/2 tau) of Kendall's tau-b
    normal,    // the covariance of normal scores: Phi^-1(rank / (n + 1)), average ranks for ties
};

inline const char* correlation_name(correlation_kind kind) {
    switch (kind) {
        case correlation_kind::spearman:
            return "spearman";
        case correlation_kind::kendall:
            return "kendall";
        case correlation_kind::normal:
            return "normal";
        case correlation_kind::pearson:
            break;
    }
    return "pearson";
}

inline std::optional<correlation_kind> parse_correlation(std::string_view text) {
    for (const correlation_kind kind :
         {correlation_kind::pearson, correlation_kind::spearman, correlation_kind::kendall, correlation_kind::normal})
        if (text == correlation_name(kind)) return kind;
    return std::nullopt;
}

}  // namespace gaussnet
