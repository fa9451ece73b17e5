// The library's contract as a caller in C++ sees it: any layout of the same
// values gives the same results, a set cancel flag stops a call, diagnostics
// reach the caller's sink, and a singular matrix names its run and target.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "gaussnet/gaussnet.h"

namespace gaussnet::api {
namespace {

struct sample {
    simulation sim;
    std::vector<double> column_major;  // the same values, R's layout

    sample(int n_vars, int n_cases) : sim(simulate({n_vars, n_cases, 2.0, 0.5, 1.0, 1.0, 5})) {
        column_major.resize(sim.data.size());
        for (int c = 0; c < n_cases; ++c)
            for (int v = 0; v < n_vars; ++v) column_major[v * n_cases + c] = sim.data[c * n_vars + v];
    }
    data_view rows(int n_vars, int n_cases) const {
        return {{sim.data.data(), element_type::float32, n_cases, n_vars, n_vars, 1}, sim.names};
    }
    data_view columns(int n_vars, int n_cases) const {
        return {{column_major.data(), element_type::float64, n_cases, n_vars, 1, n_cases}, {}};
    }
    truth_view truth(int n_vars) const { return {sim.arcs.data(), element_type::uint8, n_vars, n_vars, n_vars, 1}; }
};

TEST(Library, LayoutsGiveTheSameResults) {
    const sample s(20, 300);
    const auto a = learn(s.rows(20, 300), {}, s.truth(20));
    const auto b = learn(s.columns(20, 300), {}, s.truth(20));
    ASSERT_EQ(a.size(), 3u);
    for (std::size_t r = 0; r < a.size(); ++r) {
        EXPECT_EQ(a[r].learner, b[r].learner);
        EXPECT_EQ(a[r].blankets, b[r].blankets);
        EXPECT_EQ(a[r].tests, b[r].tests);
        ASSERT_TRUE(a[r].scores && b[r].scores);
        EXPECT_EQ(a[r].scores->per_edge.fdr2, b[r].scores->per_edge.fdr2);
        ASSERT_EQ(a[r].edges.size(), b[r].edges.size());
    }
}

TEST(Library, CancelDiagnosticsAndFailures) {
    const sample s(8, 6);
    std::vector<std::string> lines;
    settings options;
    options.diagnostics = [&](const std::string& line) { lines.push_back(line); };
    EXPECT_EQ(learn(s.rows(8, 6), options).size(), 2u);
    EXPECT_EQ(lines,
              std::vector<std::string>{"EE runs only with more cases than variables (n_cases 6, n_vars 8); skipped."});

    const std::atomic<bool> cancel{true};
    options.cancel = &cancel;
    EXPECT_THROW(learn(s.rows(8, 6), options), cancelled);

    std::vector<double> twin(20 * 3);
    for (int c = 0; c < 20; ++c) twin[c * 3] = twin[c * 3 + 2] = c % 7, twin[c * 3 + 1] = c % 5;
    settings iamb2;
    iamb2.learners = {learner_kind::iamb2};
    try {
        learn({{twin.data(), element_type::float64, 20, 3, 3, 1}, {}}, iamb2);
        FAIL() << "no error";
    } catch (const not_positive_definite& error) {
        EXPECT_EQ(error.learner(), "IAMB2");
        EXPECT_EQ(error.target(), 0);
        EXPECT_EQ(std::string(error.what()).rfind("No Cholesky decomposition (", 0), 0u);
    }
    iamb2.local_target = "nope";
    EXPECT_THROW(local(s.rows(8, 6), iamb2), input_error);
}

// Two calls at once give what each gives alone, and each gets its own
// diagnostics: the call on too few cases its notes, the other none of them.
TEST(Library, ConcurrentCallsKeepTheirResultsAndDiagnostics) {
    const sample few(8, 6), many(30, 400);
    struct call {
        data_view data;
        settings options;
        std::vector<std::string> lines;
        std::vector<run_result> results;
        void run() {
            lines.clear();
            options.diagnostics = [this](const std::string& line) { lines.push_back(line); };
            results = learn(data, options);
            std::sort(lines.begin(), lines.end());  // the threads' reports come in any order
        }
    };
    call reports{few.rows(8, 6), {}, {}, {}}, quiet{many.rows(30, 400), {}, {}, {}};
    reports.options.threads = quiet.options.threads = 2;
    reports.run();
    quiet.run();
    const call reports_alone = reports, quiet_alone = quiet;
    ASSERT_FALSE(reports_alone.lines.empty());
    ASSERT_TRUE(quiet_alone.lines.empty());
    for (int round = 0; round < 5; ++round) {
        std::thread other([&] { reports.run(); });
        quiet.run();
        other.join();
        for (const auto& [together, alone] : {std::pair{&reports, &reports_alone}, std::pair{&quiet, &quiet_alone}}) {
            EXPECT_EQ(together->lines, alone->lines);
            ASSERT_EQ(together->results.size(), alone->results.size());
            for (std::size_t r = 0; r < alone->results.size(); ++r) {
                EXPECT_EQ(together->results[r].blankets, alone->results[r].blankets);
                EXPECT_EQ(together->results[r].tests, alone->results[r].tests);
            }
        }
    }
}

// Every call refuses settings that make no sense before it learns anything,
// and a learner's name reads back as its kind in any case.
// A call's observer hears its bootstrap's resamples, and the end of them.
TEST(Library, ProgressGoesToTheCallersObserver) {
    struct recorder final : progress_observer {
        std::vector<progress_report> seen;  // one call at a time
        void update(const progress_report& report) override { seen.push_back(report); }
        std::chrono::milliseconds quiet_period() const override { return std::chrono::milliseconds(0); }
    } observer;
    const sample s(20, 300);
    settings options;
    options.threads = 2;
    options.progress = &observer;
    const bootstrap_result with = bootstrap(s.rows(20, 300), options, {40, 3, 0.5, learner_kind::iamb2, false});
    ASSERT_FALSE(observer.seen.empty());
    EXPECT_EQ(observer.seen.front().learner, "IAMB2 bootstrap");
    EXPECT_EQ(observer.seen.front().unit, "resamples");
    EXPECT_TRUE(observer.seen.back().finished);
    EXPECT_EQ(observer.seen.back().done, 40);
    options.progress = nullptr;
    const bootstrap_result without = bootstrap(s.rows(20, 300), options, {40, 3, 0.5, learner_kind::iamb2, false});
    EXPECT_EQ(with.tests, without.tests);
}

TEST(Library, SettingsAreCheckedAndNamesReadBack) {
    const sample s(8, 40);
    const auto with = [](auto change) {
        settings options;
        change(options);
        return options;
    };
    const std::vector<settings> refused = {
        with([](settings& o) { o.alpha = std::nan(""); }),
        with([](settings& o) { o.alpha = 0; }),
        with([](settings& o) { o.alpha = 1.5; }),
        with([](settings& o) { o.threads = -1; }),
        with([](settings& o) { o.threads = max_threads + 1; }),
    };
    for (const settings& options : refused) {
        EXPECT_THROW(learn(s.rows(8, 40), options), input_error);
        EXPECT_THROW(bootstrap(s.rows(8, 40), options, {}), input_error);
    }
    settings negative_radius;
    negative_radius.local_target = "X1";
    negative_radius.local_radius = -1;
    EXPECT_THROW(local(s.rows(8, 40), negative_radius), input_error);
    for (const bootstrap_settings& resampling : {bootstrap_settings{0}, bootstrap_settings{max_resamples + 1},
                                                 bootstrap_settings{10, 1, 0.0}, bootstrap_settings{10, 1, 1.5}})
        EXPECT_THROW(check(resampling), input_error);
    EXPECT_NO_THROW(check(settings{}));

    for (const learner_kind kind : all_learners) {
        std::string lower = learner_name(kind);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(learner_named(learner_name(kind)), kind);
        EXPECT_EQ(learner_named(lower), kind);
    }
    EXPECT_EQ(learner_named("IAMB3"), std::nullopt);
    EXPECT_EQ(learner_named("IAMB"), std::nullopt);
}

}  // namespace
}  // namespace gaussnet::api
