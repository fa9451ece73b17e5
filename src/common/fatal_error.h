#pragma once
// An error that ends the program. main prints the text framed by line ends
// ("\n\n <text> \n\n") on standard output and exits with the status.

#include <stdexcept>
#include <string>

namespace gaussnet {

inline constexpr int exit_usage = 2;
inline constexpr int exit_failure = 1;

class fatal_error : public std::runtime_error {
public:
    explicit fatal_error(const std::string& text, int status = exit_failure)
        : std::runtime_error(text), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

}  // namespace gaussnet
