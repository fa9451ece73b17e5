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

learned_structure learn_run(learner_kind kind, const learner_setting& setting, shared_covariance& covariance) {
    stop_if_cancelled(setting);
    return learn_run(kind, setting, covariance.get());
}

learned_structure learn_local_run(const learner_setting& setting, int target, int radius, const DoubleMatrix& cov) {
    stop_if_cancelled(setting);
    return local_iamb(setting, target, radius, cov);
}

learned_structure learn_local_run(const learner_setting& setting, int target, int radius,
                                  shared_covariance& covariance) {
    stop_if_cancelled(setting);
    return learn_local_run(setting, target, radius, covariance.get());
}

}  // namespace gaussnet::api
