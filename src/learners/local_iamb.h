#pragma once

#include <vector>

#include "common/matrix.h"
#include "learners/learner.h"

namespace gaussnet {

// Learns the neighbourhood of target ring by ring up to radius rings with
// the adjusted variant of the ranked IAMB learner: ring 1 is the target,
// ring i + 1 the members first found in ring i's blankets.
learned_structure local_iamb(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov);

// The ring numbers local_iamb handed out, recovered from the rows it learned:
// 0 for a variable never reached, 1 for the target, i + 1 for a variable
// first found in a blanket of ring i. Variables of rings 1 to radius had
// their blankets learned.
std::vector<int> ring_numbers(const ByteMatrix& rows, int target, int radius);

}  // namespace gaussnet
