#include "common/run_context.h"

#include <algorithm>

#include "common/text.h"

namespace gaussnet {

namespace {

thread_local run_context* installed = nullptr;

}  // namespace

std::size_t run_context::index(event_kind kind) {
    switch (kind) {
        case event_kind::note:
            return 0;
        case event_kind::cycle_kept:
            return 1;
        case event_kind::threads_short:
            return 2;
        case event_kind::special_function:
            return 3;
    }
    return 0;
}

void run_context::report(event_kind kind, std::string_view text) {
    counts_[index(kind)].fetch_add(1, std::memory_order_relaxed);
    sink_->write(text);
}

void run_context::threads_short(int started, int wanted, const char* reason) {
    // The calling thread works on, so a loop never has fewer than one.
    const int going_on = std::max(started, 1);
    int seen = fewest_threads_.load();
    while ((seen == 0 || going_on < seen) && !fewest_threads_.compare_exchange_weak(seen, going_on)) {
    }
    if (seen != 0) return;  // said already
    report(event_kind::threads_short,
           strprintf("gaussnet: only %d of %d threads could be started (%s); going on with %d.\n", started, wanted,
                     reason, started));
}

int run_context::threads_that_ran(int n_threads) const {
    const int fewest = fewest_threads_.load();
    return fewest > 0 ? std::min(fewest, n_threads) : n_threads;
}

run_context* installed_context() { return installed; }

run_context& current_context() {
    if (installed != nullptr) return *installed;
    // A thread that runs for no call (a unit test, a tool) gets a context of its own.
    thread_local run_context own;
    return own;
}

context_scope::context_scope(run_context* context) : previous_(installed) { installed = context; }

context_scope::~context_scope() { installed = previous_; }

}  // namespace gaussnet
