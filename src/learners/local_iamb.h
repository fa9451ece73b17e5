#pragma once

#include "common/matrix.h"
#include "learners/learner.h"

namespace gaussnet {

// Learns the neighbourhood of target ring by ring up to radius rings with
// the adjusted variant of the ranked IAMB learner: ring 1 is the target,
// ring i + 1 the members first found in ring i's blankets.
learned_structure local_iamb(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov);

}  // namespace gaussnet
