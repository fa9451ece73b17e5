#pragma once
// A run of list positions handed to one thread of a rank, and the order in
// which that thread learns them.

namespace gaussnet::cluster {

inline constexpr int NO_TARGET = -1;

// List positions first .. first + count - 1; a count of 0 means no more.
struct batch {
    int first;
    int count;
};

// Learns the batch's positions in order, as a loop in list order would: every
// position up to the lowest failure known on this rank, whichever of its
// threads met it. first_failure() gives that position or NO_TARGET;
// learn(position) may record a new one. Returns how many positions were learned.
template <typename FirstFailure, typename Learn>
int learn_batch(batch run, FirstFailure&& first_failure, Learn&& learn) {
    int learned = 0;
    for (int position = run.first; position < run.first + run.count; ++position) {
        const int failed = first_failure();
        if (failed != NO_TARGET && failed < position) break;
        learn(position);
        ++learned;
    }
    return learned;
}

}  // namespace gaussnet::cluster
