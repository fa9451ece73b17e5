#include "learners/local_iamb.h"

#include <vector>

#include "learners/blanket.h"

namespace gaussnet {

learned_structure local_iamb(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    learned_structure result{ByteMatrix(n, n, 0), 0};
    std::vector<int> ring(static_cast<std::size_t>(n), 0);
    ring[target] = 1;
    for (int i = 1; i <= radius; ++i) {
        std::vector<int> targets;
        for (int j = 0; j < n; ++j)
            if (ring[j] == i) targets.push_back(j);
        // Ring i + 1 is filled only from ring i: once a ring is empty, every
        // later one is too, however large the radius.
        if (targets.empty()) break;
        // The targets of one ring are independent; ring numbers are handed out
        // afterwards in ascending target order, as one target after another would.
        result.tests += learn_targets(setting, iamb_variant::adjusted, targets, result.graph, cov, "IAMB(local)");
        for (const int j : targets)
            for (int k = 0; k < n; ++k)
                if (result.graph(j, k) == 1 && ring[k] == 0) ring[k] = i + 1;
    }
    return result;
}

}  // namespace gaussnet
