#include "simulate/simulate.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <vector>

#include "common/text.h"
#include "simulate/sim_error.h"
#include "simulate/staged_file.h"

namespace gaussnet::simulate {

namespace fs = std::filesystem;

random_streams::random_streams(std::uint64_t seed) : seeder(seed), structure(seeder), weights(seeder), noise(seeder) {}

namespace {

// What gaussnet itself accepts: names up to 99 characters, a header line up
// to 99,997 characters before its line end.
constexpr std::size_t gaussnet_max_name = 99;
constexpr std::size_t gaussnet_max_header = 99997;
constexpr std::int64_t progress_threshold = 2'000'000;

std::string var_name(const std::string& prefix, int index) { return prefix + std::to_string(index + 1); }

std::string cycle_text(const std::vector<int>& cycle, const std::string& prefix) {
    std::string text;
    for (const int v : cycle) text += (text.empty() ? "" : " -> ") + var_name(prefix, v);
    return text;
}

network network_from_file(const options& opts) {
    network net{read_network_file(opts.net_file), {}};
    const std::int64_t n = net.arcs.rows();
    if (opts.n_vars != 0 && opts.n_vars != n) {
        throw sim_error(status_failure, strprintf("--vars %d does not agree with the %lld variables of '%s'",
                                                  opts.n_vars, static_cast<long long>(n), opts.net_file.c_str()));
    }
    std::vector<int> cycle;
    if (!topological_order(net.arcs, net.order, cycle)) {
        throw sim_error(status_failure, strprintf("the network in '%s' has a cycle: %s", opts.net_file.c_str(),
                                                  cycle_text(cycle, opts.prefix).c_str()));
    }
    return net;
}

// Whether gaussnet needs --long-header for these names; says why on standard error.
bool needs_long_header(const std::string& prefix, int n_vars) {
    const std::size_t longest = var_name(prefix, n_vars - 1).size();
    std::size_t header = 0;
    for (int v = 0; v < n_vars; ++v) header += var_name(prefix, v).size() + (v > 0);
    if (longest > gaussnet_max_name) {
        std::fprintf(stderr,
                     "gaussnet-sim: warning: names of %zu characters; gaussnet reads at most %zu unless given "
                     "--long-header\n",
                     longest, gaussnet_max_name);
    }
    if (header > gaussnet_max_header) {
        std::fprintf(stderr,
                     "gaussnet-sim: warning: a header line of %zu characters; gaussnet reads at most %zu unless "
                     "given --long-header\n",
                     header, gaussnet_max_header);
    }
    return longest > gaussnet_max_name || header > gaussnet_max_header;
}

void prepare_outdir(const std::string& outdir) {
    std::error_code error;
    fs::create_directories(outdir, error);
    if (error)
        throw sim_error(status_failure,
                        strprintf("cannot create directory '%s': %s", outdir.c_str(), error.message().c_str()));
    if (!fs::is_directory(outdir, error))
        throw sim_error(status_failure, strprintf("'%s' is not a directory", outdir.c_str()));
}

// Fails early, before the work, for the common case; the final move of each
// file checks again without a race.
void refuse_existing(const std::vector<std::string>& paths) {
    for (const auto& path : paths) {
        std::error_code error;
        if (fs::symlink_status(path, error).type() != fs::file_type::not_found) {
            throw sim_error(status_failure, strprintf("'%s' exists; use --force to overwrite it", path.c_str()));
        }
    }
}

void write_net(staged_file& file, const ByteMatrix& arcs) {
    for (std::int64_t r = 0; r < arcs.rows(); ++r) {
        for (std::int64_t c = 0; c < arcs.cols(); ++c) file.append(arcs(r, c) == 1 && r != c ? '1' : '0');
        file.append('\n');
    }
}

// "\r"-updated percentage on a terminal, for large jobs only.
class progress {
public:
    progress(std::int64_t n_cases, std::int64_t values)
        : n_cases_(n_cases), shown_(values > progress_threshold && ::isatty(STDERR_FILENO) ? -1 : 101) {}
    void update(std::int64_t cases_done) {
        if (shown_ > 100) return;
        const int percent = static_cast<int>(cases_done * 100 / n_cases_);
        if (percent == shown_) return;
        shown_ = percent;
        std::fprintf(stderr, "\rgaussnet-sim: writing data.txt, %3d%%", percent);
        if (percent == 100) std::fputc('\n', stderr);
    }

private:
    std::int64_t n_cases_;
    int shown_;  // > 100: off
};

void write_header(staged_file& file, const std::string& prefix, int n_vars) {
    for (int v = 0; v < n_vars; ++v) {
        if (v > 0) file.append(' ');
        file.append(var_name(prefix, v));
    }
    file.append('\n');
}

[[noreturn]] void overflow(std::int64_t case_index, const std::string& name, double value) {
    throw sim_error(
        status_failure,
        strprintf("case %lld, %s: the value %g does not fit in single precision; choose smaller --weights or --noise",
                  static_cast<long long>(case_index + 1), name.c_str(), value));
}

void write_data(staged_file& file, const linear_model& model, const options& opts, xoshiro256ss& rng) {
    const int n = model.n_vars();
    write_header(file, opts.prefix, n);
    case_sampler sampler(model, opts.prefix, opts.transform);
    std::vector<float> values(static_cast<std::size_t>(n));
    progress shown(opts.n_cases, static_cast<std::int64_t>(n) * opts.n_cases);
    for (std::int64_t c = 0; c < opts.n_cases; ++c) {
        sampler.next(rng, c, values.data());
        for (int v = 0; v < n; ++v) {
            if (v > 0) file.append(' ');
            file.append(values[static_cast<std::size_t>(v)]);
        }
        file.append('\n');
        shown.update(c + 1);
    }
}

// Both files appear, or (without --force) neither: a net.txt that cannot be
// moved into place takes the new data.txt back out.
void publish_pair(staged_file& data, staged_file& net, bool force) {
    data.publish(force);
    try {
        net.publish(force);
    } catch (...) {
        if (!force) data.withdraw();
        throw;
    }
}

bool needs_quoting(const std::string& text) {
    if (text.empty()) return true;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           std::string_view("/._-+,:=@%").find(c) != std::string_view::npos;
        if (!plain) return true;
    }
    return false;
}

std::string shell_quote(const std::string& text) {
    if (!needs_quoting(text)) return text;
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The gaussnet built beside this program when there is one, else whatever
// "gaussnet" the shell finds.
std::string gaussnet_program() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path sibling = self.parent_path() / "gaussnet";
        if (fs::is_regular_file(sibling, error) && ::access(sibling.c_str(), X_OK) == 0)
            return shell_quote(sibling.string());
    }
    return "gaussnet";
}

}  // namespace

case_sampler::case_sampler(const linear_model& model, std::string prefix, transform_kind transform)
    : model_(model),
      prefix_(std::move(prefix)),
      transform_(transform),
      values_(static_cast<std::size_t>(model.n_vars())) {}

void case_sampler::next(xoshiro256ss& rng, std::int64_t case_index, float* rounded) {
    sample_case(model_, rng, normals_, values_.data());
    for (std::size_t v = 0; v < values_.size(); ++v) {
        const double value = transformed(transform_, static_cast<int>(v), values_[v]);
        rounded[v] = static_cast<float>(value);
        if (!std::isfinite(rounded[v])) overflow(case_index, var_name(prefix_, static_cast<int>(v)), value);
    }
}

network build_network(const options& opts, random_streams& streams) {
    if (!opts.net_file.empty()) return network_from_file(opts);
    return random_network(opts.n_vars, opts.expected_parents, streams.structure);
}

run_summary run_simulation(const options& opts) {
    random_streams streams(opts.seed);
    const network net = build_network(opts, streams);
    const auto n_vars = static_cast<int>(net.arcs.rows());
    const linear_model model = make_model(net, opts.weight_lo, opts.weight_hi, opts.noise_sd, streams.weights);
    const bool long_header = needs_long_header(opts.prefix, n_vars);

    prepare_outdir(opts.outdir);
    const std::string data_path = (fs::path(opts.outdir) / "data.txt").string();
    const std::string net_path = (fs::path(opts.outdir) / "net.txt").string();
    if (!opts.force) refuse_existing({data_path, net_path});

    staged_file net_file(net_path);
    write_net(net_file, net.arcs);
    net_file.finish();
    staged_file data_file(data_path);
    write_data(data_file, model, opts, streams.noise);
    data_file.finish();
    publish_pair(data_file, net_file, opts.force);

    return {static_cast<std::int64_t>(model.parent.size()), data_path, net_path,
            strprintf("cd %s && %s %sdata.txt %d %d 1 0.05 0", shell_quote(opts.outdir).c_str(),
                      gaussnet_program().c_str(), long_header ? "--long-header " : "", opts.n_cases, n_vars)};
}

int sim_main(int argc, const char* const* argv) {
    try {
        const options opts = parse_options(argc, argv);
        if (opts.help) {
            std::fputs(usage_text(), stdout);
            return 0;
        }
        const run_summary summary = run_simulation(opts);
        std::fprintf(stderr, "gaussnet-sim: wrote %s and %s (%lld arcs)\n", summary.data_path.c_str(),
                     summary.net_path.c_str(), static_cast<long long>(summary.n_arcs));
        std::printf("%s\n", summary.command.c_str());
        return std::fflush(stdout) == 0 ? 0 : status_failure;
    } catch (const sim_error& error) {
        std::fprintf(stderr, "gaussnet-sim: %s\n", error.what());
        if (error.status() == status_usage) std::fprintf(stderr, "\n%s", usage_text());
        return error.status();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "gaussnet-sim: out of memory\n");
        return status_failure;
    }
}

}  // namespace gaussnet::simulate
