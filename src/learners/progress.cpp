#include "learners/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "common/text.h"
#include "learners/learner.h"

namespace gaussnet {

namespace {

constexpr auto QUIET_PERIOD = std::chrono::seconds(2);
constexpr auto REFRESH = std::chrono::milliseconds(250);
constexpr std::size_t SHOWN_TARGETS = 3;

// The line goes one row below wherever the cursor stands (the end of the
// console's last line, which has no line end yet), so that the carriage
// returns that redraw it never reach printed results: index down (ESC D keeps
// the column and scrolls at the bottom), then save the cursor (ESC 7). At
// the end the row is blanked and the cursor goes back to the saved column
// and up one row (ESC 8, ESC M), where the console goes on.
constexpr const char* OPEN_ROW = "\033D\0337";
constexpr const char* BACK_TO_CONSOLE = "\0338\033M";

std::size_t terminal_width(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col - 1;
    return 79;
}

struct running_target {
    int target;
    int pass;
    int members;
    std::chrono::steady_clock::duration running;
};

// ", 48s", ", 12m40s", ", 2h05m"; nothing under a second.
std::string time_so_far(std::chrono::steady_clock::duration elapsed) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    if (seconds < 1) return "";
    if (seconds < 60) return strprintf(", %llds", seconds);
    if (seconds < 3600) return strprintf(", %lldm%02llds", seconds / 60, seconds % 60);
    return strprintf(", %lldh%02lldm", seconds / 3600, seconds / 60 % 60);
}

}  // namespace

std::FILE* progress_terminal() { return isatty(STDERR_FILENO) == 1 ? stderr : nullptr; }

progress_line::progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names)
    : progress_line(std::move(label), total, n_slots, names, progress_terminal()) {}

progress_line::progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names,
                             progress_display to)
    : progress_line(std::move(label), total, n_slots, names, to,
                    to.observer != nullptr ? to.observer->quiet_period()
                                           : std::chrono::duration_cast<std::chrono::milliseconds>(QUIET_PERIOD)) {}

progress_line::progress_line(std::string label, long long total, int n_slots, std::span<const std::string> names,
                             progress_display to, std::chrono::milliseconds quiet_period)
    : label_(std::move(label)),
      total_(total),
      names_(names),
      slots_(std::make_unique<progress_slot[]>(static_cast<std::size_t>(std::max(n_slots, 1)))),
      n_slots_(std::max(n_slots, 1)),
      to_(to),
      quiet_period_(quiet_period),
      start_(std::chrono::steady_clock::now()),
      last_shown_(start_) {
    if (!to_.shows()) return;
    try {
        redrawer_ = std::thread([this] { redraw_until_stopped(); });
    } catch (const std::system_error&) {
        // Without its thread the line moves only when a target finishes.
    }
}

progress_line::~progress_line() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (redrawer_.joinable()) redrawer_.join();
    if (shown_) clear();
}

// The terminal's row blanked and left, or the observer's last report.
void progress_line::clear() {
    if (to_.terminal != nullptr) {
        std::fprintf(to_.terminal, "\r%*s%s", static_cast<int>(shown_width_), "", BACK_TO_CONSOLE);
        std::fflush(to_.terminal);
        return;
    }
    api::progress_report last = report(std::chrono::steady_clock::now());
    last.finished = true;
    to_.observer->update(last);
}

void progress_line::advance(long long items) {
    done_.fetch_add(items, std::memory_order_relaxed);
    if (!to_.shows() || redrawer_.joinable()) return;
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (lock.owns_lock()) draw();
}

std::string progress_line::text(std::size_t width, std::chrono::steady_clock::time_point now) const {
    const long long done = done_.load(std::memory_order_relaxed);
    std::string line =
        strprintf("%s: %lld/%lld %s", label_.c_str(), done, total_, unit_.c_str()) + time_so_far(now - start_);
    if (estimate_time_left_ && done > 0 && done < total_) {
        const double left = seconds_left(done, now);
        line += left < 120 ? strprintf(", about %d s left", static_cast<int>(left + 0.5))
                           : strprintf(", about %d min left", static_cast<int>(left / 60 + 0.5));
    }
    std::vector<running_target> running;
    for (int s = 0; s < n_slots_; ++s) {
        const progress_slot& slot = slots_[static_cast<std::size_t>(s)];
        const int target = slot.target.load(std::memory_order_relaxed);
        if (target < 0) continue;
        // A slot shows its time once the target's first pass has begun (since is set).
        const auto since = slot.since.load(std::memory_order_relaxed);
        const auto running_for = since == 0 ? std::chrono::steady_clock::duration::zero()
                                            : now.time_since_epoch() - std::chrono::steady_clock::duration(since);
        running.push_back({target, slot.pass.load(std::memory_order_relaxed),
                           slot.members.load(std::memory_order_relaxed), running_for});
    }
    // The targets that have run longest first: they are what the run waits for.
    std::stable_sort(running.begin(), running.end(),
                     [](const running_target& a, const running_target& b) { return a.pass > b.pass; });
    for (std::size_t k = 0; k < running.size() && k < SHOWN_TARGETS; ++k) {
        const running_target& r = running[k];
        line += strprintf(" | %s: pass %d, %d members", variable_label(names_, r.target).c_str(), r.pass, r.members) +
                time_so_far(r.running);
    }
    if (running.size() > SHOWN_TARGETS) line += strprintf(" | +%zu more", running.size() - SHOWN_TARGETS);
    if (line.size() > width) line.resize(width);
    return line;
}

void progress_line::count_as(std::string unit, bool estimate_time_left) {
    const std::lock_guard<std::mutex> lock(mutex_);
    unit_ = std::move(unit);
    estimate_time_left_ = estimate_time_left;
}

// The time left at the pace of the items finished so far.
double progress_line::seconds_left(long long done, std::chrono::steady_clock::time_point now) const {
    const std::chrono::duration<double> elapsed = now - start_;
    return elapsed.count() / static_cast<double>(done) * static_cast<double>(total_ - done);
}

api::progress_report progress_line::report(std::chrono::steady_clock::time_point now) const {
    api::progress_report facts;
    facts.learner = label_;
    facts.done = done_.load(std::memory_order_relaxed);
    facts.total = total_;
    facts.unit = unit_;
    facts.elapsed = std::chrono::duration<double>(now - start_).count();
    if (estimate_time_left_ && facts.done > 0 && facts.done < total_)
        facts.seconds_left = seconds_left(facts.done, now);
    facts.text = text(std::string::npos, now);
    return facts;
}

// Called with mutex_ held.
void progress_line::draw() {
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < quiet_period_ || (shown_ && now - last_shown_ < REFRESH / 2)) return;
    if (to_.terminal == nullptr) {
        to_.observer->update(report(now));
    } else {
        const std::string line = text(terminal_width(to_.terminal), now);
        // Blanks over the rest of a longer line shown before.
        const int pad = static_cast<int>(std::max(shown_width_, line.size()) - line.size());
        std::fprintf(to_.terminal, "%s\r%s%*s", shown_ ? "" : OPEN_ROW, line.c_str(), pad, "");
        std::fflush(to_.terminal);
        shown_width_ = line.size();
    }
    shown_ = true;
    last_shown_ = now;
}

void progress_line::redraw_until_stopped() {
    std::unique_lock<std::mutex> lock(mutex_);
    // draw() keeps the quiet period: without one the line shows at once.
    while (!stopping_) {
        draw();
        wake_.wait_for(lock, REFRESH, [this] { return stopping_; });
    }
}

}  // namespace gaussnet
