#pragma once
// What a conditional independence test needs besides the covariances: the
// kind of statistic and the number of cases behind the estimate.

namespace gaussnet {

enum class test_kind {
    fisher_z,   // Fisher's z with the normal distribution
    student_t,  // the exact Student t statistic
};

struct test_setting {
    test_kind kind = test_kind::fisher_z;
    int n_cases = 0;
};

}  // namespace gaussnet
