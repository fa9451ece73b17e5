#include "learners/local_iamb.h"

#include "learners/blanket.h"

namespace gaussnet {

namespace {

std::vector<int> members_of_ring(const std::vector<int>& ring, int i) {
    std::vector<int> members;
    for (int j = 0; j < static_cast<int>(ring.size()); ++j)
        if (ring[j] == i) members.push_back(j);
    return members;
}

// Ring numbers are handed out in ascending target order, as one target after
// another would hand them out.
void number_next_ring(const std::vector<int>& targets, const ByteMatrix& rows, std::vector<int>& ring, int next) {
    for (const int j : targets)
        for (std::int64_t k = 0; k < rows.cols(); ++k)
            if (rows(j, k) == 1 && ring[k] == 0) ring[k] = next;
}

}  // namespace

learned_structure local_iamb(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    learned_structure result{ByteMatrix(n, n, 0), 0, {}};
    std::vector<int> ring(static_cast<std::size_t>(n), 0);
    ring[target] = 1;
    for (int i = 1; i <= radius; ++i) {
        const std::vector<int> targets = members_of_ring(ring, i);
        // Ring i + 1 is filled only from ring i: once a ring is empty, every
        // later one is too, however large the radius.
        if (targets.empty()) break;
        // The targets of one ring are independent; they are numbered afterwards.
        result.tests += learn_targets(setting, iamb_variant::adjusted, targets, result, cov, "IAMB(local)");
        number_next_ring(targets, result.graph, ring, i + 1);
    }
    return result;
}

std::vector<int> ring_numbers(const ByteMatrix& rows, int target, int radius) {
    std::vector<int> ring(static_cast<std::size_t>(rows.rows()), 0);
    ring[target] = 1;
    for (int i = 1; i <= radius; ++i) {
        const std::vector<int> targets = members_of_ring(ring, i);
        if (targets.empty()) break;
        number_next_ring(targets, rows, ring, i + 1);
    }
    return ring;
}

}  // namespace gaussnet
