#pragma once
// The sign and strength behind a learned edge: the partial correlation of its
// ends and the p-value of the test it was judged by, as the learners give
// them row by row, and the one value of each undirected edge.

#include <optional>
#include <vector>

namespace gaussnet {

// The partial correlation of a pair given the learner's conditioning set, and
// the (unadjusted) two-sided p-value of its test.
struct edge_evidence {
    double partial_correlation = 0;
    double p_value = 0;
};

// The evidence a row holds for one of its members.
struct member_evidence {
    int member;
    edge_evidence evidence;
};

// Row i: evidence for members of row i, in ascending member order. Every
// learned edge has an entry in at least one of the rows of its ends: an IAMB
// row holds one per member of its blanket; EE holds each edge once.
using evidence_rows = std::vector<std::vector<member_evidence>>;

// The evidence of the undirected edge {a, b}: where both rows hold an entry,
// the weaker of the two (the larger p-value; at equal p-values the smaller
// |partial correlation|; then row min(a, b)'s). None where neither does.
std::optional<edge_evidence> evidence_of(const evidence_rows& rows, int a, int b);

}  // namespace gaussnet
