#pragma once
// What a conditional independence test needs besides the covariances: the
// kind of statistic, the number of cases behind the estimate and how the
// data became the matrix tested.

#include "common/correlation_kind.h"

#include "gaussnet/vocabulary.h"

namespace gaussnet {

using test_kind = api::test_statistic;

struct test_setting {
    test_kind kind = test_kind::fisher_z;
    int n_cases = 0;
    correlation_kind correlation = correlation_kind::pearson;
};

}  // namespace gaussnet
