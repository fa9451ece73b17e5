#pragma once
// gaussnet-sim as a whole: options in, files out.

#include <cstdint>
#include <string>
#include <vector>

#include "common/random.h"
#include "simulate/network.h"
#include "simulate/options.h"

namespace gaussnet::simulate {

// The three independent streams of one seed: one splitmix64 sequence seeded
// with the seed gives four words to each, in this order.
struct random_streams {
    explicit random_streams(std::uint64_t seed);

    splitmix64 seeder;
    xoshiro256ss structure;  // the random order and the arcs
    xoshiro256ss weights;    // one magnitude and one sign per arc
    xoshiro256ss noise;      // one normal deviate per value
};

struct run_summary {
    std::int64_t n_arcs = 0;
    std::string data_path;
    std::string net_path;
    std::string command;  // the gaussnet command line for the files written
};

// The cases of data.txt one after another, each value rounded to single
// precision as written; throws sim_error when one does not fit.
class case_sampler {
public:
    case_sampler(const linear_model& model, std::string prefix, transform_kind transform = transform_kind::none);
    void next(xoshiro256ss& rng, std::int64_t case_index, float* rounded);

private:
    const linear_model& model_;
    std::string prefix_;
    transform_kind transform_;
    normal_sampler normals_;
    std::vector<double> values_;
};

// The network, from the net file or random; throws sim_error on a bad file.
network build_network(const options& opts, random_streams& streams);

// Writes data.txt and net.txt into opts.outdir; throws sim_error on failure.
run_summary run_simulation(const options& opts);

// The whole program: returns the exit status.
int sim_main(int argc, const char* const* argv);

}  // namespace gaussnet::simulate
