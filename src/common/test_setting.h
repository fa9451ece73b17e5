#pragma once
// What a conditional independence test needs besides the covariances: the
// kind of statistic and the number of cases behind the estimate.

#include "gaussnet/vocabulary.h"

namespace gaussnet {

using test_kind = api::test_statistic;

struct test_setting {
    test_kind kind = test_kind::fisher_z;
    int n_cases = 0;
};

}  // namespace gaussnet
