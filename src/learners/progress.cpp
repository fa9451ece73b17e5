#include "learners/progress.h"

#include <unistd.h>

#include <cstdio>

namespace gaussnet {

namespace {
constexpr auto QUIET_PERIOD = std::chrono::seconds(2);
constexpr auto REFRESH = std::chrono::milliseconds(250);
}  // namespace

progress_line::progress_line(std::string label, long long total)
    : label_(std::move(label)),
      total_(total),
      enabled_(isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()),
      last_shown_(start_) {}

progress_line::~progress_line() {
    if (shown_) std::fprintf(stderr, "\r%*s\r", static_cast<int>(label_.size()) + 40, "");
}

void progress_line::advance() {
    const long long done = done_.fetch_add(1, std::memory_order_relaxed) + 1;
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < QUIET_PERIOD) return;
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || now - last_shown_ < REFRESH) return;
    last_shown_ = now;
    shown_ = true;
    std::fprintf(stderr, "\r%s: %lld/%lld targets", label_.c_str(), done, total_);
    std::fflush(stderr);
}

}  // namespace gaussnet
