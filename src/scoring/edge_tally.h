#pragma once
// What the resamples of one bootstrap learned: for every undirected pair the
// number of resamples that learned it, and how many resamples finished or
// failed. Counts are sums, so the tally is the same whatever the order in
// which resamples are added or tallies merged.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "common/matrix.h"
#include "gaussnet/vocabulary.h"
#include "scoring/local_scope.h"

namespace gaussnet {

using api::edge_status;

struct edge_tally {
    int n_vars = 0;
    std::unordered_map<std::int64_t, int> counts;  // key source * n_vars + target, source < target
    int finished = 0;
    int failed = 0;
    long long tests = 0;
    long long notes = 0;  // learners' notes (passes back at an earlier member set), counted, not shown

    // One finished resample: a pair counts when either row lists the other.
    void add_learned(const ByteMatrix& learned_rows, long long resample_tests);
    void merge(const edge_tally& other);

    // As whole numbers for sending between processes, and back.
    std::vector<std::int64_t> pack() const;
    // Adds a packed tally (as pack() made it) to this one; returns the words read.
    std::size_t merge_packed(const std::int64_t* words);
};

// A pair with its count and its share of the finished resamples.
struct edge_frequency {
    int source;
    int target;
    int count;
    double frequency;  // count / finished (0 when none finished)
};

// Every pair learned at least once, most frequent first, then in variable order.
std::vector<edge_frequency> edge_frequencies(const edge_tally& tally);

// The consensus network: the pairs with frequency >= threshold, as a symmetric matrix.
ByteMatrix consensus_graph(const std::vector<edge_frequency>& frequencies, int n_vars, double threshold);

// A row of the strength file: no status without a truth, nor for a false
// pair left out of the consensus network.
struct strength_row {
    int source;
    int target;
    double frequency;
    std::optional<edge_status> status;
};

// The strength file's rows: every pair learned at least once, most frequent
// first, then in variable order; with a truth (moral_graph not null) also the
// true edges never learned, and a status that compares the consensus network
// (the pairs with frequency >= threshold) with the truth. A local run's true
// edges never learned are listed only within its scope (not null), as its
// missed edges are.
std::vector<strength_row> strength_rows(const edge_tally& tally, const std::vector<edge_frequency>& frequencies,
                                        double threshold, const ByteMatrix* moral_graph,
                                        const local_scope* scope = nullptr);

// A pair's frequency; 0 for a pair never learned.
double frequency_of(const edge_tally& tally, int source, int target);

}  // namespace gaussnet
