// Micro-benchmarks of the building blocks: one conditional independence test,
// the tests of a whole IAMB pass, the covariance estimate and reading a data
// file. Data come from the simulator's model with fixed seeds, in memory
// except for the file that the reading benchmark needs (written once into a
// temporary directory and removed at exit).
//
// Environment: GAUSSNET_BENCH_READ_CASES sets the cases of the file read
// (default 10000, i.e. about 100 MB with 1000 variables).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/matrix.h"
#include "common/random.h"
#include "input/read_input.h"
#include "input/run_state.h"
#include "simulate/network.h"
#include "simulate/simulate.h"
#include "stats/ci_engine.h"
#include "stats/ci_test.h"
#include "stats/covariance.h"
#include "stats/heap_sort.h"
#include "stats/rank_correlation.h"

namespace {

using namespace gaussnet;
namespace sim = gaussnet::simulate;

// A random linear Gaussian network (two parents on average) and its cases,
// stored as the reader would store them: single precision.
run_state make_state(int n_vars, int n_cases, std::uint64_t seed) {
    sim::random_streams streams(seed);
    const sim::network net = sim::random_network(n_vars, 2.0, streams.structure);
    const sim::linear_model model = sim::make_model(net, 0.5, 1.0, 1.0, streams.weights);
    run_state state;
    state.n_vars = n_vars;
    state.n_cases = n_cases;
    state.data_matrix = FloatMatrix(n_cases, n_vars);
    std::vector<double> values(static_cast<std::size_t>(n_vars));
    gaussnet::normal_sampler normals;
    for (int c = 0; c < n_cases; ++c) {
        sim::sample_case(model, streams.noise, normals, values.data());
        for (int v = 0; v < n_vars; ++v)
            state.data_matrix(c, v) = static_cast<float>(values[static_cast<std::size_t>(v)]);
    }
    for (int v = 0; v < n_vars; ++v) state.var_names.push_back("X" + std::to_string(v + 1));
    return state;
}

// The tests' data set: 300 variables x 1,000 cases and its covariance.
struct test_data {
    static constexpr int n_vars = 300;
    static constexpr int n_cases = 1000;
    static constexpr int target = n_vars / 2;

    run_state state = make_state(n_vars, n_cases, 300);
    test_setting test{test_kind::fisher_z, n_cases};
    DoubleMatrix cov{n_vars, n_vars};

    test_data() { estimate_covariance(state.data_matrix, 1, cov); }

    // members variables other than the target, drawn with a fixed seed so that
    // they spread over the variable order as a learned blanket would.
    std::vector<std::uint8_t> member_flags(int members) const {
        std::vector<int> others;
        for (int v = 0; v < n_vars; ++v)
            if (v != target) others.push_back(v);
        gaussnet::splitmix64 seeder(members + 1);
        gaussnet::xoshiro256ss rng(seeder);
        std::vector<std::uint8_t> flags(static_cast<std::size_t>(n_vars), 0);
        for (int i = 0; i < members; ++i) {
            const auto pick = i + static_cast<int>(rng.below(static_cast<std::uint64_t>(others.size() - i)));
            std::swap(others[static_cast<std::size_t>(i)], others[static_cast<std::size_t>(pick)]);
            flags[static_cast<std::size_t>(others[static_cast<std::size_t>(i)])] = 1;
        }
        return flags;
    }

    // A non-member near the first quarter of the variable order.
    static int candidate(const std::vector<std::uint8_t>& flags) {
        for (int v = n_vars / 4; v < n_vars; ++v)
            if (v != target && flags[static_cast<std::size_t>(v)] == 0) return v;
        return -1;
    }
};

const test_data& tests() {
    static const test_data data;
    return data;
}

// One test the straightforward way: ci_statistic builds, factorises and
// inverts the sub-matrix, then statistic_pvalue.
void BM_ci_test_single(benchmark::State& bench) {
    const test_data& d = tests();
    const int members = static_cast<int>(bench.range(0));
    const std::vector<std::uint8_t> flags = d.member_flags(members);
    const int candidate = test_data::candidate(flags);
    for (auto _ : bench) {
        const double s = ci_statistic(d.test, candidate, test_data::target, flags.data(), d.cov);
        const double p = statistic_pvalue(d.test, std::fabs(s), members);
        benchmark::DoNotOptimize(p);
    }
    bench.SetItemsProcessed(bench.iterations());
}
BENCHMARK(BM_ci_test_single)->ArgName("members")->Arg(0)->Arg(5)->Arg(20)->Arg(100);

// All n_vars - 1 tests of one pass. "per_test" is the time of one test.
template <bool shared>
void BM_ci_pass(benchmark::State& bench) {
    const test_data& d = tests();
    const int members = static_cast<int>(bench.range(0));
    const std::vector<std::uint8_t> flags = d.member_flags(members);
    ci_engine engine(d.test, d.cov);
    std::vector<double> pvalues(test_data::n_vars);
    std::vector<int> index(test_data::n_vars);
    for (auto _ : bench) {
        if constexpr (shared) engine.test_pass(test_data::target, flags.data(), members, pvalues.data(), index.data());
        else engine.test_pass_plain(test_data::target, flags.data(), members, pvalues.data(), index.data());
        benchmark::DoNotOptimize(pvalues.data());
        benchmark::ClobberMemory();
    }
    const int tests_per_pass = test_data::n_vars - 1;
    bench.SetItemsProcessed(bench.iterations() * tests_per_pass);
    bench.counters["per_test"] =
        benchmark::Counter(tests_per_pass, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ci_pass<true>)->Name("BM_ci_pass_engine")->ArgName("members")->Arg(0)->Arg(5)->Arg(20)->Arg(100);
BENCHMARK(BM_ci_pass<false>)
    ->Name("BM_ci_pass_plain")
    ->ArgName("members")
    ->Arg(0)
    ->Arg(5)
    ->Arg(20)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

// The covariance of 500 variables x 1,000 cases; items are the pair-case products.
void BM_covariance(benchmark::State& bench) {
    static const run_state base = make_state(500, 1000, 500);
    const run_state& state = base;
    const int n_threads = static_cast<int>(bench.range(0));
    DoubleMatrix cov(state.n_vars, state.n_vars);
    for (auto _ : bench) {
        estimate_covariance(state.data_matrix, n_threads, cov);
        benchmark::DoNotOptimize(cov.data());
        benchmark::ClobberMemory();
    }
    const std::int64_t n = state.n_vars;
    const std::int64_t data_bytes = n * state.n_cases * static_cast<std::int64_t>(sizeof(float));
    bench.SetBytesProcessed(bench.iterations() * data_bytes);
    bench.SetItemsProcessed(bench.iterations() * (n * (n + 1) / 2) * state.n_cases);
}
BENCHMARK(BM_covariance)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rank-based matrices of the same data, mapped to the Gaussian scale as
// the learners get them: Spearman's (ranks, then their covariance), the
// normal scores' covariance and Kendall's.
template <correlation_kind kind>
void BM_rank_correlation(benchmark::State& bench) {
    static const run_state base = make_state(500, 1000, 500);
    const int n_threads = static_cast<int>(bench.range(0));
    DoubleMatrix matrix(base.n_vars, base.n_vars);
    for (auto _ : bench) {
        estimate_association(base.data_matrix, kind, n_threads, matrix);
        benchmark::DoNotOptimize(matrix.data());
        benchmark::ClobberMemory();
    }
    const std::int64_t n = base.n_vars;
    bench.SetItemsProcessed(bench.iterations() * (n * (n - 1) / 2));  // pairs
}
BENCHMARK(BM_rank_correlation<correlation_kind::spearman>)
    ->Name("BM_spearman")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Spearman's rho alone: the ranking and the ranks' covariance, without the
// map and the check (and mending) of positive definiteness.
void BM_spearman_rho(benchmark::State& bench) {
    static const run_state base = make_state(500, 1000, 500);
    DoubleMatrix matrix(base.n_vars, base.n_vars);
    for (auto _ : bench) {
        spearman_matrix(base.data_matrix, static_cast<int>(bench.range(0)), matrix);
        benchmark::DoNotOptimize(matrix.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_spearman_rho)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_rank_correlation<correlation_kind::normal>)
    ->Name("BM_normal_scores")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_rank_correlation<correlation_kind::kendall>)
    ->Name("BM_kendall")
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// A data file of 1,000 variables, written once by the simulator's own code.
class data_file {
public:
    data_file() {
        const char* cases_text = std::getenv("GAUSSNET_BENCH_READ_CASES");
        n_cases_ = cases_text != nullptr ? std::atoi(cases_text) : 10000;
        std::string pattern = (std::filesystem::temp_directory_path() / "gaussnet-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
        dir_ = pattern;
        sim::options opts;
        opts.n_vars = n_vars_;
        opts.n_cases = n_cases_;
        opts.seed = 1000;
        opts.outdir = dir_;
        path_ = sim::run_simulation(opts).data_path;
        bytes_ = static_cast<std::int64_t>(std::filesystem::file_size(path_));
    }
    ~data_file() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    data_file(const data_file&) = delete;
    data_file& operator=(const data_file&) = delete;

    const std::string& path() const { return path_; }
    int n_vars() const { return n_vars_; }
    int n_cases() const { return n_cases_; }
    std::int64_t bytes() const { return bytes_; }

private:
    static constexpr int n_vars_ = 1000;
    int n_cases_ = 0;
    std::string dir_;
    std::string path_;
    std::int64_t bytes_ = 0;
};

void BM_read_data_file(benchmark::State& bench) {
    static const data_file file;
    for (auto _ : bench) {
        run_state state;
        state.data_file = file.path();
        state.n_cases = file.n_cases();
        state.n_vars = file.n_vars();
        read_data_file(state);
        benchmark::DoNotOptimize(state.data_matrix.data());
    }
    bench.SetBytesProcessed(bench.iterations() * file.bytes());
    // bytes_per_second counts binary megabytes; this counter decimal ones.
    bench.counters["MB_per_s"] =
        benchmark::Counter(static_cast<double>(file.bytes()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    bench.counters["file_MB"] = static_cast<double>(file.bytes()) / 1e6;
}
BENCHMARK(BM_read_data_file)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

// One pass's ranking as the learner sorts it: a tenth of the keys tied at 0,
// the rest spread, the index as the companion.
void BM_heap_sort3(benchmark::State& bench) {
    const int n = static_cast<int>(bench.range(0));
    std::vector<double> keys(static_cast<std::size_t>(n));
    std::uint64_t state = 88172645463325252ULL;
    for (double& key : keys) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        key = state % 10 == 0 ? 0.0 : static_cast<double>(state >> 11) * 0x1p-52;
    }
    std::vector<double> work(keys.size());
    std::vector<int> index(keys.size());
    for (auto _ : bench) {
        work = keys;
        for (int k = 0; k < n; ++k) index[k] = k;
        heap_sort3(work.size(), work.data(), index.data(), index.data());
        benchmark::DoNotOptimize(index.data());
    }
    bench.SetItemsProcessed(bench.iterations() * n);
}
BENCHMARK(BM_heap_sort3)->ArgName("entries")->Arg(1000)->Arg(4000)->Arg(20000);

BENCHMARK_MAIN();
