#pragma once
// An error that ends gaussnet-sim: the text goes to standard error, the
// status is the exit status (2 for a usage error, 1 for anything else).

#include <stdexcept>
#include <string>

namespace gaussnet::simulate {

inline constexpr int status_usage = 2;
inline constexpr int status_failure = 1;

class sim_error : public std::runtime_error {
public:
    sim_error(int status, const std::string& text) : std::runtime_error(text), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

}  // namespace gaussnet::simulate
