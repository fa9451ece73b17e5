#pragma once
// An error that ends the program. main prints the text framed by line ends
// ("\n\n <text> \n\n") on standard output and exits with the status. A
// diagnostic, when there is one, goes to standard error first: one line that
// says where the fault lies and what to do, beside the message scripts know.

#include <new>
#include <stdexcept>
#include <string>

namespace gaussnet {

inline constexpr int exit_usage = 2;
inline constexpr int exit_failure = 1;
// Not an error: every run finished and was written, but a bootstrap learned
// nothing, none of its resamples having finished.
inline constexpr int exit_no_resample_finished = 3;

class fatal_error : public std::runtime_error {
public:
    explicit fatal_error(const std::string& text, int status = exit_failure, std::string diagnostic = "")
        : std::runtime_error(text), status_(status), diagnostic_(std::move(diagnostic)) {}
    int status() const { return status_; }
    const std::string& diagnostic() const { return diagnostic_; }
    void set_diagnostic(std::string line) { diagnostic_ = std::move(line); }

private:
    int status_;
    std::string diagnostic_;
};

// Returns work(); when it ends in a fatal error (or memory runs out), returns
// failed(text, status) instead.
template <typename Work, typename Failed>
auto on_fatal(Work&& work, Failed&& failed) -> decltype(work()) {
    try {
        return work();
    } catch (const fatal_error& error) {
        return failed(error.what(), error.status());
    } catch (const std::bad_alloc&) {
        return failed("Out of memory.", exit_failure);
    }
}

}  // namespace gaussnet
