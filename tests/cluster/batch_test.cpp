#include "cluster/batch.h"

#include <gtest/gtest.h>

#include <vector>

namespace gaussnet::cluster {
namespace {

// A thread holding positions 52..56 while this rank's failures become known.
struct batch_case {
    const char* name;
    int known_before;  // failure met by another thread before the batch starts
    int fails_here;    // a position of the batch that fails when learned
    std::vector<int> learned;
};

TEST(LearnBatch, LearnsEveryPositionUpToTheLowestKnownFailure) {
    const batch_case cases[] = {
        {"no failure", NO_TARGET, NO_TARGET, {52, 53, 54, 55, 56}},
        // The lowest failure may still lie in this batch: a loop in list
        // order would report it, not the one above.
        {"another thread failed above", 57, NO_TARGET, {52, 53, 54, 55, 56}},
        {"another thread failed inside", 54, NO_TARGET, {52, 53, 54}},
        {"another thread failed below", 50, NO_TARGET, {}},
        {"this batch fails", NO_TARGET, 53, {52, 53}},
        {"this batch fails below a failure above", 60, 55, {52, 53, 54, 55}},
    };
    for (const batch_case& c : cases) {
        SCOPED_TRACE(c.name);
        lowest_failure<> failures;
        if (c.known_before != NO_TARGET) failures.record(c.known_before);
        std::vector<int> learned;
        const int count = learn_batch(batch{52, 5}, failures, [&](int position) {
            learned.push_back(position);
            if (position == c.fails_here) failures.record(position);
        });
        EXPECT_EQ(learned, c.learned);
        EXPECT_EQ(count, static_cast<int>(c.learned.size()));
    }
}

}  // namespace
}  // namespace gaussnet::cluster
