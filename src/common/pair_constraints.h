#pragma once
// What the researcher knows before learning: pairs of variables that are never
// joined and pairs that always are. Pairs are undirected (a blanket relation
// is symmetric). One value that travels with the input and the test, read by
// every learner the same way.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/matrix.h"
#include "gaussnet/vocabulary.h"

namespace gaussnet {

using api::pair_knowledge;

struct variable_pair {
    int first = 0;
    int second = 0;
    bool operator==(const variable_pair&) const = default;
};

class pair_constraints {
public:
    pair_constraints() = default;
    // Pairs of distinct variables below n_vars; a pair listed as both is
    // required (callers reject that first: first_conflict).
    pair_constraints(int n_vars, std::vector<variable_pair> forbidden, std::vector<variable_pair> required);

    // No pair is known: every learner runs as without lists.
    bool empty() const { return forbidden_.empty() && required_.empty(); }
    int n_vars() const { return static_cast<int>(known_.rows()); }  // 0 when empty
    pair_knowledge knowledge(int a, int b) const {
        return empty() ? pair_knowledge::free : static_cast<pair_knowledge>(known_(a, b));
    }
    // v's row of knowledge (a pair_knowledge per variable), or null when empty.
    const std::uint8_t* row(int v) const { return empty() ? nullptr : known_.row(v); }
    // The variables whose pairing with v the data do not decide.
    int fixed_count(int v) const { return empty() ? 0 : fixed_[static_cast<std::size_t>(v)]; }
    int required_count(int v) const { return empty() ? 0 : required_counts_[static_cast<std::size_t>(v)]; }

    // The lists as given, so that the value can be sent and rebuilt.
    const std::vector<variable_pair>& forbidden() const { return forbidden_; }
    const std::vector<variable_pair>& required() const { return required_; }

private:
    std::vector<variable_pair> forbidden_, required_;
    ByteMatrix known_;  // symmetric, a pair_knowledge per cell
    std::vector<int> fixed_, required_counts_;
};

// The places in the two lists of the first pair listed as both forbidden and
// required (in the order of the required list), if any.
struct pair_conflict {
    std::size_t forbidden_at;
    std::size_t required_at;
};
std::optional<pair_conflict> first_conflict(const std::vector<variable_pair>& forbidden,
                                            const std::vector<variable_pair>& required);

// The first variable with more required neighbours than n_cases allow to test.
std::optional<int> overfull_variable(const pair_constraints& pairs, int n_cases);
// Why that variable cannot be learned, without a line end.
std::string overfull_text(const std::string& name, int required, int n_cases);

}  // namespace gaussnet
