#include "learners/iamb.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "learners/blanket.h"

namespace gaussnet {

long long iamb_target(const learner_setting& setting, iamb_variant variant, int target, ByteMatrix& learned_graph,
                      const DoubleMatrix& cov) {
    blanket_learner learner(setting, cov);
    set_blanket_row(learned_graph, target, learner.learn(variant, target));
    return learner.tests();
}

learned_structure run_iamb(const learner_setting& setting, iamb_variant variant, const DoubleMatrix& cov) {
    const int n = static_cast<int>(cov.rows());
    learned_structure result{ByteMatrix(n, n, 0), 0, {}};
    std::vector<int> targets(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) targets[t] = t;
    const std::string label = strprintf("IAMB%d", static_cast<int>(variant));
    result.tests = learn_targets(setting, variant, targets, result, cov, label.c_str());
    return result;
}

}  // namespace gaussnet
