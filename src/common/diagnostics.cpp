#include "common/diagnostics.h"

#include <cstdio>
#include <utility>

namespace gaussnet {

namespace {

class standard_error final : public diagnostic_sink {
public:
    // One call per message: stdio locks the stream for it, so messages from
    // different threads do not interleave.
    void write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stderr); }
};

std::atomic<diagnostic_sink*> installed{nullptr};

}  // namespace

diagnostic_sink& standard_error_sink() {
    static standard_error sink;
    return sink;
}

void captured_diagnostics::write(std::string_view text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    text_.append(text);
}

std::string captured_diagnostics::text() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

std::string captured_diagnostics::take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(text_, {});
}

diagnostic_sink& process_diagnostics() {
    diagnostic_sink* sink = installed.load(std::memory_order_acquire);
    return sink != nullptr ? *sink : standard_error_sink();
}

diagnostic_sink* set_process_diagnostics(diagnostic_sink* sink) {
    diagnostic_sink* previous = installed.exchange(sink, std::memory_order_acq_rel);
    return previous != nullptr ? previous : &standard_error_sink();
}

}  // namespace gaussnet
