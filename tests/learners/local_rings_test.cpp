// The local run's rings, recovered from the rows it learned, as its export
// shows them.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "learners/local_iamb.h"

namespace gaussnet {
namespace {

TEST(LocalRings, RecoveredFromTheLearnedRows) {
    // 0 lists 1 and 2; 1 lists 0 (the target keeps ring 1) and 3; 3 lists 4; 5 is never reached.
    ByteMatrix rows(6, 6, 0);
    for (const auto& [from, to] : {std::pair{0, 1}, {0, 2}, {1, 0}, {1, 3}, {3, 4}}) rows(from, to) = 1;
    struct ring_case {
        int target;
        int radius;
        std::vector<int> ring;
    };
    const ring_case cases[] = {
        {0, -1, {1, 0, 0, 0, 0, 0}},  // nothing learned
        {0, 0, {1, 0, 0, 0, 0, 0}},
        {0, 1, {1, 2, 2, 0, 0, 0}},  // only the target's row is read: 3 stays unreached
        {0, 2, {1, 2, 2, 3, 0, 0}},
        {0, 3, {1, 2, 2, 3, 4, 0}},
        {0, 2147483647, {1, 2, 2, 3, 4, 0}},  // ends when a ring is empty
        {5, 3, {0, 0, 0, 0, 0, 1}},
    };
    for (const ring_case& c : cases)
        EXPECT_EQ(ring_numbers(rows, c.target, c.radius), c.ring) << "target " << c.target << ", radius " << c.radius;
}

}  // namespace
}  // namespace gaussnet
