#pragma once
// Structures of the simulated networks and the linear Gaussian model on them.

#include <cstdint>
#include <string>
#include <vector>

#include "common/matrix.h"
#include "common/random.h"

namespace gaussnet::simulate {

// arcs(parent, child) == 1: the layout of net.txt, row = parent.
struct network {
    ByteMatrix arcs;
    std::vector<int> order;  // a topological order: parents before children
};

// Each variable's parents in topological order of the children, with weights,
// in compressed rows: the parents of order[i] are parent[first[i] .. first[i+1]).
struct linear_model {
    std::vector<int> order;
    std::vector<std::int64_t> first;
    std::vector<int> parent;
    std::vector<double> weight;
    double noise_sd = 1.0;

    int n_vars() const { return static_cast<int>(order.size()); }
};

// Probability that an ordered pair (earlier, later) becomes an arc, so that a
// variable has expected_parents parents on average: a variable at place i of
// the order has i candidates, i.e. (n - 1) / 2 on average.
double arc_probability(int n_vars, double expected_parents);

// A random order (Fisher-Yates), then one uniform draw per ordered pair, pairs
// taken by the earlier variable's place, then the later one's.
network random_network(int n_vars, double expected_parents, xoshiro256ss& rng);

// Reads a file of n lines of n digits (1-9 = arc row -> column, 0 = none), CR LF
// or LF line ends, the last one optional. Throws sim_error on anything else.
ByteMatrix read_network_file(const std::string& path);

// Kahn's algorithm, lowest index first among the ready variables. On a cycle
// (a diagonal 1 included) returns false and puts one cycle, in arc direction
// and closed (first == last), into cycle.
bool topological_order(const ByteMatrix& arcs, std::vector<int>& order, std::vector<int>& cycle);

std::int64_t count_arcs(const ByteMatrix& arcs);

// Weights uniform in [lo, hi) with a random sign, one magnitude draw then one
// sign draw per arc: children in topological order, parents by ascending index.
linear_model make_model(const network& net, double lo, double hi, double noise_sd, xoshiro256ss& rng);

// Builds the model from given weights: weights(parent, child), 0 = no arc.
linear_model make_model(const network& net, const DoubleMatrix& weights, double noise_sd);

// One case into values[0 .. n_vars), indexed by variable: in topological order,
// x = sum of weight * parent value (parents by ascending index) + noise_sd * z.
void sample_case(const linear_model& model, xoshiro256ss& rng, normal_sampler& normals, double* values);

}  // namespace gaussnet::simulate
