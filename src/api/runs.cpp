#include "api/runs.h"

#include <stdexcept>

#include "common/text.h"
#include "learners/edge_exclusion.h"
#include "learners/iamb.h"
#include "learners/local_iamb.h"

namespace gaussnet::api {

std::string ee_skipped_text(int n_cases, int n_vars) {
    return strprintf("EE runs only with more cases than variables (n_cases %d, n_vars %d); skipped.\n", n_cases,
                     n_vars);
}

std::optional<int> find_variable(std::span<const std::string> names, const std::string& name) {
    for (std::size_t v = 0; v < names.size(); ++v)
        if (names[v] == name) return static_cast<int>(v);
    return std::nullopt;
}

std::string no_variable_text(const std::string& name) {
    return strprintf("No variable named \"%s\"; nothing was learned.\n", name.c_str());
}

std::string rank_matrix_failure_text(const std::string& learner, correlation_kind kind,
                                     std::span<const std::string> names, const singular_matrix_error& failure) {
    const char* name = correlation_name(kind);
    const char* run = learner == "local" ? "IAMB2 (local run)" : learner.c_str();
    const char* cause =
        kind == correlation_kind::normal
            ? "constant variables, variables with the same ranks, or no more cases than variables make it singular"
            : "the map of rank correlations to the Gaussian scale need not keep a matrix positive definite, and "
              "constant variables or variables with the same ranks make it singular";
    if (failure.target < 0) {
        return strprintf(
            "%s: the %s correlation matrix of %d variables (correlation %s) is not positive definite: %s. Use "
            "the pearson correlation, more cases, or leave such variables out.",
            run, name, failure.order(), name, cause);
    }
    return strprintf(
        "%s: for target %s with %d members the test matrix of order %d, taken from the %s correlation matrix "
        "(correlation %s), is not positive definite: %s. Use a smaller alpha, the pearson correlation, or more "
        "cases.",
        run, variable_label(names, failure.target).c_str(), failure.members, failure.order(), name, name, cause);
}

learned_structure learn_run(learner_kind kind, const learner_setting& setting, const DoubleMatrix& cov) {
    stop_if_cancelled(setting);
    switch (kind) {
        case learner_kind::ee:
            return edge_exclusion(setting, cov);
        case learner_kind::iamb2:
            return run_iamb(setting, iamb_variant::adjusted, cov);
        case learner_kind::iamb1:
            return run_iamb(setting, iamb_variant::plain, cov);
    }
    throw std::logic_error("unknown learner");
}

learned_structure learn_run(learner_kind kind, const learner_setting& setting, shared_association& covariance) {
    stop_if_cancelled(setting);
    return learn_run(kind, setting, covariance.get());
}

learned_structure learn_local_run(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov) {
    stop_if_cancelled(setting);
    return local_iamb(setting, target, radius, cov);
}

learned_structure learn_local_run(const learner_setting& setting, int target, int radius,
                                  shared_association& covariance) {
    stop_if_cancelled(setting);
    return learn_local_run(setting, target, radius, covariance.get());
}

}  // namespace gaussnet::api
