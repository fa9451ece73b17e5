// The progress line: what it shows of the running targets, and that it moves
// while no target finishes.
#include "learners/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace gaussnet {
namespace {

using std::chrono::milliseconds;

const std::vector<std::string> names{"A", "B", "C", "D", "E", "F"};

TEST(ProgressLine, ShowsTheLongestRunningTargetsFirst) {
    progress_line line("IAMB1", 6, 5, names, nullptr, milliseconds(0));
    line.advance();
    EXPECT_EQ(line.text(200), "IAMB1: 1/6 targets");
    line.slot(0).working(2, 4, 3);
    line.slot(1).working(5, 17, 12);
    EXPECT_EQ(line.text(200), "IAMB1: 1/6 targets | F: pass 17, 12 members | C: pass 4, 3 members");
    line.slot(2).working(0, 1, 0);
    line.slot(3).working(1, 2, 1);
    line.slot(4).working(3, 3, 2);
    EXPECT_EQ(line.text(200),
              "IAMB1: 1/6 targets | F: pass 17, 12 members | C: pass 4, 3 members | D: pass 3, 2 members | +2 more");
    line.slot(1).idle();
    EXPECT_EQ(line.text(30), "IAMB1: 1/6 targets | C: pass 4");
}

// The run's time and each target's time since its first pass, from a second on.
TEST(ProgressLine, ShowsTheTimesSoFar) {
    progress_line line("IAMB1", 6, 2, names, nullptr, milliseconds(0));
    line.slot(0).working(1, 1, 0);
    line.slot(0).working(1, 2, 1);  // later passes keep the target's start
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(line.text(200, start), "IAMB1: 0/6 targets | B: pass 2, 1 members");
    EXPECT_EQ(line.text(200, start + std::chrono::seconds(75)),
              "IAMB1: 0/6 targets, 1m15s | B: pass 2, 1 members, 1m15s");
    line.slot(1).working(4, 1, 0);
    EXPECT_EQ(line.text(200, std::chrono::steady_clock::now() + std::chrono::hours(2)).substr(0, 29),
              "IAMB1: 0/6 targets, 2h00m | B");
}

// A bootstrap's line counts resamples and estimates the time left at the pace so far.
TEST(ProgressLine, CountsResamplesWithTheTimeLeft) {
    progress_line line("IAMB2 bootstrap", 200, 1, names, nullptr, milliseconds(0));
    line.count_as("resamples", true);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(line.text(200, start), "IAMB2 bootstrap: 0/200 resamples");
    line.advance(10);
    EXPECT_EQ(line.text(200, start + std::chrono::seconds(40)),
              "IAMB2 bootstrap: 10/200 resamples, 40s, about 13 min left");
    line.advance(90);
    EXPECT_EQ(line.text(200, start + std::chrono::seconds(30)),
              "IAMB2 bootstrap: 100/200 resamples, 30s, about 30 s left");
    line.advance(100);
    EXPECT_EQ(line.text(200, start + std::chrono::seconds(30)), "IAMB2 bootstrap: 200/200 resamples, 30s");
}

// Nothing finishes, yet the line is redrawn with the running target's pass
// and member counts. It is drawn on a row of its own below the console's last
// line and cleared at the end, the cursor back where the console left it.
TEST(ProgressLine, MovesWhileATargetRuns) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        progress_line line("IAMB2", 3, 1, names, out, milliseconds(0));
        line.slot(0).working(1, 7, 5);
        std::string seen;
        for (int wait = 0; wait < 100 && seen.find("B: pass 7, 5 members") == std::string::npos; ++wait) {
            std::this_thread::sleep_for(milliseconds(50));
            std::fflush(out);
            seen.assign(static_cast<std::size_t>(std::ftell(out)), '\0');
            std::rewind(out);
            seen.resize(std::fread(seen.data(), 1, seen.size(), out));
        }
        EXPECT_NE(seen.find("\rIAMB2: 0/3 targets | B: pass 7, 5 members"), std::string::npos) << seen;
    }
    std::fseek(out, 0, SEEK_END);
    const long size = std::ftell(out);
    std::rewind(out);
    std::string all(static_cast<std::size_t>(size), '\0');
    all.resize(std::fread(all.data(), 1, all.size(), out));
    std::fclose(out);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.rfind("\033D\0337\rIAMB2: ", 0), 0u) << all;
    EXPECT_EQ(all.find("\033D", 1), std::string::npos) << all;
    EXPECT_EQ(all.substr(all.size() - 4), "\0338\033M");
}

// An observer is handed the line's counts and text while it runs, and at
// the end one report marked finished.
TEST(ProgressLine, HandsItsReportsToAnObserver) {
    struct recorder final : api::progress_observer {
        std::mutex mutex;
        std::vector<api::progress_report> seen;
        void update(const api::progress_report& report) override {
            const std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(report);
        }
        bool saw_ten() {
            const std::lock_guard<std::mutex> lock(mutex);
            return !seen.empty() && seen.back().done == 10;
        }
    } observer;
    {
        progress_line line("IAMB2 bootstrap", 40, 1, names, progress_display(&observer), milliseconds(0));
        line.count_as("resamples", true);
        line.advance(10);
        for (int wait = 0; wait < 100 && !observer.saw_ten(); ++wait) std::this_thread::sleep_for(milliseconds(20));
    }
    ASSERT_GE(observer.seen.size(), 2u);
    const api::progress_report& running = observer.seen[observer.seen.size() - 2];
    EXPECT_EQ(running.learner, "IAMB2 bootstrap");
    EXPECT_EQ(running.unit, "resamples");
    EXPECT_EQ(running.done, 10);
    EXPECT_EQ(running.total, 40);
    EXPECT_TRUE(running.seconds_left.has_value());
    EXPECT_EQ(running.text.rfind("IAMB2 bootstrap: 10/40 resamples", 0), 0u) << running.text;
    EXPECT_FALSE(running.finished);
    EXPECT_TRUE(observer.seen.back().finished);
    EXPECT_EQ(observer.seen.back().done, 10);
    EXPECT_EQ(std::count_if(observer.seen.begin(), observer.seen.end(), [](const auto& r) { return r.finished; }), 1);
}

TEST(ProgressLine, SilentWithoutATerminal) {
    // The test's standard error is no terminal (ctest captures it).
    progress_line line("EE", 2, 1, names);
    line.slot(0).working(0, 1, 0);
    line.advance();
    EXPECT_EQ(line.text(100), "EE: 1/2 targets | A: pass 1, 0 members");
}

}  // namespace
}  // namespace gaussnet
