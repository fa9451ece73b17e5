// gaussnet-sim's network and data in memory: the same streams and draws as
// the files it writes, value for value.

#include <cmath>

#include "common/text.h"
#include "gaussnet/gaussnet.h"
#include "simulate/sim_error.h"
#include "simulate/simulate.h"

namespace gaussnet::api {

namespace {

void check_settings(const simulation_settings& options) {
    if (options.n_vars < 1) throw input_error("n_vars must be at least 1.");
    if (options.n_cases < 0) throw input_error("n_cases must not be negative.");
    if (!std::isfinite(options.parents) || options.parents < 0)
        throw input_error("parents must be finite and not negative.");
    if (!std::isfinite(options.weight_lo) || !std::isfinite(options.weight_hi) || options.weight_lo < 0 ||
        options.weight_lo > options.weight_hi)
        throw input_error("weights (lo, hi) need 0 <= lo <= hi, both finite.");
    if (!std::isfinite(options.noise) || options.noise < 0) throw input_error("noise must be finite and not negative.");
    const auto cells = static_cast<double>(options.n_vars) * static_cast<double>(options.n_cases);
    if (cells > static_cast<double>(std::vector<float>().max_size())) throw std::bad_alloc();
}

simulate::transform_kind transform_of(transform_type type) {
    switch (type) {
        case transform_type::exp:
            return simulate::transform_kind::exp;
        case transform_type::cube:
            return simulate::transform_kind::cube;
        case transform_type::logistic:
            return simulate::transform_kind::logistic;
        case transform_type::mix:
            return simulate::transform_kind::mix;
        case transform_type::none:
            break;
    }
    return simulate::transform_kind::none;
}

}  // namespace

simulation simulate(const simulation_settings& options) {
    check_settings(options);
    simulate::options sim;
    sim.n_vars = options.n_vars;
    sim.expected_parents = options.parents;
    sim.weight_lo = options.weight_lo;
    sim.weight_hi = options.weight_hi;
    sim.noise_sd = options.noise;
    sim.seed = options.seed;
    sim.transform = transform_of(options.transform);
    try {
        simulate::random_streams streams(sim.seed);
        const simulate::network net = simulate::build_network(sim, streams);
        const simulate::linear_model model =
            simulate::make_model(net, sim.weight_lo, sim.weight_hi, sim.noise_sd, streams.weights);
        simulation result;
        const auto n = static_cast<std::size_t>(options.n_vars);
        result.arcs.assign(net.arcs.data(), net.arcs.data() + n * n);
        for (std::size_t v = 0; v < n; ++v) result.names.push_back(sim.prefix + std::to_string(v + 1));
        // Reserved, not sized: zeroing gigabytes up front takes seconds in
        // which a caller could not stop the call; each case's cells are
        // first touched inside the loop, which checks for a stop.
        result.data.reserve(n * static_cast<std::size_t>(options.n_cases));
        simulate::case_sampler sampler(model, sim.prefix, sim.transform);
        for (std::int64_t c = 0; c < options.n_cases; ++c) {
            if (c % 4096 == 0 && options.cancel != nullptr && options.cancel->load()) throw cancelled();
            result.data.resize(result.data.size() + n);
            sampler.next(streams.noise, c, result.data.data() + static_cast<std::size_t>(c) * n);
        }
        return result;
    } catch (const simulate::sim_error& failure) {
        throw input_error(failure.what());
    }
}

}  // namespace gaussnet::api
