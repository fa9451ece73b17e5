#pragma once

#include "common/matrix.h"
#include "learners/learner.h"

namespace gaussnet {

// The edge exclusion test over all pairs, from the inverse covariance matrix,
// with the Benjamini-Yekutieli step-up sweep from the weakest pair. The
// learned graph is symmetric; one test per pair.
learned_structure edge_exclusion(const learner_setting& setting, const DoubleMatrix& cov);

}  // namespace gaussnet
