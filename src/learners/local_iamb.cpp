#include "learners/local_iamb.h"

#include <vector>

#include "common/run_timer.h"
#include "common/text.h"
#include "evaluation/report_structure.h"
#include "evaluation/result_log.h"
#include "learners/blanket.h"
#include "stats/covariance.h"

namespace gaussnet {

void local_iamb(const run_state& state, int target, int radius) {
    const run_timer timer;
    const int n = state.n_vars;
    ByteMatrix learned_graph(n, n, 0);
    DoubleMatrix cov(n, n);
    estimate_covariance(state, cov);
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
        learn_targets(state, 2, targets, learned_graph, cov, "IAMB(local)");
        for (const int j : targets)
            for (int k = 0; k < n; ++k)
                if (learned_graph(j, k) == 1 && ring[k] == 0) ring[k] = i + 1;
    }
    print_console(strprintf("\n IAMB(%d,%d): \t %d sec.,", target, radius, timer.elapsed_seconds()));
    report_structure(state, learned_graph);
}

}  // namespace gaussnet
