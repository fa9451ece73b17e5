#pragma once
// Shared by the special-function tests: the exact report texts, and a runner
// that captures what a call writes to standard error.

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace gaussnet::test {

inline std::string report(const std::string& routine, const std::string& message) {
    return "Numerics Error in routine " + routine + "\n    " + message + "\n";
}

inline const std::string GCF_ITMAX = report("gcf", "a too large, NUMERICS_ITMAX too small");
inline const std::string GSER_ITMAX = report("gser", "a too large, NUMERICS_ITMAX too small");
inline const std::string GAMMP_INVALID = report("gammp", "Invalid arguments");
inline const std::string BETAI_BAD_X = report("betai", "Bad x");
inline const std::string NORMALP_INVALID = report("normalp", "Invalid v parameter");
inline const std::string STUDTP_INVALID = report("studtp", "Invalid v parameter");

// Runs f and returns its value together with everything it wrote to standard error.
template <class F>
std::pair<double, std::string> with_stderr(F f) {
    testing::internal::CaptureStderr();
    const double v = f();
    return {v, testing::internal::GetCapturedStderr()};
}

}  // namespace gaussnet::test
