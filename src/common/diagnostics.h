#pragma once
// Where diagnostics go: the special functions' reports, a learner's notes
// and the warning about threads that could not be started. Nothing below the
// driver writes to the terminal itself; it writes to a sink, and whoever runs
// the learners decides where the sink's text ends up (the program: standard
// error; a library caller: its own log or a string).

#include <mutex>
#include <string>
#include <string_view>

namespace gaussnet {

class diagnostic_sink {
public:
    virtual ~diagnostic_sink() = default;
    // One whole message, line ends included. Called from any thread, so a
    // sink keeps concurrent messages apart.
    virtual void write(std::string_view text) = 0;
};

// Standard error, byte for byte as written; every sink's default.
diagnostic_sink& standard_error_sink();

// Keeps what is written, for a caller that shows diagnostics its own way.
class captured_diagnostics final : public diagnostic_sink {
public:
    void write(std::string_view text) override;
    std::string text() const;
    // The text so far, leaving the sink empty.
    std::string take();

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// A sink is a run's (common/run_context.h): nothing process-wide.

}  // namespace gaussnet
