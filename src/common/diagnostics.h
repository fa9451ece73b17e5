#pragma once
// Where diagnostics go: the special functions' reports, a learner's notes
// and the warning about threads that could not be started. Nothing below the
// driver writes to the terminal itself; it writes to a sink, and whoever runs
// the learners decides where the sink's text ends up (the program: standard
// error; a library caller: its own log or a string).

#include <atomic>
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

// The process's sink, for the two places too deep to be handed one: the
// special functions, evaluated per p-value inside the threads of the test
// engine through a dozen layers of plain numeric signatures, and the thread
// starter under every parallel loop. Everything else is passed its sink
// (learner_setting::diagnostics). Reading and replacing it is thread-safe;
// an installed sink must outlive its installation.
diagnostic_sink& process_diagnostics();
// Installs sink (null: standard error) and returns the one it replaces.
diagnostic_sink* set_process_diagnostics(diagnostic_sink* sink);

// Installs a sink for a scope and puts the previous one back.
class scoped_process_diagnostics {
public:
    explicit scoped_process_diagnostics(diagnostic_sink& sink) : previous_(set_process_diagnostics(&sink)) {}
    ~scoped_process_diagnostics() { set_process_diagnostics(previous_); }
    scoped_process_diagnostics(const scoped_process_diagnostics&) = delete;
    scoped_process_diagnostics& operator=(const scoped_process_diagnostics&) = delete;

private:
    diagnostic_sink* previous_;
};

}  // namespace gaussnet
