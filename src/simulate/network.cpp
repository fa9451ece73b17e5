#include "simulate/network.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>
#include <sstream>

#include "common/text.h"
#include "simulate/sim_error.h"

namespace gaussnet::simulate {

double arc_probability(int n_vars, double expected_parents) {
    if (n_vars < 2) return 0.0;
    return std::min(1.0, 2.0 * expected_parents / (n_vars - 1));
}

network random_network(int n_vars, double expected_parents, xoshiro256ss& rng) {
    network net{ByteMatrix(n_vars, n_vars), std::vector<int>(static_cast<std::size_t>(n_vars))};
    std::iota(net.order.begin(), net.order.end(), 0);
    for (int i = n_vars - 1; i > 0; --i) {
        const auto j = static_cast<int>(rng.below(static_cast<std::uint64_t>(i) + 1));
        std::swap(net.order[static_cast<std::size_t>(i)], net.order[static_cast<std::size_t>(j)]);
    }
    const double p = arc_probability(n_vars, expected_parents);
    for (int a = 0; a < n_vars; ++a) {
        for (int b = a + 1; b < n_vars; ++b) {
            if (rng.uniform01() < p)
                net.arcs(net.order[static_cast<std::size_t>(a)], net.order[static_cast<std::size_t>(b)]) = 1;
        }
    }
    return net;
}

namespace {

std::string read_whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw sim_error(status_failure, strprintf("cannot read net file '%s': %s", path.c_str(), std::strerror(errno)));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw sim_error(status_failure, strprintf("cannot read net file '%s'", path.c_str()));
    return text;
}

// Splits at LF, drops one CR before each LF and the empty lines at the end.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

void check_row(const std::string& path, const std::string& line, std::size_t row, std::size_t n) {
    if (line.size() != n) {
        throw sim_error(status_failure, strprintf("net file '%s', line %zu: %zu cells, but line 1 has %zu",
                                                  path.c_str(), row + 1, line.size(), n));
    }
    for (std::size_t col = 0; col < n; ++col) {
        const char c = line[col];
        if (c < '0' || c > '9') {
            throw sim_error(status_failure, strprintf("net file '%s', line %zu, column %zu: '%c' is not a digit",
                                                      path.c_str(), row + 1, col + 1, c));
        }
    }
}

}  // namespace

ByteMatrix read_network_file(const std::string& path) {
    const std::vector<std::string> lines = split_lines(read_whole_file(path));
    if (lines.empty()) throw sim_error(status_failure, strprintf("net file '%s' holds no network", path.c_str()));
    const std::size_t n = lines.front().size();
    if (lines.size() != n) {
        throw sim_error(status_failure,
                        strprintf("net file '%s' has %zu lines for %zu variables (one line per variable)", path.c_str(),
                                  lines.size(), n));
    }
    const auto size = static_cast<std::int64_t>(n);
    ByteMatrix arcs(size, size);
    for (std::size_t row = 0; row < n; ++row) {
        check_row(path, lines[row], row, n);
        for (std::size_t col = 0; col < n; ++col)
            arcs.row(static_cast<std::int64_t>(row))[col] = lines[row][col] != '0';
    }
    return arcs;
}

namespace {

// Every variable left out of a topological order has a parent that was also
// left out; walking from parent to parent must therefore come back to a
// variable already seen, closing a cycle.
std::vector<int> find_cycle(const ByteMatrix& arcs, const std::vector<int>& in_degree) {
    const auto n = static_cast<int>(arcs.rows());
    int v = static_cast<int>(std::find_if(in_degree.begin(), in_degree.end(), [](int d) { return d > 0; }) -
                             in_degree.begin());
    std::vector<int> walk;
    std::vector<int> place(static_cast<std::size_t>(n), -1);
    while (place[static_cast<std::size_t>(v)] < 0) {
        place[static_cast<std::size_t>(v)] = static_cast<int>(walk.size());
        walk.push_back(v);
        int p = 0;
        while (!(arcs(p, v) == 1 && in_degree[static_cast<std::size_t>(p)] > 0)) ++p;
        v = p;
    }
    // The walk runs against the arcs: reverse its closed tail.
    std::vector<int> cycle(walk.begin() + place[static_cast<std::size_t>(v)], walk.end());
    cycle.push_back(v);
    std::reverse(cycle.begin(), cycle.end());
    return cycle;
}

}  // namespace

bool topological_order(const ByteMatrix& arcs, std::vector<int>& order, std::vector<int>& cycle) {
    const auto n = static_cast<int>(arcs.rows());
    std::vector<int> in_degree(static_cast<std::size_t>(n), 0);
    for (int p = 0; p < n; ++p)
        for (int c = 0; c < n; ++c) in_degree[static_cast<std::size_t>(c)] += arcs(p, c) == 1;
    order.clear();
    for (int v = 0; v < n; ++v)
        if (in_degree[static_cast<std::size_t>(v)] == 0) order.push_back(v);
    for (std::size_t next = 0; next < order.size(); ++next) {
        const int p = order[next];
        for (int c = 0; c < n; ++c) {
            if (arcs(p, c) == 1 && --in_degree[static_cast<std::size_t>(c)] == 0) order.push_back(c);
        }
    }
    cycle.clear();
    if (static_cast<int>(order.size()) == n) return true;
    cycle = find_cycle(arcs, in_degree);
    return false;
}

std::int64_t count_arcs(const ByteMatrix& arcs) {
    return std::count(arcs.data(), arcs.data() + arcs.rows() * arcs.cols(), std::uint8_t{1});
}

namespace {

// The compressed parent lists, weights left at 0.
linear_model model_skeleton(const network& net, double noise_sd) {
    linear_model model;
    model.order = net.order;
    model.noise_sd = noise_sd;
    model.first.push_back(0);
    const auto n = static_cast<int>(net.arcs.rows());
    for (const int child : net.order) {
        for (int p = 0; p < n; ++p) {
            if (p != child && net.arcs(p, child) == 1) model.parent.push_back(p);
        }
        model.first.push_back(static_cast<std::int64_t>(model.parent.size()));
    }
    model.weight.assign(model.parent.size(), 0.0);
    return model;
}

}  // namespace

linear_model make_model(const network& net, double lo, double hi, double noise_sd, xoshiro256ss& rng) {
    linear_model model = model_skeleton(net, noise_sd);
    for (double& w : model.weight) {
        const double magnitude = lo + (hi - lo) * rng.uniform01();
        w = rng.coin() ? -magnitude : magnitude;
    }
    return model;
}

linear_model make_model(const network& net, const DoubleMatrix& weights, double noise_sd) {
    linear_model model = model_skeleton(net, noise_sd);
    std::size_t k = 0;
    for (std::size_t i = 0; i < model.order.size(); ++i) {
        for (; k < static_cast<std::size_t>(model.first[i + 1]); ++k)
            model.weight[k] = weights(model.parent[k], model.order[i]);
    }
    return model;
}

void sample_case(const linear_model& model, xoshiro256ss& rng, normal_sampler& normals, double* values) {
    const std::size_t n = model.order.size();
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0.0;
        for (auto k = static_cast<std::size_t>(model.first[i]); k < static_cast<std::size_t>(model.first[i + 1]); ++k) {
            sum += model.weight[k] * values[model.parent[k]];
        }
        values[model.order[i]] = sum + model.noise_sd * normals.next(rng);
    }
}

}  // namespace gaussnet::simulate
