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

}  // namespace gaussnet
