#include "common/run_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <system_error>
#include <thread>

#include "common/parallel.h"
#include "numerics/numerics.h"

namespace gaussnet {
namespace {

// A run's context takes the special functions' reports of its own thread and
// of its loops' threads, counted by kind; standard error gets nothing, and
// the thread's previous context comes back after.
TEST(RunContext, TakesItsThreadsReportsAndIsUndone) {
    captured_diagnostics captured;
    run_context context(captured);
    testing::internal::CaptureStderr();
    {
        const context_scope installed(&context);
        EXPECT_EQ(&current_context(), &context);
        parallel_for(3, 3, [](std::int64_t, int) { EXPECT_TRUE(std::isnan(studtp(1, 0))); });
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string report = "Numerics Error in routine studtp\n    Invalid v parameter\n";
    EXPECT_EQ(captured.take(), report + report + report);
    EXPECT_EQ(context.count(event_kind::special_function), 3);
    EXPECT_NE(&current_context(), &context);
}

// Two runs at once, each with its loops' threads: every report reaches the
// run it was made in.
TEST(RunContext, ConcurrentRunsKeepTheirReports) {
    captured_diagnostics sinks[2];
    run_context contexts[2] = {run_context(sinks[0]), run_context(sinks[1])};
    const auto run = [&](int which, int reports) {
        const context_scope installed(&contexts[which]);
        parallel_for(2, reports, [](std::int64_t, int) { studtp(1, 0); });
    };
    std::thread other([&] { run(1, 40); });
    run(0, 30);
    other.join();
    EXPECT_EQ(contexts[0].count(event_kind::special_function), 30);
    EXPECT_EQ(contexts[1].count(event_kind::special_function), 40);
    const std::string report = "Numerics Error in routine studtp\n    Invalid v parameter\n";
    for (int which = 0; which < 2; ++which) {
        std::string expected;
        for (int r = 0; r < (which == 0 ? 30 : 40); ++r) expected += report;
        EXPECT_EQ(sinks[which].text(), expected);
    }
}

// Threads that cannot be started are said once per run and lower that run's
// thread figure alone.
TEST(RunContext, ThreadShortfallIsTheRunsOwn) {
    captured_diagnostics first_sink, second_sink;
    run_context first(first_sink), second(second_sink);
    const auto failing = [](auto&&) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    {
        const context_scope installed(&first);
        for (int loop = 0; loop < 2; ++loop)
            parallel_for_with(
                4, 8, [](std::int64_t, int) {}, failing);
        EXPECT_EQ(threads_that_ran(4), 1);
    }
    EXPECT_EQ(first.count(event_kind::threads_short), 1);
    EXPECT_NE(first_sink.text().find("only 1 of 4 threads could be started"), std::string::npos);
    EXPECT_EQ(second.threads_that_ran(4), 4);
    EXPECT_EQ(second_sink.text(), "");
}

}  // namespace
}  // namespace gaussnet
