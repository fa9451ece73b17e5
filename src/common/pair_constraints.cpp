#include "common/pair_constraints.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "common/text.h"

namespace gaussnet {

pair_constraints::pair_constraints(int n_vars, std::vector<variable_pair> forbidden,
                                   std::vector<variable_pair> required)
    : forbidden_(std::move(forbidden)), required_(std::move(required)) {
    if (empty()) return;
    known_ = ByteMatrix(n_vars, n_vars, static_cast<std::uint8_t>(pair_knowledge::free));
    auto mark = [this](const variable_pair& pair, pair_knowledge what) {
        known_(pair.first, pair.second) = static_cast<std::uint8_t>(what);
        known_(pair.second, pair.first) = static_cast<std::uint8_t>(what);
    };
    for (const variable_pair& pair : forbidden_) mark(pair, pair_knowledge::forbidden);
    for (const variable_pair& pair : required_) mark(pair, pair_knowledge::required);
    fixed_.assign(static_cast<std::size_t>(n_vars), 0);
    required_counts_.assign(static_cast<std::size_t>(n_vars), 0);
    // Counted from the matrix: a pair listed twice counts once.
    for (int a = 0; a < n_vars; ++a)
        for (int b = 0; b < n_vars; ++b) {
            const auto what = static_cast<pair_knowledge>(known_(a, b));
            fixed_[a] += what != pair_knowledge::free;
            required_counts_[a] += what == pair_knowledge::required;
        }
}

std::optional<pair_conflict> first_conflict(const std::vector<variable_pair>& forbidden,
                                            const std::vector<variable_pair>& required) {
    // An undirected pair as one key, its smaller end first.
    auto key = [](const variable_pair& pair) {
        const auto [low, high] = std::minmax(pair.first, pair.second);
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(low)) << 32) | static_cast<std::uint32_t>(high);
    };
    std::unordered_map<std::uint64_t, std::size_t> listed_at;
    for (std::size_t i = 0; i < forbidden.size(); ++i) listed_at.emplace(key(forbidden[i]), i);
    for (std::size_t i = 0; i < required.size(); ++i) {
        const auto found = listed_at.find(key(required[i]));
        if (found != listed_at.end()) return pair_conflict{found->second, i};
    }
    return std::nullopt;
}

std::optional<int> overfull_variable(const pair_constraints& pairs, int n_cases) {
    for (int v = 0; v < pairs.n_vars(); ++v)
        if (pairs.required_count(v) > api::max_required_neighbours(n_cases)) return v;
    return std::nullopt;
}

std::string overfull_text(const std::string& name, int required, int n_cases) {
    return strprintf(
        "Variable %s has %d required neighbours, too many for %d cases: every test of its blanket conditions on "
        "them all, which takes at least %lld cases. Require fewer pairs with %s, or give more cases.",
        name.c_str(), required, n_cases, static_cast<long long>(required) + 4, name.c_str());
}

}  // namespace gaussnet
