#include "common/edge_evidence.h"

#include <algorithm>
#include <cmath>

namespace gaussnet {

namespace {

const edge_evidence* entry_of(const evidence_rows& rows, int row, int member) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return nullptr;
    const std::vector<member_evidence>& entries = rows[static_cast<std::size_t>(row)];
    const auto at = std::lower_bound(entries.begin(), entries.end(), member,
                                     [](const member_evidence& e, int m) { return e.member < m; });
    return at != entries.end() && at->member == member ? &at->evidence : nullptr;
}

bool weaker(const edge_evidence& x, const edge_evidence& than) {
    if (x.p_value != than.p_value) return x.p_value > than.p_value;
    return std::fabs(x.partial_correlation) < std::fabs(than.partial_correlation);
}

}  // namespace

std::optional<edge_evidence> evidence_of(const evidence_rows& rows, int a, int b) {
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    const edge_evidence* first = entry_of(rows, low, high);
    const edge_evidence* second = entry_of(rows, high, low);
    if (first == nullptr && second == nullptr) return std::nullopt;
    if (first == nullptr) return *second;
    if (second == nullptr) return *first;
    return weaker(*second, *first) ? *second : *first;
}

}  // namespace gaussnet
