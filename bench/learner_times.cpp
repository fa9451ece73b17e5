// Times the learners one by one, with better than whole-second resolution.
//
//   bench_learner_times [--threads N] [--only ee,iamb2,iamb1] [--show-output]
//                       data_file n_cases n_vars true_net alpha exact
//     Loads the data (and "net.txt" when true_net is 1) like gaussnet, then runs
//     edge_exclusion (when n_cases > n_vars), run_iamb(2) and run_iamb(1),
//     printing "load S" (the data file), "net S" ("net.txt"), "moral S" (the
//     moral graph), "EE S", "IAMB2 S", "IAMB1 S" (seconds, 3 decimals).
//
//   bench_learner_times --budget SECONDS [--variant V] [--threads N] [--check]
//                       data_file n_cases n_vars true_net alpha exact
//     Runs the ranked IAMB passes target after target until the budget is
//     spent, and prints key=value lines: how many targets were finished, how
//     many passes and tests ran, tests per second, and where the time went by
//     conditioning-set size. --check then relearns every finished target with
//     blanket_learner and compares the blankets (slow: for small data only).
//
// The learners write their usual lines to the console and append to "res.txt"
// in the working directory: run this in a scratch directory. Their console
// output is discarded unless --show-output is given; the figures go to the
// original standard output.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "common/parallel.h"
#include "input/read_input.h"
#include "input/run_state.h"
#include "learners/adjustment.h"
#include "learners/blanket.h"
#include "learners/edge_exclusion.h"
#include "learners/iamb.h"
#include "learners/pass_decision.h"
#include "scoring/moral_graph.h"
#include "scoring/report_structure.h"
#include "stats/ci_engine.h"
#include "stats/covariance.h"
#include "stats/heap_sort.h"

using namespace gaussnet;
using clock_type = std::chrono::steady_clock;

namespace {

double since(clock_type::time_point start) { return std::chrono::duration<double>(clock_type::now() - start).count(); }

struct arguments {
    int threads = 1;
    std::string only = "ee,iamb2,iamb1";
    bool show_output = false;
    double budget = -1;  // < 0: timing mode
    int variant = 1;
    bool check = false;
    std::vector<std::string> positional;
};

[[noreturn]] void usage() {
    std::fprintf(stderr,
                 "usage: bench_learner_times [--threads N] [--only ee,iamb2,iamb1] [--show-output]\n"
                 "                           [--budget SECONDS [--variant V] [--check]]\n"
                 "                           data_file n_cases n_vars true_net alpha exact\n");
    std::exit(2);
}

arguments parse(int argc, char** argv) {
    arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage();
            return argv[++i];
        };
        if (arg == "--threads") {
            args.threads = std::max(1, std::atoi(value().c_str()));
        } else if (arg == "--only") {
            args.only = value();
        } else if (arg == "--show-output") {
            args.show_output = true;
        } else if (arg == "--budget") {
            args.budget = std::atof(value().c_str());
        } else if (arg == "--variant") {
            args.variant = std::atoi(value().c_str());
        } else if (arg == "--check") {
            args.check = true;
        } else if (arg.rfind("--", 0) == 0) {
            usage();
        } else {
            args.positional.push_back(arg);
        }
    }
    if (args.positional.size() != 6) usage();
    return args;
}

bool selected(const std::string& list, const std::string& name) {
    return ("," + list + ",").find("," + name + ",") != std::string::npos;
}

// ---------------------------------------------------------------------------
// Budget mode: the loop of blanket_learner::learn, instrumented.

// Passes are grouped by their member count, where the cost of a pass grows.
constexpr std::array<int, 7> bucket_lower = {0, 10, 50, 100, 200, 400, 800};

int bucket_of(int members) {
    int b = 0;
    while (b + 1 < static_cast<int>(bucket_lower.size()) && members >= bucket_lower[b + 1]) ++b;
    return b;
}

struct tally {
    long long targets_finished = 0;
    long long passes = 0;
    long long additions = 0;
    long long removals = 0;
    long long repeats = 0;           // targets stopped at a member set seen before
    long long sorted = 0;            // passes whose decision needed the full sort
    long long completed = 0;         // passes whose deferred p-values had to be computed after all
    long long no_pvalue_beyond = 0;  // passes that computed no deferred p-value
    long long deferred_pvalues = 0;  // p-values deferred and never computed
    long long member_sum = 0;        // over passes
    int largest_blanket = 0;         // over finished targets
    int most_members = 0;            // over passes
    double pass_seconds = 0;         // inside test_pass
    double decide_seconds = 0;       // deciding and bookkeeping
    std::array<long long, bucket_lower.size()> bucket_passes{};
    std::array<double, bucket_lower.size()> bucket_seconds{};

    void add(const tally& o) {
        targets_finished += o.targets_finished;
        passes += o.passes;
        additions += o.additions;
        removals += o.removals;
        repeats += o.repeats;
        sorted += o.sorted;
        completed += o.completed;
        no_pvalue_beyond += o.no_pvalue_beyond;
        deferred_pvalues += o.deferred_pvalues;
        member_sum += o.member_sum;
        largest_blanket = std::max(largest_blanket, o.largest_blanket);
        most_members = std::max(most_members, o.most_members);
        pass_seconds += o.pass_seconds;
        decide_seconds += o.decide_seconds;
        for (std::size_t b = 0; b < bucket_lower.size(); ++b) {
            bucket_passes[b] += o.bucket_passes[b];
            bucket_seconds[b] += o.bucket_seconds[b];
        }
    }
};

struct budget_worker {
    budget_worker(const learner_setting& setting, const run_state& state, const DoubleMatrix& cov)
        : engine(setting.test, cov), flags(static_cast<std::size_t>(state.n_vars)) {}

    ci_engine engine;
    surrogate_scratch surrogates;
    std::vector<std::uint8_t> flags;
    pass_pvalues pass;
    tally counts;
};

std::vector<int> members_of(const std::vector<std::uint8_t>& flags) {
    std::vector<int> members;
    for (int v = 0; v < static_cast<int>(flags.size()); ++v)
        if (flags[v] == 1) members.push_back(v);
    return members;
}

// One target, as blanket_learner::learn does it, until done or out of time.
// Returns true when the target was finished.
bool learn_target(const learner_setting& setting, const run_state& state, int variant, double harmonic, int target,
                  budget_worker& w, clock_type::time_point deadline, std::atomic<bool>& out_of_time) {
    const int m = state.n_vars - 1;
    const decision_rule rule{static_cast<iamb_variant>(variant), harmonic, pvalue_threshold(setting.test.alpha)};
    std::fill(w.flags.begin(), w.flags.end(), 0);
    int member_count = 0;
    std::set<std::vector<int>> seen;
    for (;;) {
        if (out_of_time.load(std::memory_order_relaxed)) return false;
        if (clock_type::now() >= deadline) {
            out_of_time.store(true);
            return false;
        }
        const auto t0 = clock_type::now();
        if (!seen.insert(members_of(w.flags)).second) {
            ++w.counts.repeats;
            break;
        }
        const auto t1 = clock_type::now();
        int deferred = 0;
        if (may_defer_pvalues(setting.test, rule.threshold)) {
            w.pass = w.engine.test_pass_deferring(target, w.flags.data(), member_count, std::move(w.pass));
            deferred = w.pass.deferred().count;
        } else {
            w.pass.start(m, setting.test, member_count);
            w.engine.test_pass(target, w.flags.data(), member_count, w.pass.pvalues.data(), w.pass.index.data());
        }
        const auto t2 = clock_type::now();

        pass_route route;
        const pass_decision decision = decide_pass(w.pass, w.flags.data(), rule, w.surrogates, route);
        w.counts.sorted += route.sorted;
        w.counts.completed += route.completed;
        w.counts.no_pvalue_beyond += route.computed == 0;
        w.counts.deferred_pvalues += deferred - route.computed;
        const double pass_time = std::chrono::duration<double>(t2 - t1).count();
        const int b = bucket_of(member_count);
        ++w.counts.passes;
        w.counts.member_sum += member_count;
        w.counts.most_members = std::max(w.counts.most_members, member_count);
        w.counts.pass_seconds += pass_time;
        w.counts.bucket_passes[b] += 1;
        w.counts.bucket_seconds[b] += pass_time;

        bool changed = false;
        if (decision.change == pass_change::removal) {
            w.flags[decision.variable] = 0;
            --member_count;
            ++w.counts.removals;
            changed = true;
        } else if (decision.change == pass_change::addition) {
            w.flags[decision.variable] = 1;
            ++member_count;
            ++w.counts.additions;
            changed = true;
        }
        w.counts.decide_seconds += std::chrono::duration<double>(t1 - t0).count() +
                                   std::chrono::duration<double>(clock_type::now() - t2).count();
        if (!changed) break;
    }
    ++w.counts.targets_finished;
    w.counts.largest_blanket = std::max(w.counts.largest_blanket, member_count);
    return true;
}

int run_budget(const learner_setting& setting, const run_state& state, const arguments& args, FILE* out) {
    const auto start = clock_type::now();
    const int n = state.n_vars;
    DoubleMatrix cov(n, n);
    estimate_covariance(state.data_matrix, setting.n_threads, cov);
    const double covariance_seconds = since(start);

    const double harmonic = harmonic_number(n - 1);
    const auto learn_start = clock_type::now();
    const auto deadline =
        start + std::chrono::duration_cast<clock_type::duration>(std::chrono::duration<double>(args.budget));
    std::atomic<bool> out_of_time{false};
    std::vector<std::unique_ptr<budget_worker>> workers(static_cast<std::size_t>(setting.n_threads));
    std::vector<std::uint8_t> finished(static_cast<std::size_t>(n), 0);
    ByteMatrix blankets(n, n, 0);

    parallel_for(setting.n_threads, n, [&](std::int64_t item, int thread) {
        auto& w = workers[static_cast<std::size_t>(thread)];
        if (!w) w = std::make_unique<budget_worker>(setting, state, cov);
        const int target = static_cast<int>(item);
        if (learn_target(setting, state, args.variant, harmonic, target, *w, deadline, out_of_time)) {
            finished[target] = 1;
            std::copy(w->flags.begin(), w->flags.end(), blankets.row(target));
        }
    });
    const double learn_seconds = since(learn_start);
    const double elapsed = since(start);

    tally total;
    for (const auto& w : workers)
        if (w) total.add(w->counts);
    const long long tests = total.passes * static_cast<long long>(n - 1);

    std::fprintf(out, "variant=%d\n", args.variant);
    std::fprintf(out, "threads=%d\n", setting.n_threads);
    std::fprintf(out, "budget_s=%.1f\n", args.budget);
    std::fprintf(out, "elapsed_s=%.3f\n", elapsed);
    std::fprintf(out, "covariance_s=%.3f\n", covariance_seconds);
    std::fprintf(out, "completed=%d\n", out_of_time.load() ? 0 : 1);
    std::fprintf(out, "targets_total=%d\n", n);
    std::fprintf(out, "targets_finished=%lld\n", total.targets_finished);
    std::fprintf(out, "passes=%lld\n", total.passes);
    std::fprintf(out, "additions=%lld\n", total.additions);
    std::fprintf(out, "removals=%lld\n", total.removals);
    std::fprintf(out, "sorted_passes=%lld\n", total.sorted);
    std::fprintf(out, "completed_passes=%lld\n", total.completed);
    std::fprintf(out, "passes_without_deferred_pvalues=%lld\n", total.no_pvalue_beyond);
    std::fprintf(out, "deferred_pvalues=%lld\n", total.deferred_pvalues);
    std::fprintf(out, "repeated_sets=%lld\n", total.repeats);
    std::fprintf(out, "tests=%lld\n", tests);
    std::fprintf(out, "tests_per_s=%.0f\n", learn_seconds > 0 ? static_cast<double>(tests) / learn_seconds : 0.0);
    std::fprintf(out, "mean_members_per_pass=%.1f\n",
                 total.passes > 0 ? static_cast<double>(total.member_sum) / static_cast<double>(total.passes) : 0.0);
    std::fprintf(out, "most_members=%d\n", total.most_members);
    std::fprintf(out, "largest_finished_blanket=%d\n", total.largest_blanket);
    std::fprintf(out, "test_pass_s=%.3f\n", total.pass_seconds);
    std::fprintf(out, "decide_s=%.3f\n", total.decide_seconds);
    for (std::size_t b = 0; b < bucket_lower.size(); ++b) {
        if (total.bucket_passes[b] == 0) continue;
        const int hi = b + 1 < bucket_lower.size() ? bucket_lower[b + 1] - 1 : n - 1;
        std::fprintf(out, "bucket=%d-%d passes=%lld seconds=%.3f\n", bucket_lower[b], hi, total.bucket_passes[b],
                     total.bucket_seconds[b]);
    }

    if (args.check) {
        // The instrumented copy must make the same decisions as the learner.
        blanket_learner learner(setting, cov);
        long long checked = 0;
        long long mismatches = 0;
        for (int t = 0; t < n; ++t) {
            if (finished[t] == 0) continue;
            const std::vector<std::uint8_t>& flags = learner.learn(static_cast<iamb_variant>(args.variant), t);
            ++checked;
            if (!std::equal(flags.begin(), flags.end(), blankets.row(t))) {
                ++mismatches;
                std::fprintf(stderr, "bench_learner_times: target %d: blanket differs from blanket_learner\n", t);
            }
        }
        std::fprintf(out, "checked=%lld mismatches=%lld\n", checked, mismatches);
        if (mismatches > 0) return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------

// Keeps the original standard output for the figures and sends the learners'
// console lines to /dev/null.
FILE* figures_stream(bool show_output) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    if (saved < 0) return stdout;
    FILE* out = fdopen(saved, "w");
    if (out == nullptr) return stdout;
    if (!show_output) {
        const int null_fd = open("/dev/null", O_WRONLY);
        if (null_fd >= 0) {
            dup2(null_fd, STDOUT_FILENO);
            close(null_fd);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const arguments args = parse(argc, argv);
    FILE* out = figures_stream(args.show_output);
    try {
        run_state state;
        state.data_file = args.positional[0];
        state.n_cases = std::atoi(args.positional[1].c_str());
        state.n_vars = std::atoi(args.positional[2].c_str());
        state.true_net = std::atoi(args.positional[3].c_str());

        // The order of read_input: "net.txt" first, then the data file.
        const auto net_start = clock_type::now();
        if (state.true_net == 1) read_true_network(state);
        const double net_seconds = since(net_start);
        const auto load_start = clock_type::now();
        read_data_file(state);
        std::fprintf(out, "load %.3f\n", since(load_start));
        if (state.true_net == 1) {
            const auto moral_start = clock_type::now();
            moralized moral = moralize(state.true_network);
            state.moral_graph = std::move(moral.graph);
            state.n_edges = moral.n_edges;
            std::fprintf(out, "net %.3f\n", net_seconds);
            std::fprintf(out, "moral %.3f\n", since(moral_start));
        }
        std::fflush(out);

        const test_kind kind = std::atoi(args.positional[5].c_str()) != 0 ? test_kind::student_t : test_kind::fisher_z;
        const learner_setting setting{
            {kind, state.n_cases, std::atof(args.positional[4].c_str())}, args.threads, state.var_names};
        if (args.budget >= 0) {
            const int status = run_budget(setting, state, args, out);
            std::fflush(out);
            return status;
        }

        auto timed = [&](const char* label, auto&& learner) {
            const auto t0 = clock_type::now();
            learner();
            std::fflush(stdout);
            std::fprintf(out, "%s %.3f\n", label, since(t0));
            std::fflush(out);
        };
        // Each timed run as the program runs it alone: covariance, learning, scoring.
        auto learn_and_score = [&](auto&& learn) {
            DoubleMatrix cov(state.n_vars, state.n_vars);
            estimate_covariance(state.data_matrix, setting.n_threads, cov);
            const learned_structure learned = learn(cov);
            if (state.true_net == 1)
                score_structure(learned.graph, state.moral_graph, state.n_edges, setting.n_threads);
        };
        if (selected(args.only, "ee") && state.n_cases > state.n_vars)
            timed("EE",
                  [&] { learn_and_score([&](const DoubleMatrix& cov) { return edge_exclusion(setting, cov); }); });
        if (selected(args.only, "iamb2"))
            timed("IAMB2", [&] {
                learn_and_score(
                    [&](const DoubleMatrix& cov) { return run_iamb(setting, iamb_variant::adjusted, cov); });
            });
        if (selected(args.only, "iamb1"))
            timed("IAMB1", [&] {
                learn_and_score([&](const DoubleMatrix& cov) { return run_iamb(setting, iamb_variant::plain, cov); });
            });
    } catch (const fatal_error& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "bench_learner_times: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "bench_learner_times: %s\n", error.what());
        return 1;
    }
    return 0;
}
